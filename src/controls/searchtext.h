#pragma once

#include "controls/skinnedtextbox.h"

namespace mv {

// The hint the search box shows while it holds nothing.
inline const QString SearchHint = QStringLiteral("搜索文件");

// The skinned one-line search box: a click on its frame selects its text, and leaving it
// empty puts the hint back.
class SearchText : public SkinnedTextBox
{
    Q_OBJECT
public:
    explicit SearchText(QWidget *parent = nullptr);

protected:
    QRect textBoxRect() const override;
    void middleClicked() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace mv
