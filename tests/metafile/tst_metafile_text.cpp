// Text of metafiles as its authors saw it: the direction of rotated text under every
// mapping, symbol fonts, metric-compatible faces and recorded advance widths.

#include "imaging/metafile/metafile.h"
#include "metafilewriter.h"
#include "pixelcheck.h"
#include "testutil.h"

using namespace mv;
using namespace mv::test;

namespace {

enum : uint32_t { TaBaseline = 24, MmAnisotropic = 8, MmLoMetric = 2 };

// Where the ink of a picture lies around a point of it.
struct Ink {
    QRect area;
    bool above = false, below = false, left = false, right = false;
};

Ink inkAround(const QImage &image, QPoint at)
{
    Ink ink;
    ink.area = paintedArea(image);
    ink.above = ink.area.bottom() <= at.y() + 2 && ink.area.top() < at.y() - 20;
    ink.below = ink.area.top() >= at.y() - 2 && ink.area.bottom() > at.y() + 20;
    ink.left = ink.area.right() <= at.x() + 2;
    ink.right = ink.area.left() >= at.x() - 2;
    return ink;
}

QString describe(const Ink &ink, const QImage &image)
{
    return QStringLiteral("ink at %1,%2 %3x%4 in %5x%6; picture: %7")
        .arg(ink.area.x()).arg(ink.area.y()).arg(ink.area.width()).arg(ink.area.height())
        .arg(image.width()).arg(image.height()).arg(savedFailure(image));
}

} // namespace

class TestMetafileText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { sandboxHome(); }
    void direction_data();
    void direction();
    void orientationTurnsGlyphsAlone();
    void textOnlyWmfWithoutSize_data();
    void textOnlyWmfWithoutSize();
    void metricCompatibleWidths_data();
    void metricCompatibleWidths();
    void fallbackByPitchAndFamily_data();
    void fallbackByPitchAndFamily();
    void fitsRecordedAdvances();
    void symbolCharacters_data();
    void symbolCharacters();
    void bracketPiecesJoin_data();
    void bracketPiecesJoin();
};

void TestMetafileText::direction_data()
{
    // Each picture maps its reference point to (100, 100) of a 200 x 200 picture.
    QTest::addColumn<int>("mapping");
    QTest::addColumn<int>("graphicsMode");
    QTest::addColumn<int>("escapement");
    QTest::addColumn<bool>("upwards"); // reads bottom to top (else top to bottom)
    QTest::addColumn<bool>("mirrored"); // the letters stand on the other side of the line
    enum { Text, YUpViewport, LoMetric, YUpWorld, BothFlipped, XFlippedWorld };
    // An x-mirrored world mirrors the glyphs where they follow the world (advanced mode),
    // and leaves the line's direction as it was.
    QTest::newRow("x-flipped world, compatible, 90") << int(XFlippedWorld) << 1 << 900 << true << false;
    QTest::newRow("x-flipped world, advanced, 90") << int(XFlippedWorld) << 2 << 900 << true << true;
    for (int mode : {1, 2}) {
        const char *m = mode == 1 ? "compatible" : "advanced";
        QTest::newRow(qPrintable(QStringLiteral("device units, %1, 90").arg(m))) << int(Text) << mode << 900 << true << false;
        QTest::newRow(qPrintable(QStringLiteral("device units, %1, 270").arg(m))) << int(Text) << mode << 2700 << false << false;
        QTest::newRow(qPrintable(QStringLiteral("y-up viewport, %1, 90").arg(m))) << int(YUpViewport) << mode << 900 << true << false;
        QTest::newRow(qPrintable(QStringLiteral("y-up viewport, %1, 270").arg(m))) << int(YUpViewport) << mode << 2700 << false << false;
        QTest::newRow(qPrintable(QStringLiteral("y-up metric, %1, 90").arg(m))) << int(LoMetric) << mode << 900 << true << false;
        QTest::newRow(qPrintable(QStringLiteral("y-up world, %1, 90").arg(m))) << int(YUpWorld) << mode << 900 << true << false;
        QTest::newRow(qPrintable(QStringLiteral("y-up world, %1, -90").arg(m))) << int(YUpWorld) << mode << -900 << false << false;
        QTest::newRow(qPrintable(QStringLiteral("world and page flipped, %1, 90").arg(m))) << int(BothFlipped) << mode << 900 << true << false;
    }
}

