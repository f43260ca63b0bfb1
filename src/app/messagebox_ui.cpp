#include "app/messagebox_ui.h"

#include "app/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace mv {

namespace {

QMessageBox::Icon toQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MsgResult showMessage(const MessageRequest &request)
{
    QMessageBox box(toQtIcon(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    struct Choice {
        QMessageBox::StandardButton button;
        const char *caption;
        MsgResult result;
    };
    QList<Choice> choices;
    switch (request.buttons) {
    case MsgButtons::Ok:
        choices = {{QMessageBox::Ok, "确定", MsgResult::Ok}};
        break;
    case MsgButtons::OkCancel:
        choices = {{QMessageBox::Ok, "确定", MsgResult::Ok}, {QMessageBox::Cancel, "取消", MsgResult::Cancel}};
        break;
    case MsgButtons::YesNo:
        choices = {{QMessageBox::Yes, "是", MsgResult::Yes}, {QMessageBox::No, "否", MsgResult::No}};
        break;
    case MsgButtons::YesNoCancel:
        choices = {{QMessageBox::Yes, "是", MsgResult::Yes},
                   {QMessageBox::No, "否", MsgResult::No},
                   {QMessageBox::Cancel, "取消", MsgResult::Cancel}};
        break;
    }
    for (const Choice &choice : choices)
        box.addButton(choice.button)->setText(QString::fromUtf8(choice.caption));
    box.setDefaultButton(choices.front().button);
    const auto clicked = QMessageBox::StandardButton(box.exec());
    for (const Choice &choice : choices) {
        if (choice.button == clicked)
            return choice.result;
    }
    // Closed with Esc or the title bar: the way out the buttons offer.
    return request.buttons == MsgButtons::YesNo ? MsgResult::No
           : request.buttons == MsgButtons::Ok  ? MsgResult::Ok
                                                : MsgResult::Cancel;
}

} // namespace

void InstallMessageBoxUi()
{
    SetMessageBoxHandler(showMessage);
}

} // namespace mv
