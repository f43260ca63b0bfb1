#include "app/messagebox_ui.h"

#include "controls/plaintext.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
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

struct Choice {
    QMessageBox::StandardButton button;
    const char *caption;
    MsgResult result;
};

QList<Choice> choicesOf(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return {{QMessageBox::Ok, "确定", MsgResult::Ok}};
    case MsgButtons::OkCancel:
        return {{QMessageBox::Ok, "确定", MsgResult::Ok}, {QMessageBox::Cancel, "取消", MsgResult::Cancel}};
    case MsgButtons::YesNo:
        return {{QMessageBox::Yes, "是", MsgResult::Yes}, {QMessageBox::No, "否", MsgResult::No}};
    case MsgButtons::YesNoCancel:
        return {{QMessageBox::Yes, "是", MsgResult::Yes},
                {QMessageBox::No, "否", MsgResult::No},
                {QMessageBox::Cancel, "取消", MsgResult::Cancel}};
    }
    return {{QMessageBox::Ok, "确定", MsgResult::Ok}};
}

MsgResult showMessage(const MessageRequest &request)
{
    // The owner window may close while the box waits (its parent then deletes it).
    const QPointer<QMessageBox> box = BuildMessageBox(request, QApplication::activeWindow()).release();
    const auto clicked = QMessageBox::StandardButton(box->exec());
    delete box.data();
    for (const Choice &choice : choicesOf(request.buttons)) {
        if (choice.button == clicked)
            return choice.result;
    }
    // Closed with Esc or the title bar: the way out the buttons offer.
    return request.buttons == MsgButtons::YesNo ? MsgResult::No
           : request.buttons == MsgButtons::Ok  ? MsgResult::Ok
                                                : MsgResult::Cancel;
}

} // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageRequest &request, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(toQtIcon(request.icon));
    // Messages carry file names and paths: never rich text.
    box->setTextFormat(Qt::PlainText);
    box->setText(request.text);
    SetPlainWindowTitle(box.get(), request.title);
    const QList<Choice> choices = choicesOf(request.buttons);
    for (const Choice &choice : choices)
        box->addButton(choice.button)->setText(QString::fromUtf8(choice.caption));
    box->setDefaultButton(choices.front().button);
    return box;
}

void InstallMessageBoxUi()
{
    SetMessageBoxHandler(showMessage);
}

} // namespace mv