void TestMetafileText::direction()
{
    QFETCH(int, mapping);
    QFETCH(int, graphicsMode);
    QFETCH(int, escapement);
    QFETCH(bool, upwards);
    QFETCH(bool, mirrored);
    EmfWriter w(200, 200);
    w.textGraphicsMode = graphicsMode;
    QPoint reference(100, 100);
    int height = -20;
    switch (mapping) {
    case 1: // a chart's own units with y upwards
        w.setMapMode(MmAnisotropic);
        w.setWindowExt(1000, 1000);
        w.setViewportExt(200, -200);
        w.setViewportOrg(0, 200);
        reference = QPoint(500, 500);
        height = -100;
        break;
    case 2: // tenths of a millimetre, y upwards; the writer's device has 1024 pixels in 270.933 mm
        w.setMapMode(MmLoMetric);
        w.setViewportOrg(0, 200);
        reference = QPoint(265, 265);
        height = -53;
        break;
    case 3:
        w.setWorldTransform(1, 0, 0, -1, 0, 200);
        break;
    case 5:
        w.setWorldTransform(-1, 0, 0, 1, 200, 0);
        break;
    case 4:
        w.setMapMode(MmAnisotropic);
        w.setWindowExt(200, 200);
        w.setViewportExt(200, -200);
        w.setViewportOrg(0, 200);
        w.setWorldTransform(1, 0, 0, -1, 0, 200);
        break;
    default:
        break;
    }
    FontSpec font;
    font.height = height;
    font.weight = 700;
    font.escapement = font.orientation = escapement;
    font.face = QStringLiteral("Arial");
    w.createFont(1, font);
    w.selectObject(1);
    w.setBkMode(1);
    w.setTextAlign(TaBaseline);
    w.extTextOutW(reference.x(), reference.y(), QStringLiteral("HHHHH"));
    const QImage img = render(w.finish(), QSize(200, 200));
    const Ink ink = inkAround(img, QPoint(100, 100));
    QVERIFY2(!ink.area.isEmpty(), qPrintable(savedFailure(img)));
    QVERIFY2(ink.area.height() > 2 * ink.area.width(), qPrintable(describe(ink, img)));
    // Upwards, the letters stand on the left of the line; downwards on its right.
    if (upwards)
        QVERIFY2(ink.above && (mirrored ? ink.right : ink.left), qPrintable(describe(ink, img)));
    else
        QVERIFY2(ink.below && (mirrored ? ink.left : ink.right), qPrintable(describe(ink, img)));
}

void TestMetafileText::orientationTurnsGlyphsAlone()
{
    // Advanced mode: a horizontal line (escapement 0) of letters turned a quarter (orientation
    // 90), under a y-up mapping too. Each upright stroke of "IIIII" lies down: the ink is
    // long and flat, above the baseline and no taller than a stroke is wide.
    for (bool yUp : {false, true}) {
        EmfWriter w(300, 100);
        w.textGraphicsMode = 2;
        if (yUp)
            w.setWorldTransform(1, 0, 0, -1, 0, 100);
        FontSpec font;
        font.height = -40;
        font.weight = 700;
        font.orientation = 900;
        font.face = QStringLiteral("Arial");
        w.createFont(1, font);
        w.selectObject(1);
        w.setBkMode(1);
        w.setTextAlign(TaBaseline);
        w.extTextOutW(60, yUp ? 40 : 60, QStringLiteral("IIIII"), 0, QRect(), {40, 40, 40, 40, 40});
        const QImage img = render(w.finish(), QSize(300, 100));
        const QRect ink = paintedArea(img);
        QVERIFY2(ink.width() > 150 && ink.height() < 16 && ink.bottom() <= 62, qPrintable(describe({ink}, img)));
    }
}

