#pragma once

#include <QColor>
#include <QWidget>

namespace mv {

// A container framed by four one-pixel lines; disabling it disables what it holds.
class Box : public QWidget
{
    Q_OBJECT
public:
    explicit Box(QWidget *parent = nullptr);

    QColor BackColor() const { return mBackColor; }
    void setBackColor(const QColor &colour);
    QColor LineColor() const { return mLineColor; }
    void setLineColor(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor mBackColor;
    QColor mLineColor;
};

} // namespace mv
