#include "controls/skinnedtextbox.h"

#include "controls/buttonbase.h"
#include "controls/plaintext.h"
#include "controls/theme.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace mv {

SkinnedTextBox::SkinnedTextBox(QWidget *parent)
    : QWidget(parent)
    , mBackColor(theme::TextBoxBack)
    , mForeColor(theme::WindowText)
{
    setMouseTracking(true);
    setFixedHeight(theme::BoxHeight);
    setMinimumWidth(theme::BoxMinWidth);
    // The list never shows itself; only its drop-down does.
    Combo1 = new QComboBox(this);
    Combo1->hide();
    TxtData = new QLineEdit(this);
    TxtData->setFrame(false);
    TxtData->setMouseTracking(true);
    TxtData->installEventFilter(this);
    connect(TxtData, &QLineEdit::textChanged, this, [this] { emit Change(); });
    applyColours();
}

QString SkinnedTextBox::Text() const
{
    return TxtData->text();
}

void SkinnedTextBox::setText(const QString &text)
{
    TxtData->setText(text);
}

void SkinnedTextBox::setBackColor(const QColor &colour)
{
    mBackColor = colour;
    applyColours();
}

void SkinnedTextBox::setForeColor(const QColor &colour)
{
    mForeColor = colour;
    applyColours();
}

void SkinnedTextBox::applyColours()
{
    QPalette palette = TxtData->palette();
    palette.setColor(QPalette::Base, mBackColor);
    palette.setColor(QPalette::Text, mForeColor);
    TxtData->setPalette(palette);
}

void SkinnedTextBox::setToolTipText(const QString &text)
{
    mToolTipText = text;
    SetPlainToolTip(this, text);
}

int SkinnedTextBox::MaxLength() const
{
    // The text box's own limit stands for "no limit".
    return TxtData->maxLength() == QLineEdit().maxLength() ? 0 : TxtData->maxLength();
}

void SkinnedTextBox::setMaxLength(int length)
{
    TxtData->setMaxLength(length > 0 ? length : QLineEdit().maxLength());
}

bool SkinnedTextBox::Locked() const
{
    return TxtData->isReadOnly();
}

void SkinnedTextBox::setLocked(bool locked)
{
    TxtData->setReadOnly(locked);
}

// Editing the list selects nothing and changes no text (the list box would pick an entry
// by itself otherwise).
void SkinnedTextBox::AddItem(const QString &text)
{
    const QSignalBlocker quiet(Combo1);
    const int selected = Combo1->currentIndex();
    Combo1->addItem(text);
    Combo1->setCurrentIndex(selected);
}

void SkinnedTextBox::RemoveItem(int index)
{
    if (index < 0 || index >= Combo1->count())
        return;
    const QSignalBlocker quiet(Combo1);
    const int selected = Combo1->currentIndex();
    Combo1->removeItem(index);
    Combo1->setCurrentIndex(selected == index ? -1 : selected > index ? selected - 1 : selected);
}

void SkinnedTextBox::Clear()
{
    const QSignalBlocker quiet(Combo1);
    Combo1->clear();
}

QString SkinnedTextBox::List(int index) const
{
    return Combo1->itemText(index);
}

int SkinnedTextBox::ListCount() const
{
    return Combo1->count();
}

int SkinnedTextBox::ListIndex() const
{
    return Combo1->currentIndex();
}

void SkinnedTextBox::setListIndex(int index)
{
    Combo1->setCurrentIndex(index);
}

void SkinnedTextBox::ResetPic()
{
    mBackColor = theme::TextBoxBack;
    applyColours();
}

bool SkinnedTextBox::ControlIsExist(int) const
{
    return false;
}

void SkinnedTextBox::setFramePictures(const QImage &left, const QImage &middle, const QImage &endCap)
{
    mLeft = left;
    mMiddle = middle;
    mEndCap = endCap;
    layoutPieces();
    update();
}

void SkinnedTextBox::layoutPieces()
{
    Combo1->setGeometry(0, 0, width(), theme::BoxHeight);
    TxtData->setGeometry(textBoxRect());
    ResetPic();
}

void SkinnedTextBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPieces();
}

void SkinnedTextBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!mMiddle.isNull())
        painter.drawImage(rect(), mMiddle);
    if (!mLeft.isNull())
        painter.drawImage(0, 0, mLeft);
    if (!mEndCap.isNull())
        painter.drawImage(width() - mEndCap.width(), 0, mEndCap);
}

void SkinnedTextBox::mousePressEvent(QMouseEvent *event)
{
    const int x = event->position().toPoint().x();
    if (event->button() == Qt::LeftButton && x >= leftWidth() && x < width() - endCapWidth())
        middleClicked();
}

void SkinnedTextBox::mouseMoveEvent(QMouseEvent *event)
{
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), float(event->position().x()),
                   float(event->position().y()));
}

bool SkinnedTextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TxtData) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            mTextPressed = true;
            emit MouseDown(ButtonCode(mouse->button()), ShiftCode(mouse->modifiers()), float(mouse->position().x()),
                           float(mouse->position().y()));
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const bool click = mTextPressed && TxtData->rect().contains(mouse->position().toPoint());
            mTextPressed = false;
            if (click)
                emit Click();
            break;
        }
        case QEvent::MouseMove: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            emit MouseMove(ButtonCode(mouse->buttons()), ShiftCode(mouse->modifiers()), float(mouse->position().x()),
                           float(mouse->position().y()));
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SkinnedTextBox::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

} // namespace mv
