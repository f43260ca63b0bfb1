#include "app/messagebox.h"

#include <cstdio>

namespace mv {

namespace {

MessageBoxHandler &handlerSlot()
{
    static MessageBoxHandler handler;
    return handler;
}

MsgResult cautiousAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
        return MsgResult::Cancel;
    case MsgButtons::YesNo:
        return MsgResult::No;
    }
    return MsgResult::Cancel;
}

} // namespace

MsgResult MsgBox(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons)
{
    const MessageBoxHandler &handler = handlerSlot();
    if (handler)
        return handler(MessageRequest{text, title, icon, buttons});
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    return cautiousAnswer(buttons);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

} // namespace mv
