#include "fixtures.h"

#include "emfpluswriter.h"
#include "metafilewriter.h"

#include <QImage>

namespace mv::test {

namespace {

QImage smallPicture()
{
    QImage image(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qRgb(40 * x, 60 * y, 200 - 30 * x));
    return image;
}

} // namespace

QByteArray KitchenSinkEmf()
{
    EmfWriter w(200, 150);
    // State and mapping.
    w.saveDc();
    w.setMapMode(8);
    w.setWindowOrg(0, 0);
    w.setWindowExt(2000, 1500);
    w.setViewportOrg(0, 0);
    w.setViewportExt(200, 150);
    w.setWorldTransform(1, 0, 0, 1, 10, 10);
    w.modifyWorldTransform(1, 0.1f, -0.1f, 1, 0, 0, 2);
    // Objects.
    w.createPen(1, 0x00000001, 0, Rgb(10, 20, 30));
    w.extCreatePen(2, 0x00010007 | 0x200, 30, Rgb(200, 0, 0), {60, 20, 20, 20});
    w.createBrush(3, 2, Rgb(0, 0, 200), 5);
    w.createDibPatternBrush(4, smallPicture());
    w.createFont(5, -120, QStringLiteral("Arial"), 700, true, 300, 0);
    w.createFont(6, 100, QStringLiteral("SimSun"), 400, false, 0, 134);
    w.selectObject(1);
    w.selectObject(3);
    w.setBkMode(2);
    w.setBkColor(Rgb(250, 250, 200));
    w.setTextColor(Rgb(0, 100, 0));
    w.setPolyFillMode(2);
    // Drawing.
    w.rectangle(100, 100, 600, 400);
    w.ellipse(700, 100, 1200, 500);
    w.roundRect(1300, 100, 1900, 500, 200, 100);
    w.polygon({{100, 600}, {500, 600}, {300, 900}});
    w.polygon({{600, 600}, {900, 600}, {750, 900}}, true);
    w.selectObject(2);
    w.polyline({{100, 1000}, {400, 1200}, {700, 1000}});
    w.polyBezier({{800, 1000}, {900, 1300}, {1100, 700}, {1200, 1000}}, true);
    w.polyPolygon({{{1300, 600}, {1600, 600}, {1600, 900}}, {{1400, 700}, {1700, 700}, {1700, 1000}}});
    w.moveTo(100, 1300);
    w.lineTo(500, 1400);
    w.polyDraw({{600, 1300}, {700, 1400}, {800, 1300}, {900, 1400}, {1000, 1300}}, QByteArray("\x06\x02\x04\x04\x05", 5));
    w.arc(45, QRect(1000, 1100, 300, 300), QPoint(1300, 1250), QPoint(1150, 1100));
    w.arc(46, QRect(1400, 1100, 300, 300), QPoint(1700, 1250), QPoint(1550, 1100));
    w.selectObject(4);
    w.arc(47, QRect(1700, 1100, 250, 250), QPoint(1950, 1225), QPoint(1825, 1100));
    w.angleArc(300, 300, 80, 45, 270);
    w.setPixel(5, 5, Rgb(255, 0, 255));
    w.gradientRect(QRect(1500, 1300, 400, 150), Rgb(255, 0, 0), Rgb(0, 0, 255), true);
    // Paths.
    w.beginPath();
    w.moveTo(200, 200);
    w.lineTo(400, 250);
    w.polyBezier({{400, 250}, {500, 300}, {300, 400}, {200, 350}});
    w.closeFigure();
    w.endPath();
    w.strokeAndFillPath();
    w.beginPath();
    w.ellipse(800, 800, 1000, 1000);
    w.endPath();
    w.widenPath();
    w.fillPath();
    // Clipping.
    w.saveDc();
    w.intersectClipRect(0, 0, 1000, 1000);
    w.excludeClipRect(200, 200, 300, 300);
    w.extSelectClipRgn({QRect(10, 10, 50, 50), QRect(70, 10, 50, 50)}, 2);
    w.beginPath();
    w.rectangle(0, 0, 900, 900);
    w.endPath();
    w.selectClipPath(1);
    w.selectObject(Stock(4));
    w.rectangle(0, 0, 2000, 1500);
    w.restoreDc(-1);
    // Text.
    w.selectObject(5);
    w.setTextAlign(6 | 24);
    w.extTextOutW(1000, 300, QStringLiteral("Chart 1"), 2 | 4, QRect(800, 200, 400, 150), {60, 60, 60, 60, 60, 60, 60});
    w.selectObject(6);
    w.setTextAlign(0);
    w.extTextOutA(100, 1400, QByteArray("\xD6\xD0\xCE\xC4 ok"), {50, 50, 50, 50, 40, 40, 40});
    w.extTextOutW(100, 50, QStringLiteral("中文"));
    // Bitmaps.
    const QImage picture = smallPicture();
    w.stretchDiBits(QRect(100, 100, 300, 200), QRect(0, 0, 6, 4), MakeDib(picture, 24));
    w.stretchDiBits(QRect(500, 100, -300, 200), QRect(1, 1, 4, 2), MakeDib(picture, 8));
    w.stretchDiBits(QRect(900, 100, 300, 200), QRect(0, 0, 6, 4), MakeRle8Dib(picture));
    w.bitBlt(QRect(1300, 100, 6, 4), QPoint(0, 0), MakeDib(picture, 32), 0x00660046);
    w.bitBltNoSource(QRect(1300, 300, 200, 200), 0x00F00021);
    w.alphaBlend(QRect(1500, 300, 300, 200), QRect(0, 0, 6, 4), MakeDib(picture, 32), 200, true);
    w.setRop2(7);
    w.rectangle(50, 50, 150, 150);
    w.setRop2(13);
    w.comment(QByteArray("EMF+\x01\x40\x01\x00\x1c\x00\x00\x00\x10\x00\x00\x00\x02\x10\xc0\xdb\x00\x00\x00\x00"
                         "\x60\x00\x00\x00\x60\x00\x00\x00", 32));
    w.deleteObject(1);
    w.deleteObject(4);
    w.restoreDc(-1);
    return w.finish();
}

QByteArray KitchenSinkWmf()
{
    WmfWriter w(QRect(0, 0, 2000, 1500), 1000);
    w.setMapMode(8);
    w.setWindowOrg(0, 0);
    w.setWindowExt(2000, 1500);
    w.saveDc();
    w.createPen(2, 1, Rgb(0, 0, 0));                 // slot 0
    w.createBrush(2, Rgb(0, 128, 0), 3);             // slot 1
    w.createFont(-100, QByteArray("\xCB\xCE\xCC\xE5"), 134, 450); // slot 2
    w.createRegion({QRect(0, 0, 1000, 700), QRect(1000, 700, 1000, 800)}); // slot 3
    w.selectObject(0);
    w.selectObject(1);
    w.selectObject(2);
    w.setBkMode(2);
    w.setBkColor(Rgb(255, 255, 220));
    w.setTextColor(Rgb(100, 0, 0));
    w.setPolyFillMode(1);
    w.rectangle(100, 100, 600, 400);
    w.ellipse(700, 100, 1200, 500);
    w.polygon({{100, 600}, {500, 600}, {300, 900}});
    w.polyPolygon({{{1300, 600}, {1600, 600}, {1600, 900}}, {{1400, 700}, {1700, 700}, {1700, 1000}}});
    w.polyline({{100, 1000}, {400, 1200}, {700, 1000}});
    w.pie(QRect(1300, 100, 400, 400), QPoint(1700, 300), QPoint(1500, 100));
    w.moveTo(100, 1300);
    w.lineTo(600, 1400);
    w.selectClipRegion(3);
    w.intersectClipRect(0, 0, 1800, 1400);
    w.excludeClipRect(100, 100, 200, 200);
    w.textOut(200, 200, QByteArray("\xD6\xD0\xCE\xC4"));
    w.setTextAlign(6);
    w.extTextOut(1000, 1000, QByteArray("Axis 10"), 6, QRect(800, 950, 400, 150), {50, 50, 50, 50, 50, 50, 50});
    const QImage picture = smallPicture();
    w.dibStretchBlt(QRect(100, 100, 300, 200), QRect(0, 0, 6, 4), MakeDib(picture, 24));
    w.stretchDib(QRect(500, 100, 300, 200), QRect(0, 0, 6, 4), MakeDib(picture, 8));
    w.patBlt(QRect(900, 900, 100, 100), 0x00F00021);
    w.restoreDc(-1);
    w.deleteObject(1);
    return w.finish();
}

QByteArray DenseEmf(int shapes)
{
    EmfWriter w(1600, 1000);
    w.setHandles(8);
    w.createFont(1, -14, QStringLiteral("Arial"));
    w.createPen(2, 0, 1, Rgb(60, 60, 60));
    w.extCreatePen(3, 0x00010000 | 0x200 | 0x2000, 3, Rgb(30, 90, 200));
    w.selectObject(1);
    w.setBkMode(1);
    for (int i = 0; i < shapes; ++i) {
        const int x = (i * 37) % 1500, y = (i * 53) % 920;
        const uint32_t color = Rgb((i * 40) % 256, (i * 90) % 256, (i * 150) % 256);
        w.createBrush(4, 0, color);
        w.selectObject(4);
        w.selectObject(2);
        w.rectangle(x, y, x + 60, y + 40);
        w.polygon({{x, y + 70}, {x + 40, y + 50}, {x + 80, y + 75}, {x + 30, y + 80}}, true);
        w.selectObject(3);
        w.polyline({{x, y}, {x + 20, y + 30}, {x + 40, y + 10}, {x + 60, y + 35}, {x + 80, y + 5}}, true);
        w.saveDc();
        w.intersectClipRect(x, y, x + 70, y + 50);
        w.ellipse(x + 10, y + 5, x + 90, y + 45);
        w.restoreDc(-1);
        w.extTextOutW(x + 2, y + 42, QStringLiteral("Q%1").arg(i), 0, QRect(), {8, 8, 8, 8, 8, 8});
        w.deleteObject(4);
    }
    return w.finish();
}

QByteArray KitchenSinkEmfPlus(bool dual)
{
    using namespace plusobject;
    EmfWriter w(200, 150);
    EmfPlusWriter p;
    const auto fallback = [&] {
        p.flush(w);
        if (dual) {
            w.createBrush(1, 0, Rgb(200, 200, 0));
            w.selectObject(1);
            w.rectangle(10, 10, 60, 40);
            w.selectObject(Stock(0));
            w.deleteObject(1);
        }
    };
    p.header(dual);
    p.clear(Argb(0, 0, 0, 0));
    p.setPageTransform(plus::Pixel, 1);
    // Objects of every type, one of them in pieces.
    p.object(0, plus::Brush, SolidBrush(Argb(255, 200, 40, 40)));
    p.object(1, plus::Brush, HatchBrush(5, Argb(255, 0, 0, 0), Argb(128, 255, 255, 0)));
    p.object(2, plus::Brush, LinearGradientBrush(QRectF(0, 0, 100, 20), Argb(255, 255, 0, 0), Argb(255, 0, 0, 255), 1,
                                                 QTransform(0.5, 0.5, -0.5, 0.5, 10, 0),
                                                 {{0.f, Argb(255, 0, 0, 0)}, {0.3f, Argb(255, 0, 255, 0)}, {1.f, Argb(255, 255, 255, 255)}}));
    p.object(3, plus::Brush, PathGradientBrush(QPointF(50, 50), Argb(255, 255, 255, 255),
                                               {{10, 10}, {90, 20}, {80, 90}, {20, 80}}, {Argb(255, 0, 0, 255), Argb(255, 0, 128, 0)}));
    p.object(4, plus::Pen, Pen(2.5f, SolidBrush(Argb(255, 0, 0, 0)), plus::World, 3, {}, 0x14, 2), 3);
    p.object(5, plus::Pen, Pen(1, LinearGradientBrush(QRectF(0, 0, 50, 50), Argb(255, 0, 0, 0), Argb(255, 0, 0, 255)),
                               plus::Pixel, 5, {3, 1, 1, 1}));
    const QByteArray types("\x00\x01\x03\x03\x83", 5);
    p.object(6, plus::Path, Path({{10, 10}, {90, 10}, {90, 60}, {40, 90}, {10, 60}}, types));
    p.object(7, plus::Path, RelativePath({{20, 20}, {120, 20}, {70, 100}}, QByteArray("\x00\x01\x81", 3)));
    p.object(8, plus::Region, Region(RegionCombineNode(3, RegionRectNode(QRectF(0, 0, 120, 80)),
                                                       RegionPathNode(CompressedPath({{30, 30}, {150, 40}, {60, 140}}, QByteArray("\x00\x01\x81", 3)))), 2));
    QImage bitmap(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            bitmap.setPixel(x, y, qRgba(40 * x, 60 * y, 200 - 30 * x, 255 - 20 * y));
    p.object(9, plus::Image, BitmapImage(bitmap), 2);
    p.object(10, plus::Image, PngImage(bitmap));
    p.object(11, plus::Font, Font(12, QStringLiteral("Arial"), plus::Point, 3));
    p.object(12, plus::StringFormat, StringFormat(1, 1, 0x1000));
    p.object(13, plus::Brush, TextureBrush(BitmapImage(bitmap), 3, QTransform::fromScale(3, 3)));
    EmfWriter inner(40, 30);
    inner.createBrush(1, 0, Rgb(0, 120, 0));
    inner.selectObject(1);
    inner.ellipse(0, 0, 40, 30);
    p.object(14, plus::Image, MetafileImage(inner.finish()));
    fallback();
    // Drawing.
    p.fillRects(0, {QRectF(5, 5, 40, 30), QRectF(50, 5, 40, 30)}, false);
    p.fillRects(Argb(255, 10, 20, 30), {QRectF(5, 40, 20, 20)}, true, true);
    p.drawRects(4, {QRectF(100, 5, 40, 30)});
    fallback();
    p.fillPolygon(1, {{10, 100}, {60, 70}, {90, 140}}, false);
    p.fillPolygonRelative(Argb(200, 0, 0, 255), {{100, 100}, {150, 70}, {190, 140}});
    p.drawLines(5, {{10, 145}, {100, 120}, {190, 145}}, true);
    p.fillEllipse(2, QRectF(120, 40, 70, 50), false);
    p.drawEllipse(4, QRectF(120, 40, 70, 50));
    p.fillPie(3, 30, 250, QRectF(20, 60, 60, 60), false);
    p.drawPie(4, -40, 80, QRectF(20, 60, 60, 60));
    p.drawArc(5, 10, 300, QRectF(130, 90, 50, 50));
    fallback();
    p.fillPath(6, 13, false);
    p.drawPath(7, 4);
    p.fillRegion(8, Argb(100, 0, 200, 200));
    p.fillClosedCurve(Argb(255, 250, 120, 0), 0.7f, {{150, 10}, {190, 30}, {170, 60}, {140, 40}});
    p.drawClosedCurve(4, 0.5f, {{150, 10}, {190, 30}, {170, 60}, {140, 40}});
    p.drawCurve(5, 0.5f, {{10, 10}, {50, 50}, {90, 20}, {130, 60}}, 1, 2);
    p.drawBeziers(4, {{10, 140}, {40, 100}, {80, 160}, {110, 130}, {140, 100}, {170, 160}, {195, 130}});
    fallback();
    // State, clipping, containers.
    p.save(1);
    p.translateWorldTransform(10, 5);
    p.rotateWorldTransform(15, true);
    p.scaleWorldTransform(0.9f, 1.1f);
    p.setClipRect(QRectF(0, 0, 150, 120), plus::Replace);
    p.setClipPath(7, plus::Intersect);
    p.setClipRegion(8, plus::Union);
    p.offsetClip(3, -2);
    p.beginContainerNoParams(2);
    p.multiplyWorldTransform(QTransform(1, 0.2, 0, 1, 0, 0), false);
    p.setClipRect(QRectF(20, 20, 60, 60), plus::Exclude);
    p.fillRects(Argb(255, 90, 0, 90), {QRectF(0, 0, 200, 150)});
    p.beginContainer(QRectF(0, 0, 50, 50), QRectF(0, 0, 100, 100), 3);
    p.setClipRect(QRectF(0, 0, 80, 80), plus::Complement);
    p.fillEllipse(Argb(255, 255, 255, 255), QRectF(0, 0, 100, 100));
    p.endContainer(3);
    p.endContainer(2);
    p.restore(1);
    p.resetClip();
    p.setCompositingMode(1);
    p.fillRects(Argb(60, 0, 0, 0), {QRectF(150, 100, 20, 20)});
    p.setCompositingMode(0);
    fallback();
    // Text and images.
    p.drawString(11, Argb(255, 0, 0, 0), 12, QStringLiteral("EMF+ text in a box"), QRectF(10, 10, 120, 40));
    p.drawString(11, 2, 99, QStringLiteral("Near"), QRectF(100, 100, 0, 0), false);
    p.drawDriverString(11, Argb(255, 0, 0, 128), QStringLiteral("AB"), {{20, 120}, {32, 120}});
    p.drawImage(9, QRectF(0, 0, 6, 4), QRectF(140, 100, 50, 40));
    p.drawImage(10, QRectF(1, 1, 4, 2), QRectF(10, 100, 30, 20));
    p.drawImagePoints(9, QRectF(0, 0, 6, 4), {180, 10}, {130, 30}, {190, 60});
    p.drawImage(14, QRectF(0, 0, 40, 30), QRectF(60, 60, 80, 60));
    p.getDc();
    p.flush(w);
    w.createPen(2, 0, 1, Rgb(0, 0, 0));
    w.selectObject(2);
    w.lineTo(200, 150);
    p.fillRects(Argb(255, 0, 0, 0), {QRectF(0, 0, 10, 10)});
    p.endOfFile();
    p.flush(w);
    return w.finish();
}

QByteArray DenseEmfPlus(int shapes)
{
    EmfWriter w(1600, 1000);
    w.setHandles(8);
    w.createFont(1, -14, QStringLiteral("Arial"));
    w.createPen(2, 0, 1, Rgb(60, 60, 60));
    w.extCreatePen(3, 0x00010000 | 0x200 | 0x2000, 3, Rgb(30, 90, 200));
    w.selectObject(1);
    w.setBkMode(1);
    EmfPlusWriter p;
    p.header(true);
    p.object(0, plus::Pen, plusobject::Pen(1, plusobject::SolidBrush(Argb(255, 60, 60, 60)), plus::Pixel));
    p.object(1, plus::Pen, plusobject::Pen(3, plusobject::SolidBrush(Argb(255, 30, 90, 200))));
    p.object(2, plus::Font, plusobject::Font(14, QStringLiteral("Arial")));
    p.flush(w);
    for (int i = 0; i < shapes; ++i) {
        const int x = (i * 37) % 1500, y = (i * 53) % 920;
        const uint32_t color = Rgb((i * 40) % 256, (i * 90) % 256, (i * 150) % 256);
        const uint32_t argb = Argb(255, (i * 40) % 256, (i * 90) % 256, (i * 150) % 256);
        // Each EMF+ drawing, then its fallback.
        p.object(3, plus::Brush, plusobject::SolidBrush(argb));
        p.fillRects(3, {QRectF(x, y, 60, 40)}, false);
        p.drawRects(0, {QRectF(x, y, 60, 40)});
        const QList<QPointF> polygon = {QPointF(x, y + 70), QPointF(x + 40, y + 50), QPointF(x + 80, y + 75), QPointF(x + 30, y + 80)};
        p.fillPolygon(3, polygon, false);
        p.drawLines(0, polygon, true);
        p.flush(w);
        w.createBrush(4, 0, color);
        w.selectObject(4);
        w.selectObject(2);
        w.rectangle(x, y, x + 60, y + 40);
        w.polygon({{x, y + 70}, {x + 40, y + 50}, {x + 80, y + 75}, {x + 30, y + 80}}, true);
        p.drawLines(1, {QPointF(x, y), QPointF(x + 20, y + 30), QPointF(x + 40, y + 10), QPointF(x + 60, y + 35),
                        QPointF(x + 80, y + 5)});
        p.save(1);
        p.setClipRect(QRectF(x, y, 70, 50), plus::Intersect);
        p.fillEllipse(3, QRectF(x + 10, y + 5, 80, 40), false);
        p.drawEllipse(1, QRectF(x + 10, y + 5, 80, 40));
        p.restore(1);
        const QString label = QStringLiteral("Q%1").arg(i);
        QList<QPointF> at;
        for (qsizetype k = 0; k < label.size(); ++k)
            at.append(QPointF(x + 2 + 8 * k, y + 54));
        p.drawDriverString(2, Argb(255, 0, 0, 0), label, at);
        p.flush(w);
        w.selectObject(3);
        w.polyline({{x, y}, {x + 20, y + 30}, {x + 40, y + 10}, {x + 60, y + 35}, {x + 80, y + 5}}, true);
        w.saveDc();
        w.intersectClipRect(x, y, x + 70, y + 50);
        w.ellipse(x + 10, y + 5, x + 90, y + 45);
        w.restoreDc(-1);
        w.extTextOutW(x + 2, y + 42, QStringLiteral("Q%1").arg(i), 0, QRect(), {8, 8, 8, 8, 8, 8});
        w.deleteObject(4);
    }
    p.endOfFile();
    p.flush(w);
    return w.finish();
}

} // namespace mv::test
