#pragma once

#include <QString>

#include <functional>

namespace mv {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

using MessageBoxHandler = std::function<MsgResult(const MessageRequest &)>;

// Every message of the program goes through here, so that tests can answer them.
MsgResult MsgBox(const QString &text, const QString &title, MsgIcon icon = MsgIcon::None,
                 MsgButtons buttons = MsgButtons::Ok);

// Installs a handler and returns the previous one. Without a handler (no user interface
// loaded), messages go to standard error and get the cautious answer (No, Cancel or OK).
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace mv
