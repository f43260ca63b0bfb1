#include "controls/combo.h"

#include "controls/buttonbase.h"
#include "controls/mdrawlist.h"
#include "controls/plaintext.h"
#include "controls/theme.h"
#include "controls/uipictures.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace mv {

void OpenCombo(QComboBox *combo)
{
    if (!combo)
        return;
    if (combo->view()->isVisible())
        combo->hidePopup();
    else
        combo->showPopup();
}

void SetComboHeight(QComboBox *combo, int height)
{
    if (!combo)
        return;
    const int rowHeight = qMax(1, combo->view()->sizeHintForRow(0) > 0 ? combo->view()->sizeHintForRow(0)
                                                                         : theme::ComboItemHeight);
    combo->setMaxVisibleItems(qMax(1, (height - combo->height()) / rowHeight));
}

CrumbLabel::CrumbLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void CrumbLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    else
        QLabel::mousePressEvent(event);
}

DropButton::DropButton(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    mTimer.setInterval(theme::HoverInterval);
    connect(&mTimer, &QTimer::timeout, this, &DropButton::checkPointer);
}

void DropButton::setPictures(const QList<QImage> &pictures)
{
    mPictures = pictures;
    if (!mPictures.isEmpty() && !mPictures.first().isNull())
        setFixedSize(mPictures.first().size());
    update();
}

void DropButton::ShowPicture(int picture)
{
    mShown = picture;
    update();
}

void DropButton::paintEvent(QPaintEvent *)
{
    if (mShown >= 0 && mShown < mPictures.size())
        QPainter(this).drawImage(0, 0, mPictures[mShown]);
}

void DropButton::mouseMoveEvent(QMouseEvent *)
{
    if (!isEnabled())
        return;
    mTimer.start();
    mHovering = true;
    ShowPicture(1);
}

void DropButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit pressed();
}

void DropButton::checkPointer()
{
    if (QApplication::widgetAt(QCursor::pos()) != this)
        endHover();
}

void DropButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (mHovering)
        endHover();
}

void DropButton::endHover()
{
    mTimer.stop();
    mHovering = false;
    if (auto *combo = qobject_cast<Combo *>(parentWidget()))
        combo->ResetPic();
    else
        ShowPicture(0);
}

Combo::Combo(QWidget *parent)
    : SkinnedTextBox(parent)
{
    mPanel = new QWidget(this);
    mPanel->setAutoFillBackground(true);
    QPalette white = mPanel->palette();
    white.setColor(QPalette::Window, theme::TextBoxBack);
    mPanel->setPalette(white);
    mPanel->setMouseTracking(true);
    mPanel->installEventFilter(this);
    mDrop = new DropButton(this);
    connect(mDrop, &DropButton::pressed, this, &Combo::dropPressed);

    TxtData->installEventFilter(this);
    SetListItemHeight(Combo1, theme::ComboItemHeight);
    // A click on the drop button while the list is open only closes the list.
    Combo1->view()->window()->setAttribute(Qt::WA_NoMouseReplay);
    connect(Combo1, &QComboBox::currentTextChanged, this, [this] {
        breadcrumbMode();
        emit Change();
    });
    connect(Combo1, qOverload<int>(&QComboBox::activated), this, &Combo::entryChosen);
    // A path typed in the text box goes when Enter is pressed, as in any file manager's
    // location bar.
    connect(TxtData, &QLineEdit::returnPressed, this, [this] {
        const QString typed = TxtData->text();
        breadcrumbMode();
        DrawPath(typed);
        emit Change();
    });

    setFramePictures(UiImage(QStringLiteral("box/combo_left")), UiImage(QStringLiteral("box/combo_middle")),
                     UiImage(QStringLiteral("box/combo_end")));
    setDropPictures({UiImage(QStringLiteral("box/drop_normal")), UiImage(QStringLiteral("box/drop_hover")),
                     UiImage(QStringLiteral("box/drop_pressed")), UiImage(QStringLiteral("box/drop_disabled"))});
    setArrowPicture(UiImage(QStringLiteral("box/crumb_arrow")));
    SetComboHeight(Combo1, theme::ComboDropHeight);
    ensureCrumb(0);
    // Edit mode at first, without taking the focus; the first entry chosen or the text box
    // left shows the breadcrumbs.
    mPanel->hide();
}

void Combo::setDropPictures(const QList<QImage> &pictures)
{
    mDrop->setPictures(pictures);
    layoutPieces();
}

void Combo::setArrowPicture(const QImage &arrow)
{
    mArrow = arrow;
    for (QLabel *label : std::as_const(mArrows)) {
        label->setPixmap(QPixmap::fromImage(arrow));
        label->adjustSize();
    }
}

QRect Combo::textBoxRect() const
{
    const int height = qMax(TxtData->sizeHint().height(), fontMetrics().height() + 2);
    const int boxHeight = qMin(height, theme::BoxHeight - 4);
    return QRect(leftWidth(), (theme::BoxHeight - boxHeight) / 2,
                 qMax(0, width() - leftWidth() - theme::ComboTextRightReserve), boxHeight);
}

void Combo::layoutPieces()
{
    SkinnedTextBox::layoutPieces();
    const QRect text = textBoxRect();
    mPanel->setGeometry(text);
    mDrop->move(width() - endCapWidth() - mDrop->width(), (theme::BoxHeight - mDrop->height()) / 2);
    mDrop->raise();
}