void TestMetafileText::textOnlyWmfWithoutSize_data()
{
    QTest::addColumn<QByteArray>("data");
    {
        WmfWriter w;
        w.setBkMode(1);
        w.createFont(-40, QByteArray("Arial"));
        w.selectObject(0);
        w.textOut(500, 300, QByteArray("Hello"));
        QTest::newRow("one line") << w.finish();
    }
    {
        // Right-aligned on its baseline, with the advances given, under a second line.
        WmfWriter w;
        w.setBkMode(1);
        w.createPen(0, 1, 0);               // slot 0, not a font
        w.createFont(-30, QByteArray("Arial")); // slot 1
        w.selectObject(1);
        w.setTextAlign(2 | 24);
        w.extTextOut(900, 400, QByteArray("Total"), 0, QRect(), {20, 20, 20, 20, 20});
        w.setTextAlign(0);
        w.textOut(800, 420, QByteArray("ab"));
        QTest::newRow("aligned, with advances") << w.finish();
    }
}

void TestMetafileText::textOnlyWmfWithoutSize()
{
    QFETCH(QByteArray, data);
    const MetafileInfo info = ReadMetafileInfo(data);
    QVERIFY2(info.error.isEmpty(), qPrintable(info.error));
    QVERIFY(info.pixelSize.width() > 40 && info.pixelSize.height() > 20);
    const QImage img = render(data, info.pixelSize);
    const QRect ink = paintedArea(img);
    QVERIFY2(!ink.isEmpty(), qPrintable(savedFailure(img)));
    // The whole text is inside: no letter cut at an edge of the picture, and the picture
    // not much larger than the text.
    QVERIFY2(ink.top() > 0 && ink.right() < img.width() - 1 && ink.bottom() < img.height() - 1,
             qPrintable(describe({ink}, img)));
    QVERIFY2(ink.width() > img.width() * 3 / 4 && ink.height() > img.height() / 2, qPrintable(describe({ink}, img)));
}

// One line of text in a face, with its pitch and family, drawn 40 pixels to the em.
QImage line(const QString &face, uint8_t pitchAndFamily, const QString &text, const QList<int> &dx = {})
{
    EmfWriter w(400, 60);
    FontSpec font;
    font.height = -40;
    font.face = face;
    font.charset = 0;
    font.pitchAndFamily = pitchAndFamily;
    w.createFont(1, font);
    w.selectObject(1);
    w.setBkMode(1);
    w.extTextOutW(10, 5, text, 0, QRect(), dx);
    return render(w.finish(), QSize(400, 60));
}

void TestMetafileText::metricCompatibleWidths_data()
{
    // The ink of "Hello World" 40 pixels to the em in the recorded faces, from their
    // advance widths less the side bearings at both ends.
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");
    QTest::newRow("Arial") << QStringLiteral("Arial") << 192 << 208;
    QTest::newRow("Times New Roman") << QStringLiteral("Times New Roman") << 189 << 205;
    QTest::newRow("Courier New") << QStringLiteral("Courier New") << 238 << 262;
    QTest::newRow("Helvetica") << QStringLiteral("Helvetica") << 192 << 208;
}

void TestMetafileText::metricCompatibleWidths()
{
    QFETCH(QString, face);
    QFETCH(int, least);
    QFETCH(int, most);
    const QImage img = line(face, 0, QStringLiteral("Hello World"));
    const QRect ink = paintedArea(img);
    QVERIFY2(ink.width() >= least && ink.width() <= most, qPrintable(describe({ink}, img)));
}

