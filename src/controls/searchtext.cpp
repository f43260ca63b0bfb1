#include "controls/searchtext.h"

#include "controls/theme.h"
#include "controls/uipictures.h"

#include <QEvent>
#include <QLineEdit>

namespace mv {

SearchText::SearchText(QWidget *parent)
    : SkinnedTextBox(parent)
{
    setForeColor(theme::HintGrey);
    TxtData->installEventFilter(this);
    setFramePictures({}, UiImage(QStringLiteral("box/search_middle")), UiImage(QStringLiteral("box/search_end")));
}

QRect SearchText::textBoxRect() const
{
    const int height = qMin(qMax(TxtData->sizeHint().height(), fontMetrics().height() + 2), theme::BoxHeight - 4);
    return QRect(theme::SearchTextLeft, (theme::BoxHeight - height) / 2,
                 qMax(0, width() - endCapWidth() - theme::SearchTextRightReserve), height);
}

void SearchText::middleClicked()
{
    TxtData->setFocus();
    TxtData->selectAll();
}

bool SearchText::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TxtData && event->type() == QEvent::FocusOut && TxtData->text().isEmpty())
        TxtData->setText(SearchHint);
    return SkinnedTextBox::eventFilter(watched, event);
}

} // namespace mv