void Combo::ensureCrumb(int index)
{
    while (mLabels.size() <= index) {
        auto *label = new CrumbLabel(mPanel);
        label->setAutoFillBackground(true);
        label->setContentsMargins(theme::CrumbPadding, 0, theme::CrumbPadding, 0);
        label->setAlignment(Qt::AlignCenter);
        label->hide();
        const int at = int(mLabels.size());
        connect(label, &CrumbLabel::clicked, this, [this, at] { setText(mLabels[at]->Tag); });
        mLabels << label;
        auto *arrow = new QLabel(mPanel);
        arrow->setPixmap(QPixmap::fromImage(mArrow));
        arrow->adjustSize();
        arrow->hide();
        mArrows << arrow;
    }
}

bool Combo::ControlIsExist(int index) const
{
    return index >= 0 && index < mLabels.size();
}

void Combo::DrawPath(const QString &path)
{
    for (int i = 1; i < mLabels.size(); ++i) {
        mLabels[i]->hide();
        mArrows[i]->hide();
    }
    if (path.isEmpty()) {
        mLabels[0]->hide();
        mArrows[0]->hide();
        return;
    }
    QStringList parts = path.split(QLatin1Char('/'));
    // A folder path ends with "/"; one typed without it still shows its last folder.
    if (!path.endsWith(QLatin1Char('/')))
        parts << QString();
    const auto setBackground = [](QLabel *label, const QColor &colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, colour);
        label->setPalette(palette);
    };
    int shown = 0;
    QString tag;
    int x = 0;
    const int panelHeight = mPanel->height();
    for (int j = 0; j + 1 < parts.size(); ++j) {
        const QString &part = parts[j];
        // Doubled separators give no folder; the root is shown as "/".
        if (part.isEmpty() && j > 0)
            continue;
        tag += part + QLatin1Char('/');
        ensureCrumb(shown);
        CrumbLabel *label = mLabels[shown];
        SetPlainText(label, part.isEmpty() ? QStringLiteral("/") : part);
        label->Tag = tag;
        setBackground(label, theme::TextBoxBack);
        label->adjustSize();
        label->setGeometry(x, 0, label->width(), panelHeight);
        label->show();
        x += label->width() + theme::CrumbGap;
        QLabel *arrow = mArrows[shown];
        arrow->move(x, (panelHeight - arrow->height()) / 2);
        x += arrow->width() + theme::CrumbGap;
        ++shown;
    }
    if (shown == 0) {
        mLabels[0]->hide();
        mArrows[0]->hide();
        return;
    }
    // An arrow between neighbours, and always one after the first label.
    for (int j = 0; j < shown; ++j)
        mArrows[j]->setVisible(j == 0 || j + 1 < shown);
    setBackground(mLabels[shown - 1], theme::CrumbCurrent);
}

void Combo::setText(const QString &text)
{
    SkinnedTextBox::setText(text);
    if (mStyle == 1)
        DrawPath(text);
}

void Combo::setStyle(int style)
{
    if (style == 0)
        editMode();
    else
        breadcrumbMode();
}

void Combo::editMode()
{
    mStyle = 0;
    mPanel->hide();
    TxtData->show();
    TxtData->setFocus();
    TxtData->selectAll();
}

void Combo::breadcrumbMode()
{
    mStyle = 1;
    TxtData->hide();
    mPanel->show();
    mPanel->raise();
    mDrop->raise();
}

void Combo::middleClicked()
{
    editMode();
}

void Combo::setListIndex(int index)
{
    Combo1->setCurrentIndex(index);
    if (index >= 0 && index < Combo1->count()) {
        SkinnedTextBox::setText(Combo1->itemText(index));
        DrawPath(Combo1->itemText(index));
    }
}

void Combo::entryChosen(int index)
{
    if (index < 0 || index >= Combo1->count())
        return;
    const QString entry = Combo1->itemText(index);
    SkinnedTextBox::setText(entry);
    breadcrumbMode();
    DrawPath(entry);
    mDrop->ShowPicture(0);
    emit Click();
}

void Combo::dropPressed()
{
    mDrop->ShowPicture(2);
    OpenCombo(Combo1);
    Combo1->setFocus();
    mDrop->ShowPicture(0);
}

void Combo::ResetPic()
{
    SkinnedTextBox::ResetPic();
    if (mDrop)
        mDrop->ShowPicture(isEnabled() ? 0 : 3);
}

void Combo::changeEvent(QEvent *event)
{
    SkinnedTextBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        TxtData->setEnabled(isEnabled());
        if (isEnabled())
            ResetPic();
        else
            mDrop->ShowPicture(3);
    }
}

bool Combo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TxtData && event->type() == QEvent::FocusOut)
        breadcrumbMode();
    if (watched == mPanel) {
        if (event->type() == QEvent::MouseButtonPress
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            editMode();
        if (event->type() == QEvent::MouseMove) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            emit MouseMove(ButtonCode(mouse->buttons()), ShiftCode(mouse->modifiers()), float(mouse->position().x()),
                           float(mouse->position().y()));
        }
    }
    return SkinnedTextBox::eventFilter(watched, event);
}

} // namespace mv