void TestMetafileText::fallbackByPitchAndFamily_data()
{
    // A face that is not installed anywhere is drawn like the face of its kind.
    QTest::addColumn<uint8_t>("pitchAndFamily");
    QTest::addColumn<QString>("sameAs");
    QTest::newRow("roman") << uint8_t(0x12) << QStringLiteral("Times New Roman");
    QTest::newRow("swiss") << uint8_t(0x22) << QStringLiteral("Arial");
    QTest::newRow("modern, fixed pitch") << uint8_t(0x31) << QStringLiteral("Courier New");
    QTest::newRow("fixed pitch alone") << uint8_t(0x01) << QStringLiteral("Courier New");
    QTest::newRow("not given") << uint8_t(0x00) << QStringLiteral("Arial");
}

void TestMetafileText::fallbackByPitchAndFamily()
{
    QFETCH(uint8_t, pitchAndFamily);
    QFETCH(QString, sameAs);
    const QString text = QStringLiteral("Quiet Hill 0123");
    const QImage unknown = line(QStringLiteral("Nowhere Installed Face"), pitchAndFamily, text);
    const QImage named = line(sameAs, 0, text);
    QVERIFY2(!paintedArea(unknown).isEmpty(), qPrintable(savedFailure(unknown)));
    QVERIFY2(unknown == named, qPrintable(savedFailure(unknown)));
}

void TestMetafileText::fitsRecordedAdvances()
{
    // Advances of 24 for letters about 38 wide in the drawn face: the letters are narrowed
    // to their places instead of running into each other; wide advances leave them alone.
    const QImage narrow = line(QStringLiteral("Arial"), 0, QStringLiteral("WWWW"), {24, 24, 24, 24});
    const QRect ink = paintedArea(narrow);
    QVERIFY2(ink.width() >= 80 && ink.width() <= 98, qPrintable(describe({ink}, narrow)));
    const QImage wide = line(QStringLiteral("Arial"), 0, QStringLiteral("W"), {200});
    const QImage natural = line(QStringLiteral("Arial"), 0, QStringLiteral("W"));
    QCOMPARE(paintedArea(wide), paintedArea(natural));
}

// One character on a baseline, in a font of the given face and charset, from a wide (W)
// or an 8-bit (A) record.
QImage glyph(const QString &face, uint8_t charset, const QString &wide, const QByteArray &narrow = QByteArray())
{
    EmfWriter w(100, 100);
    FontSpec font;
    font.height = -40;
    font.face = face;
    font.charset = charset;
    w.createFont(1, font);
    w.selectObject(1);
    w.setBkMode(1);
    w.setTextAlign(TaBaseline);
    if (narrow.isEmpty())
        w.extTextOutW(20, 70, wide);
    else
        w.extTextOutA(20, 70, narrow);
    return render(w.finish(), QSize(100, 100));
}

void TestMetafileText::symbolCharacters_data()
{
    // Codes of symbol fonts against the characters they mean, drawn directly in a text face
    // (whose fallback fonts supply the symbol).
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QString>("codes");      // a wide record's text
    QTest::addColumn<QByteArray>("bytes");   // or an 8-bit record's
    QTest::addColumn<QString>("meant");
    QTest::addColumn<QString>("meantFace");
    const QString arial = QStringLiteral("Arial"), symbols = QStringLiteral("Standard Symbols PS");
    QTest::newRow("Wingdings check mark, private-use code") << QStringLiteral("Wingdings") << 2 << QStringLiteral("\uF0FC")
                                                            << QByteArray() << QStringLiteral("\u2714") << arial;
    QTest::newRow("Wingdings check mark, byte") << QStringLiteral("Wingdings") << 2 << QString() << QByteArray("\xFC")
                                                << QStringLiteral("\u2714") << arial;
    QTest::newRow("Wingdings smiling face, not a Greek letter") << QStringLiteral("Wingdings") << 2 << QStringLiteral("J")
                                                                << QByteArray() << QStringLiteral("\u263A") << arial;
    QTest::newRow("Wingdings folder") << QStringLiteral("Wingdings") << 2 << QStringLiteral("\uF030") << QByteArray()
                                      << QString::fromUcs4(U"\U0001F5C0") << arial;
    QTest::newRow("Wingdings bullet arrow") << QStringLiteral("Wingdings") << 2 << QString() << QByteArray("\xD8")
                                            << QStringLiteral("\u2B9A") << arial;
    QTest::newRow("Symbol times sign") << QStringLiteral("Symbol") << 2 << QStringLiteral("\uF0B4") << QByteArray()
                                       << QStringLiteral("\u00D7") << symbols;
    QTest::newRow("Symbol alpha, byte") << QStringLiteral("Symbol") << 2 << QString() << QByteArray("a")
                                        << QStringLiteral("\u03B1") << symbols;
    QTest::newRow("Symbol named with the default charset") << QStringLiteral("Symbol") << 1 << QStringLiteral("p")
                                                           << QByteArray() << QStringLiteral("\u03C0") << symbols;
    QTest::newRow("formula font of the symbol charset") << QStringLiteral("Euclid Math One") << 2
                                                        << QStringLiteral("\uF0A5") << QByteArray()
                                                        << QStringLiteral("\u221E") << symbols;
    QTest::newRow("MT Extra ellipsis") << QStringLiteral("MT Extra") << 2 << QStringLiteral("\uF04C") << QByteArray()
                                       << QStringLiteral("\u22EF") << arial;
}

