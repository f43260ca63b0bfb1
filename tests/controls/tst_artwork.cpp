// The program's own pictures: each one is there, at the size its control or window needs,
// and the strips divide into whole frames.

#include "controls/command.h"
#include "controls/flatcmd.h"
#include "controls/theme.h"
#include "controls/uipictures.h"
#include "testutil.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

using namespace mv;

class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        for (const char *icon : {"zoom_in", "zoom_out", "actual_size", "best_fit", "previous", "next", "turn_left",
                                 "turn_right", "slide_show", "delete", "print", "save"})
            QTest::newRow(icon) << QStringLiteral("toolbar/") + QLatin1String(icon) << QSize(20, 20);
        QTest::newRow("toolbar skin") << "toolbar/skin" << QSize(3 * 28, 28);
        QTest::newRow("history back") << "browser/history_back" << QSize(4 * 29, 29);
        QTest::newRow("history") << "browser/history" << QSize(4 * 29, 29);
        QTest::newRow("association") << "browser/association" << QSize(4 * 26, 26);
        QTest::newRow("favourite star") << "browser/fav_star" << QSize(6 * 29, 29);
        QTest::newRow("recursive") << "browser/recursive" << QSize(6 * 29, 29);
        QTest::newRow("search") << "browser/search" << QSize(6 * 29, 27);
        QTest::newRow("favourites header") << "browser/fav_header" << QSize(4 * 233, 20);
        QTest::newRow("caption button") << "browser/caption_button" << QSize(4 * 80, 24);
        QTest::newRow("pause") << "slideshow/pause" << QSize(4 * 36, 36);
        QTest::newRow("play") << "slideshow/play" << QSize(4 * 36, 36);
        QTest::newRow("close") << "slideshow/close" << QSize(4 * 36, 36);
        QTest::newRow("interval up") << "slideshow/interval_up" << QSize(4 * 18, 13);
        QTest::newRow("interval down") << "slideshow/interval_down" << QSize(4 * 18, 13);
        for (const char *piece : {"combo_left", "combo_middle", "combo_end", "search_middle", "search_end",
                                  "drop_normal", "drop_hover", "drop_pressed", "drop_disabled"})
            QTest::newRow(piece) << QStringLiteral("box/") + QLatin1String(piece) << QSize(-1, 27);
        QTest::newRow("crumb arrow") << "box/crumb_arrow" << QSize(7, 11);
        QTest::newRow("cannot display") << "pictures/cannot_display" << QSize(204, 198);
        QTest::newRow("placeholder") << "pictures/placeholder" << QSize(50, 39);
        QTest::newRow("folder") << "icons/folder" << QSize(32, 32);
        QTest::newRow("small folder") << "icons/folder_small" << QSize(16, 16);
        QTest::newRow("computer") << "icons/computer" << QSize(16, 16);
        QTest::newRow("window icon") << "icons/mirovale" << QSize(48, 48);
        QTest::newRow("small icon") << "icons/small_icon" << QSize(16, 16);
        QTest::newRow("bitmap family") << "types/bitmap" << QSize(48, 48);
        QTest::newRow("JPEG family") << "types/jpeg" << QSize(48, 48);
        QTest::newRow("TIFF family") << "types/tiff" << QSize(48, 48);
    }

    void sizes()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image = UiImage(name);
        QVERIFY2(!image.isNull(), qPrintable(name));
        if (size.width() > 0)
            QCOMPARE(image.size(), size);
        else
            QCOMPARE(image.height(), size.height());
        // Something is drawn: not one flat colour.
        const QRgb first = image.pixel(0, 0);
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; ++y)
            for (int x = 0; x < image.width() && !varied; ++x)
                varied = image.pixel(x, y) != first;
        QVERIFY(varied || image.width() <= 4);
    }

    // The placeholder goes through the codec layer from memory: a plain bitmap file.
    void placeholderIsABitmap()
    {
        QFile file(QStringLiteral(":/ui/pictures/placeholder.bmp"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("BM"));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.read().size(), QSize(50, 39));
    }

    // The skin's corners carry the key colour, crisp, so the window shows through there.
    void skinCorners()
    {
        const QImage skin = UiImage(QStringLiteral("toolbar/skin"));
        for (int slice = 0; slice < 3; ++slice) {
            const int x = slice * 28;
            for (const QPoint p : {QPoint(x, 0), QPoint(x + 27, 0), QPoint(x, 27), QPoint(x + 27, 27)})
                QCOMPARE(skin.pixelColor(p), theme::KeyColour);
            QVERIFY(skin.pixelColor(x + 14, 14) != theme::KeyColour);
        }
    }

    void buttonsTakeTheirSizeFromTheArt()
    {
        FlatCmd flat;
        flat.setChecked(true);
        flat.setPictureBG(UiImage(QStringLiteral("toolbar/skin")));
        QCOMPARE(flat.size(), theme::ToolbarButton);
        Command star;
        star.setCheck(true);
        star.setPicture(UiImage(QStringLiteral("browser/fav_star")));
        QCOMPARE(star.size(), QSize(29, 29));
        Command search;
        search.setCheck(true);
        search.setPicture(UiImage(QStringLiteral("browser/search")));
        QCOMPARE(search.size(), QSize(29, 27));
        Command header;
        header.setPicture(UiImage(QStringLiteral("browser/fav_header")));
        QCOMPARE(header.size(), QSize(233, 20));
    }

    void iconsCarryTheirOwnSize()
    {
        const QIcon icon = UiIcon(QStringLiteral("toolbar/zoom_in"));
        QVERIFY(!icon.isNull());
        FlatCmd flat;
        flat.setPicture(icon);
        QCOMPARE(flat.OriginalPicSizeW(), 20);
        QCOMPARE(flat.OriginalPicSizeH(), 20);
        QVERIFY(UiIcon(QStringLiteral("no/such")).isNull());
        QVERIFY(UiImage(QStringLiteral("no/such")).isNull());
    }
};

MV_TEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
