#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

class QWidget;

namespace mv::gallery {

// A growing contact sheet: rows of labelled cells under section titles.
class Sheet
{
public:
    explicit Sheet(int width);

    void section(const QString &title);
    // Starts a new row whose cells sit on the given background.
    void row(const QString &label, const QColor &background = QColor(255, 255, 255));
    void cell(const QImage &image, const QString &caption = {}, int zoom = 1);
    QImage finish() const;

private:
    void ensureHeight(int bottom);

    QImage mImage;
    int mWidth;
    int mY = 0;
    int mX = 0;
    int mRowHeight = 0;
    QColor mBackground;
};

// The widget as it paints now, over the colour behind it.
QImage shot(QWidget *widget, const QColor &behind);

} // namespace mv::gallery