void TestMetafileText::symbolCharacters()
{
    QFETCH(QString, face);
    QFETCH(int, charset);
    QFETCH(QString, codes);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, meant);
    QFETCH(QString, meantFace);
    const QImage drawn = glyph(face, uint8_t(charset), codes, bytes);
    const QImage expected = glyph(meantFace, 0, meant);
    QVERIFY2(darkPixels(expected, expected.rect()) > 20, qPrintable(savedFailure(expected)));
    QVERIFY2(drawn == expected, qPrintable(savedFailure(drawn)));
}

void TestMetafileText::bracketPiecesJoin_data()
{
    QTest::addColumn<QList<int>>("pieces"); // Symbol codes, top to bottom
    QTest::addColumn<int>("column");        // where the pieces' stem runs
    QTest::newRow("parenthesis") << QList<int>{0xE6, 0xE7, 0xE7, 0xE8} << 24;
    QTest::newRow("bracket") << QList<int>{0xE9, 0xEA, 0xEB} << 24;
    QTest::newRow("brace") << QList<int>{0xEC, 0xEF, 0xED, 0xEF, 0xEE} << 34;
}

void TestMetafileText::bracketPiecesJoin()
{
    // An equation editor's tall bracket: Symbol's pieces one above the other, each a cell
    // (1.2 em: 48 pixels at 40 to the em) below the last. The stem runs unbroken.
    QFETCH(QList<int>, pieces);
    QFETCH(int, column);
    EmfWriter w(100, 300);
    FontSpec font;
    font.height = -40;
    font.face = QStringLiteral("Symbol");
    font.charset = 2;
    w.createFont(1, font);
    w.selectObject(1);
    w.setBkMode(1);
    w.setTextAlign(TaBaseline);
    for (qsizetype i = 0; i < pieces.size(); ++i)
        w.extTextOutW(20, 60 + 48 * int(i), QString(QChar(0xF000 + pieces[i])));
    const QImage img = render(w.finish(), QSize(100, 300));
    int first = -1, last = -1, gaps = 0;
    for (int y = 0; y < img.height(); ++y) {
        bool ink = false;
        for (int x = column - 2; x <= column + 2; ++x)
            ink = ink || qAlpha(img.pixel(x, y)) > 100;
        if (ink) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    for (int y = first; y <= last && first >= 0; ++y) {
        bool ink = false;
        for (int x = column - 2; x <= column + 2; ++x)
            ink = ink || qAlpha(img.pixel(x, y)) > 100;
        gaps += !ink;
    }
    QVERIFY2(first >= 0 && last - first > 48 * (pieces.size() - 1), qPrintable(savedFailure(img)));
    QVERIFY2(gaps == 0, qPrintable(QStringLiteral("%1 empty rows; picture: %2").arg(gaps).arg(savedFailure(img))));
}

MV_TEST_MAIN(TestMetafileText)
#include "tst_metafile_text.moc"
