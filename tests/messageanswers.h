#pragma once

// Message boxes in tests: every one is answered with a chosen button and kept, never shown.

#include "app/messagebox.h"

#include <QList>

namespace mv::test {

struct MessageAnswers {
    QList<MessageRequest> seen;
    MsgResult answer;
    MessageBoxHandler previous;

    explicit MessageAnswers(MsgResult a = MsgResult::No)
        : answer(a)
    {
        previous = SetMessageBoxHandler([this](const MessageRequest &r) {
            seen.append(r);
            return answer;
        });
    }
    ~MessageAnswers() { SetMessageBoxHandler(previous); }
    MessageAnswers(const MessageAnswers &) = delete;
    MessageAnswers &operator=(const MessageAnswers &) = delete;
};

} // namespace mv::test
