#pragma once

// Pixel assertions for rendered pictures. A failed check writes the picture beside the
// test executable (failed-<test>-<tag>.png) so that it can be looked at.

#include "imaging/metafile/metafile.h"

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QString>
#include <QTest>

#include <cstdlib>

namespace mv::test {

// Expected colours; None is a pixel left transparent.
inline const QColor QRed(255, 0, 0), QBlue(0, 0, 255), QGreen(0, 255, 0), QWhite(255, 255, 255), QBlack(0, 0, 0),
    None(0, 0, 0, 0);

// The picture drawn into size; why the player stopped early goes to the log.
inline QImage render(const QByteArray &data, QSize size = QSize(100, 100))
{
    const MetafileRender r = RenderMetafileReport(data, size);
    if (!r.problem.isEmpty())
        qWarning("drawing stopped: %s", qPrintable(r.problem));
    return r.image;
}

inline bool colorNear(QRgb actual, QColor expected, int tolerance)
{
    if (expected.alpha() == 0)
        return qAlpha(actual) <= tolerance / 2;
    return std::abs(qRed(actual) - expected.red()) <= tolerance && std::abs(qGreen(actual) - expected.green()) <= tolerance
        && std::abs(qBlue(actual) - expected.blue()) <= tolerance && std::abs(qAlpha(actual) - expected.alpha()) <= tolerance;
}

inline QString savedFailure(const QImage &image)
{
    QString name = QStringLiteral("failed-%1").arg(QString::fromLatin1(QTest::currentTestFunction()));
    if (QTest::currentDataTag())
        name += QLatin1Char('-') + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
    const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name + QStringLiteral(".png");
    image.save(path);
    return path;
}

inline QString describePixel(const QImage &image, int x, int y, QColor expected)
{
    const QRgb a = image.valid(x, y) ? image.pixel(x, y) : 0;
    return QStringLiteral("pixel (%1,%2) is rgba(%3,%4,%5,%6), expected rgba(%7,%8,%9,%10); picture: %11")
        .arg(x).arg(y).arg(qRed(a)).arg(qGreen(a)).arg(qBlue(a)).arg(qAlpha(a))
        .arg(expected.red()).arg(expected.green()).arg(expected.blue()).arg(expected.alpha())
        .arg(savedFailure(image));
}

// Dark pixels (text, lines) inside a rectangle.
inline int darkPixels(const QImage &image, QRect area)
{
    int n = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) > 128 && qGray(p) < 100)
                ++n;
        }
    }
    return n;
}

// The rectangle around all pixels that are not transparent.
inline QRect paintedArea(const QImage &image)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 64)
                r |= QRect(x, y, 1, 1);
        }
    }
    return r;
}

} // namespace mv::test

#define MV_EXPECT_PIXEL_TOL(image, x, y, color, tol)                                                          \
    QVERIFY2(!(image).isNull() && (image).valid((x), (y)) && mv::test::colorNear((image).pixel((x), (y)), QColor(color), (tol)), \
             qPrintable(mv::test::describePixel((image), (x), (y), QColor(color))))
#define MV_EXPECT_PIXEL(image, x, y, color) MV_EXPECT_PIXEL_TOL(image, x, y, color, 40)
