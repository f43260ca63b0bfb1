// The thumbnail list view: its geometry, the drawing of items (sampled pixels), its methods
// and properties, its events, and the builder filling it with the labels it writes.

#include "../imaging/fixtures.h"
#include "app/paths.h"
#include "controls/theme.h"
#include "controls/ucprogress.h"
#include "imaging/gdiplus.h"
#include "testutil.h"
#include "thumbs/mthumbnail.h"
#include "thumbs/renderahead.h"
#include "thumbs/renderthumbnail.h"
#include "thumbs/thumbcache.h"
#include "thumbs/thumbformat.h"
#include "thumbs/thumbgeometry.h"
#include "thumbs/thumbpanelwidgets.h"
#include "thumbs/ucthumbnailview.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>

using namespace mv;
using namespace mv::test;

namespace {

const QRgb Back = theme::ThumbListBack.rgb();
const QRgb Shadow = theme::EdgeShadow.rgb();
const QRgb Light = theme::EdgeHighlight.rgb();
const QRgb HighlightRgb = theme::Highlight.rgb();

ThumbnailBytes Solid(QSize size, QRgb colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return ThumbnailFromImage(picture);
}

QFont DesignedFont()
{
    QFont font = QApplication::font();
    font.setPointSize(9);
    return font;
}

// A list in a window, set up as the browser sets it up.
struct Fixture {
    QWidget window;
    ucThumbnailView *view = nullptr;
    QPushButton *after = nullptr;

    explicit Fixture(int mode = 0)
    {
        window.setFont(DesignedFont());
        view = new ucThumbnailView(&window);
        view->setGeometry(0, 0, 600, 400);
        after = new QPushButton(QStringLiteral("next"), &window);
        after->setGeometry(0, 410, 80, 25);
        window.resize(620, 450);
        view->Initialize(QString::fromLatin1(SupportedTypes), QStringLiteral("|"), mode, 200, 100, 100, 120);
        view->SetThumbnailSize(170, 127);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    void Add(int n, const QString &prefix = QStringLiteral("/pics/img"))
    {
        view->ItemSetCount(n);
        for (int i = 0; i < n; ++i)
            view->ItemAdd(i, prefix + QString::number(i) + QStringLiteral(".jpg"), 1000 + i, QStringLiteral("d"), 0);
    }
    void SetPicture(int slot, const ThumbnailBytes &bytes)
    {
        view->ThumbnailInfo_SetTBIH(slot, bytes.header);
        view->ThumbnailInfo_SetData(slot, bytes.pixels);
    }
    QRect Cell(int row) const { return view->hWnd()->visualRect(view->hWnd()->model()->index(row, 0)); }
    ThumbItemGeometry Parts(int row) const { return ThumbItemLayout(Cell(row), QSize(170, 127), view->LabelHeight()); }
    QWidget *Port() const { return view->hWnd()->viewport(); }
    QImage Shot() const { return Port()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QRgb At(const QImage &image, QPoint p)
{
    return image.pixel(p) | 0xFF000000u;
}

} // namespace

class TestThumbView : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    quint32 mToken = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QCOMPARE(GdiplusStartup(mToken), GdiplusOk);
    }
    void cleanupTestCase()
    {
        CloseThumbCache();
        WaitForRenderWorkers();
        GdiplusShutdown(mToken);
    }

    void geometry()
    {
        QCOMPARE(ThumbItemSpacing(QSize(170, 127), 12), QSize(184, 167));
        QCOMPARE(LabelHeightFor(9, 96), 12);
        QCOMPARE(LabelHeightFor(9.4, 96), 12);
        QCOMPARE(LabelHeightFor(10.5, 96), 13); // 10.5 rounds half to even, to 10 points: 13.33 pixels
        QCOMPARE(LabelHeightFor(11.5, 96), 16);
        QCOMPARE(ClampThumbnailSize(10, 500), QSize(32, 127));
        QCOMPARE(ClampThumbnailSize(500, 10), QSize(170, 32));
        const ThumbItemGeometry g = ThumbItemLayout(QRect(0, 0, 184, 167), QSize(170, 127), 12);
        QCOMPARE(g.frame, QRect(5, 4, 174, 131));
        QCOMPARE(g.label, QRect(5, 137, 174, 16));
        QCOMPARE(g.rename.topLeft(), QPoint(6, 137));
        QCOMPARE(g.rename.width(), 174);
        QCOMPARE(ThumbPicturePosition(g.frame, QSize(170, 127), QSize(100, 50)), QPoint(5 + 2 + 35, 4 + 2 + 38));
        QCOMPARE(ThumbPicturePosition(g.frame, QSize(170, 127), QSize(170, 127)), QPoint(7, 6));
    }

    // Before Initialize every call does nothing and gives false, 0 or an empty text.
    void beforeInitialize()
    {
        ucThumbnailView view;
        QCOMPARE(view.ThumbnailWidth(), 180);
        QCOMPARE(view.ThumbnailHeight(), 180);
        QVERIFY(!view.ItemAdd(0, QStringLiteral("/a.jpg"), 1, QStringLiteral("d"), 0));
        QVERIFY(!view.Clear());
        QCOMPARE(view.count(), 0);
        QCOMPARE(view.ItemText(0, 0), QString());
        QCOMPARE(view.ItemHitTest(10, 10), -1);
        QCOMPARE(view.hWnd(), nullptr);
        view.SetThumbnailSize(100, 100);
        QCOMPARE(view.ThumbnailWidth(), 180);
        QVERIFY(view.Initialize(QStringLiteral("JPG"), QStringLiteral("|"), 0, 100, 100, 100, 100));
        QVERIFY(!view.Initialize(QStringLiteral("JPG"), QStringLiteral("|"), 0, 100, 100, 100, 100));
    }

    // With the designed font (9 points at 96 dots per inch, 12 pixels) items are 184 x 167.
    void spacingWithDesignedFont()
    {
        Fixture f;
        if (f.view->logicalDpiY() != 96)
            QSKIP("the screen is not at 96 dots per inch");
        QCOMPARE(f.view->LabelHeight(), 12);
        QCOMPARE(f.view->ItemSpacing(), QSize(184, 167));
        f.Add(5);
        QCOMPARE(f.Cell(0).size(), QSize(184, 167));
        QCOMPARE(f.Cell(1).topLeft() - f.Cell(0).topLeft(), QPoint(184, 0));
        // 600 wide less the edge: three to a row, the fourth below the first.
        QCOMPARE(f.Cell(3).topLeft() - f.Cell(0).topLeft(), QPoint(0, 167));
    }

    // The item drawing rules, sampled.
    void drawsItems()
    {
        Fixture f;
        f.Add(5);
        f.SetPicture(0, Solid(QSize(170, 127), qRgb(255, 0, 0)));
        // 1 has no picture yet; 2 is a smaller picture, selected; 3 is 0 x 0.
        f.SetPicture(2, Solid(QSize(100, 50), qRgb(0, 0, 255)));
        f.SetPicture(3, ThumbnailFromImage(QImage()));
        f.view->setItemSelected(2, true);
        QCoreApplication::processEvents();
        const QImage shot = f.Shot();

        const ThumbItemGeometry a = f.Parts(0);
        QCOMPARE(At(shot, a.frame.topLeft()), Shadow);                        // etched: sunken outside
        QCOMPARE(At(shot, a.frame.topLeft() + QPoint(1, 1)), Light);          // raised inside
        QCOMPARE(At(shot, a.frame.bottomRight()), Light);
        QCOMPARE(At(shot, a.frame.bottomRight() - QPoint(1, 1)), Shadow);
        QCOMPARE(At(shot, a.frame.topLeft() + QPoint(2, 2)), qRgb(255, 0, 0));  // unscaled, at F + 2
        QCOMPARE(At(shot, a.frame.topLeft() + QPoint(171, 128)), qRgb(255, 0, 0));
        QCOMPARE(At(shot, f.Cell(0).topLeft()), Back);                         // list background
        QCOMPARE(At(shot, a.label.topLeft()), Back);

        const ThumbItemGeometry b = f.Parts(1);
        QCOMPARE(At(shot, b.frame.topLeft()), Shadow);
        QCOMPARE(At(shot, b.frame.center()), Back); // no picture yet: the frame only

        const ThumbItemGeometry c = f.Parts(2);
        QCOMPARE(At(shot, c.frame.topLeft()), HighlightRgb);
        QCOMPARE(At(shot, c.frame.topLeft() + QPoint(2, 2)), HighlightRgb);
        const QPoint picture = ThumbPicturePosition(c.frame, QSize(170, 127), QSize(100, 50));
        QCOMPARE(picture, c.frame.topLeft() + QPoint(37, 40));
        QCOMPARE(At(shot, picture), qRgb(0, 0, 255));
        QCOMPARE(At(shot, picture + QPoint(99, 49)), qRgb(0, 0, 255));
        QCOMPARE(At(shot, picture - QPoint(1, 0)), HighlightRgb);
        QCOMPARE(At(shot, c.label.topLeft()), HighlightRgb);
        QCOMPARE(At(shot, c.label.bottomRight()), HighlightRgb);

        // "Error!" in the frame, in the button-text colour.
        const ThumbItemGeometry d = f.Parts(3);
        int dark = 0;
        for (int y = d.frame.top() + 2; y < d.frame.bottom() - 1; ++y) {
            for (int x = d.frame.left() + 2; x < d.frame.right() - 1; ++x) {
                const QRgb p = At(shot, QPoint(x, y));
                if (qRed(p) < 80 && qGreen(p) < 80 && qBlue(p) < 80)
                    ++dark;
            }
        }
        QVERIFY2(dark > 10, qPrintable(QString::number(dark)));
        QCOMPARE(At(shot, d.frame.center() + QPoint(0, 30)), Back);

        // The name in RGB(51, 51, 51), nothing darker.
        int named = 0;
        for (int y = a.label.top(); y <= a.label.bottom(); ++y) {
            for (int x = a.label.left(); x <= a.label.right(); ++x) {
                const QRgb p = At(shot, QPoint(x, y));
                QVERIFY(qRed(p) >= 51 && qGreen(p) >= 51 && qBlue(p) >= 51);
                named += p == qRgb(51, 51, 51);
            }
        }
        QVERIFY(named > 5);
    }

    // A name wider than the label ends in an ellipsis; HTML-looking names are drawn as the
    // characters they are.
    void drawsNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("too wide") << "a very long file name that does not fit under the picture at all.jpg";
        QTest::newRow("looks like markup") << "<b>bold<i>&amp;.jpg";
        QTest::newRow("chinese") << "照片 2024.jpg";
    }

    void drawsNames()
    {
        Fixture f;
        const QString name = MV_FETCH(QString, name);
        f.view->ItemSetCount(1);
        f.view->ItemAdd(0, QStringLiteral("/pics/") + name, 1, QStringLiteral("d"), 0);
        QCoreApplication::processEvents();
        const QRect label = f.Parts(0).label;
        const QImage shot = f.Shot().copy(label);

        QImage expected(label.size(), QImage::Format_RGB32);
        expected.fill(Back);
        QPainter painter(&expected);
        painter.setFont(f.view->hWnd()->font());
        painter.setPen(theme::ThumbNameText);
        const QRect inner = QRect(QPoint(0, 0), label.size()).adjusted(2, 0, -2, 0);
        const QString shown = QFontMetrics(f.view->hWnd()->font()).elidedText(name, Qt::ElideRight, inner.width());
        painter.drawText(inner, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, shown);
        painter.end();
        QCOMPARE(shot, expected);
        if (QTest::currentDataTag() == QLatin1String("too wide"))
            QVERIFY(shown.endsWith(QChar(0x2026)));
    }

    // Each item's picture is the slot it was added at, also after others were removed.
    void removedItemsKeepSlots()
    {
        Fixture f;
        f.Add(3);
        f.SetPicture(0, Solid(QSize(170, 127), qRgb(255, 0, 0)));
        f.SetPicture(1, Solid(QSize(170, 127), qRgb(0, 255, 0)));
        f.SetPicture(2, Solid(QSize(170, 127), qRgb(0, 0, 255)));
        f.view->ItemRemove(0);
        QCOMPARE(f.view->count(), 2);
        QCOMPARE(f.view->ItemSlot(0), 1);
        QCoreApplication::processEvents();
        const QImage shot = f.Shot();
        QCOMPARE(At(shot, f.Parts(0).frame.center()), qRgb(0, 255, 0));
        QCOMPARE(At(shot, f.Parts(1).frame.center()), qRgb(0, 0, 255));
        QByteArray header;
        QVERIFY(f.view->ThumbnailInfo_GetTBIH(0, header)); // slot 0 stays
        QCOMPARE(header, Solid(QSize(170, 127), 0).header);
        QVERIFY(!f.view->ThumbnailInfo_GetTBIH(3, header));
        f.view->ThumbnailInfo_SetTBIH(7, header); // no such slot: ignored
        QVERIFY(f.view->Clear());
        QCOMPARE(f.view->count(), 0);
        QVERIFY(!f.view->ThumbnailInfo_GetTBIH(0, header));
    }

    // Only the pictures drawn last are kept ready to draw; one scrolled back into view is
    // made again from its bytes.
    void picturesMadeAgainAfterScrolling()
    {
        Fixture f;
        const int n = 540;
        f.Add(n);
        const QRgb colours[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        for (int i = 0; i < n; ++i)
            f.SetPicture(i, Solid(QSize(170, 127), colours[i % 3]));
        for (int i = 0; i < n; i += 6) {
            f.view->ItemEnsureVisible(i);
            QCOMPARE(At(f.Shot(), f.Parts(i).frame.center()), colours[i % 3]);
        }
        f.view->ItemEnsureVisible(0);
        const QImage shot = f.Shot();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(At(shot, f.Parts(i).frame.center()), colours[i]);
    }

    // With HideSelection the selection shows only while the list has the focus.
    void hideSelection()
    {
        Fixture f;
        f.Add(2);
        f.view->setItemSelected(1, true);
        f.view->setHideSelection(true);
        f.after->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(At(f.Shot(), f.Parts(1).frame.topLeft()), Shadow);
        f.view->hWnd()->setFocus();
        QTRY_VERIFY(f.view->hWnd()->hasFocus());
        QCOMPARE(At(f.Shot(), f.Parts(1).frame.topLeft()), HighlightRgb);
        f.view->setHideSelection(false);
        f.after->setFocus();
        QCOMPARE(At(f.Shot(), f.Parts(1).frame.topLeft()), HighlightRgb);
    }

    void itemTexts()
    {
        Fixture f;
        f.view->ItemSetCount(3);
        QVERIFY(f.view->ItemAdd(0, QStringLiteral("/p/a.JPG"), 1234567, QStringLiteral("2024/1/2 3:04:05"), 0));
        QVERIFY(f.view->ItemAdd(1, QStringLiteral("/p.d/noext"), 0, QStringLiteral("d"), 3));
        QVERIFY(f.view->ItemAdd(5, QStringLiteral("/p/c.xyz"), 999, QStringLiteral("d"), 0)); // beyond: appended
        QVERIFY(!f.view->ItemAdd(-1, QStringLiteral("/p/x.jpg"), 0, QString(), 0));
        QCOMPARE(f.view->count(), 3);
        QCOMPARE(f.view->ItemText(0, 0), QStringLiteral("/p/a.JPG"));
        QVERIFY(!f.view->ItemText(0, 1).isEmpty()); // the type's name from the MIME database
        QCOMPARE(f.view->ItemText(0, 2), QStringLiteral("1,234,567"));
        QCOMPARE(f.view->ItemText(0, 3), QStringLiteral("2024/1/2 3:04:05"));
        QCOMPARE(f.view->ItemText(0, 4), QStringLiteral("0"));
        QCOMPARE(f.view->ItemText(1, 1), QString()); // no extension: no type
        QCOMPARE(f.view->ItemText(1, 4), QStringLiteral("3"));
        QCOMPARE(f.view->ItemText(2, 1), QString()); // not among the formats
        QCOMPARE(f.view->ItemText(2, 2), QStringLiteral("999"));
        QCOMPARE(f.view->ItemSlot(2), 5);
        f.view->SetItemText(0, QStringLiteral("90"));
        QCOMPARE(f.view->ItemText(0, 4), QStringLiteral("90"));
        QCOMPARE(f.view->ItemText(0, 5), QString());
        const QString longName = QStringLiteral("/p/") + QString(300, QLatin1Char('x')) + QStringLiteral(".jpg");
        f.view->ItemAdd(3, longName, 0, QString(), 0);
        QCOMPARE(f.view->ItemText(3, 0).size(), 260);
        QVERIFY(!f.view->Sort(0));
    }

    void findAndHitTest()
    {
        Fixture f;
        f.Add(4);
        QCOMPARE(f.view->ItemFindText(QStringLiteral("/PICS/IMG2.JPG"), -1, 2), 2);
        QCOMPARE(f.view->ItemFindText(QStringLiteral("/pics/img"), 0, 8 | 2), 1);
        QCOMPARE(f.view->ItemFindText(QStringLiteral("/pics/img1.jpg"), 1, 2), -1);
        QCOMPARE(f.view->ItemFindText(QStringLiteral("/pics/img1.jpg"), 1, 2 | 0x20), 1);
        QCOMPARE(f.view->ItemFindText(QStringLiteral("nothing"), -1, 2), -1);

        f.view->setItemSelected(1, true);
        f.view->setItemSelected(3, true);
        QCOMPARE(f.view->ItemFindState(-1, 2), 1);
        QCOMPARE(f.view->ItemFindState(1, 2), 3);
        QCOMPARE(f.view->ItemFindState(-1, 1), 3); // focused: the last one selected
        QCOMPARE(f.view->ItemFindState(-1, 3), 3);
        QVERIFY(f.view->ItemFocused(3));
        f.view->setItemFocused(0, true);
        QVERIFY(f.view->ItemFocused(0) && !f.view->ItemFocused(3) && f.view->Selected(3));
        f.view->setItemSelected(3, false);
        QVERIFY(!f.view->Selected(3));
        QCOMPARE(f.view->ItemFindState(-1, 2), 1);

        const ThumbItemGeometry g = f.Parts(2);
        QCOMPARE(f.view->ItemHitTest(g.frame.center().x(), g.frame.center().y()), 2);
        QCOMPARE(f.view->ItemHitTest(g.label.center().x(), g.label.center().y()), 2);
        // Between the label and the next row, and between two frames: empty space.
        QCOMPARE(f.view->ItemHitTest(g.label.center().x(), g.label.bottom() + 5), -1);
        QCOMPARE(f.view->ItemHitTest(f.Cell(2).left() + 1, g.frame.center().y()), -1);
    }

    void properties()
    {
        Fixture f;
        f.Add(2);
        QCOMPARE(f.view->BorderStyle(), 1);
        f.view->setBorderStyle(0);
        QCOMPARE(f.view->BorderStyle(), 0);
        f.view->setBorderStyle(7); // ignored
        QCOMPARE(f.view->BorderStyle(), 0);
        QCOMPARE(f.view->ColumnWidth(0), 200);
        QCOMPARE(f.view->ColumnWidth(4), 120); // the rotation column takes the date's width
        f.view->setColumnWidth(1, 77);
        QCOMPARE(f.view->ColumnWidth(1), 77);
        QCOMPARE(f.view->ColumnIcon(2), -1);
        f.view->setColumnIcon(2, 0);
        QCOMPARE(f.view->ColumnIcon(2), 0);
        f.view->setColumnIcon(2, -5);
        QCOMPARE(f.view->ColumnIcon(2), -1);
        f.view->SetThumbnailSize(500, 10);
        QCOMPARE(f.view->ThumbnailWidth(), 170);
        QCOMPARE(f.view->ThumbnailHeight(), 32);
        QCOMPARE(f.view->ItemSpacing(), QSize(184, 36 + f.view->LabelHeight() + 4 + 20));
        f.view->setEnabled(false);
        QVERIFY(!f.view->Enabled() && !f.view->hWnd()->isEnabled());
    }

    // Details mode: the platform's own list with five columns; the background follows the
    // mode; a header change is reported in details mode only.
    void viewModes()
    {
        Fixture f;
        f.Add(2);
        QSignalSpy resized(f.view, &ucThumbnailView::ColumnResize);
        f.view->setColumnWidth(1, 90);
        QCOMPARE(resized.count(), 0);
        QCOMPARE(f.view->ViewMode(), 0);
        f.view->setViewMode(1);
        QCOMPARE(f.view->ViewMode(), 1);
        auto *details = qobject_cast<QTreeView *>(f.view->hWnd());
        QVERIFY(details && details->isVisible());
        QCOMPARE(details->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(details->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Rot"));
        QCOMPARE(details->model()->index(1, 0).data().toString(), QStringLiteral("/pics/img1.jpg"));
        f.view->setColumnWidth(3, 150);
        QCOMPARE(resized.count(), 1);
        QCOMPARE(resized.at(0).at(0).toInt(), 3);
        details->header()->resizeSection(2, 60);
        QCOMPARE(resized.count(), 2);
        // Back to thumbnails: the button face behind them from now on.
        f.view->setViewMode(0);
        QCoreApplication::processEvents();
        QCOMPARE(At(f.Shot(), f.Cell(0).topLeft()), theme::ButtonFace.rgb());
        f.view->setViewMode(5);
        QCOMPARE(f.view->ViewMode(), 0);
    }

    // A click on an item with no state selects it and reports it; keys move it on; clicks on
    // the same item or between items report nothing.
    void itemClick()
    {
        Fixture f;
        f.Add(6);
        QSignalSpy clicks(f.view, &ucThumbnailView::ItemClick);
        QTest::mouseClick(f.Port(), Qt::LeftButton, {}, f.Parts(1).frame.center());
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.takeFirst().at(0).toInt(), 1);
        QTest::mouseClick(f.Port(), Qt::LeftButton, {}, f.Parts(1).label.center());
        QCOMPARE(clicks.count(), 0);
        QTest::keyClick(f.view->hWnd(), Qt::Key_Right);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.takeFirst().at(0).toInt(), 2);
        QTest::mouseClick(f.Port(), Qt::LeftButton, {}, QPoint(f.Cell(2).left() + 1, f.Parts(2).frame.center().y()));
        QCOMPARE(clicks.count(), 0);
        QCOMPARE(f.view->ItemFindState(-1, 2), -1); // empty space clears the selection
        f.view->setItemSelected(4, true);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.takeFirst().at(0).toInt(), 4);
    }

    void doubleAndRightClicks()
    {
        Fixture f;
        f.Add(3);
        QSignalSpy doubles(f.view, &ucThumbnailView::ItemDblClick);
        QSignalSpy rights(f.view, &ucThumbnailView::ItemRightClick);
        QSignalSpy empties(f.view, &ucThumbnailView::ItemRightClick2);
        QTest::mouseDClick(f.Port(), Qt::LeftButton, {}, f.Parts(2).frame.center());
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(doubles.takeFirst().at(0).toInt(), 2);
        QTest::mouseDClick(f.Port(), Qt::RightButton, {}, f.Parts(0).label.center());
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(doubles.takeFirst().at(0).toInt(), 0);
        QTest::mouseDClick(f.Port(), Qt::LeftButton, {}, QPoint(5, 360));
        QCOMPARE(doubles.count(), 0);
        rights.clear();
        empties.clear();
        QTest::mousePress(f.Port(), Qt::RightButton, {}, f.Parts(1).frame.center());
        QTest::mouseRelease(f.Port(), Qt::RightButton, {}, f.Parts(1).frame.center());
        QCOMPARE(rights.count(), 1);
        QCOMPARE(rights.at(0).at(0).toInt(), 1);
        QCOMPARE(empties.count(), 0);
        QTest::mousePress(f.Port(), Qt::RightButton, {}, QPoint(5, 360));
        QCOMPARE(rights.count(), 1);
        QCOMPARE(empties.count(), 1);
    }

    // Renaming: a changed, non-empty name is reported when the box loses the focus (also
    // before a click event); the same name in another case, or nothing, is not.
    void rename_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("reported");
        QTest::newRow("new name") << "holiday.jpg" << true;
        QTest::newRow("other case") << "IMG1.JPG" << false;
        QTest::newRow("emptied") << "" << false;
        QTest::newRow("markup-looking") << "<i>x</i>.jpg" << true;
    }

    void rename()
    {
        Fixture f;
        f.Add(3);
        QStringList events;
        connect(f.view, &ucThumbnailView::ReName, f.view, [&events](const QString &name) { events << QStringLiteral("ReName ") + name; });
        connect(f.view, &ucThumbnailView::ItemClick, f.view, [&events](int item) { events << QStringLiteral("ItemClick %1").arg(item); });
        f.view->ItemReName(1, QStringLiteral("img1.jpg"));
        QLineEdit *box = f.view->Text1();
        QVERIFY(box->isVisible());
        QCOMPARE(box->text(), QStringLiteral("img1.jpg"));
        QCOMPARE(box->selectedText(), QStringLiteral("img1.jpg"));
        const ThumbItemGeometry g = f.Parts(1);
        QCOMPARE(box->geometry().topLeft(), f.Port()->mapTo(f.view, g.rename.topLeft()));
        QCOMPARE(box->width(), f.Cell(1).width() - 10);
        QTRY_VERIFY(box->hasFocus());
        box->setText(MV_FETCH(QString, typed));
        QTest::mouseClick(f.Port(), Qt::LeftButton, {}, f.Parts(2).frame.center());
        QVERIFY(!box->isVisible());
        QCOMPARE(box->text(), QString());
        QStringList expected;
        if (MV_FETCH(bool, reported))
            expected << QStringLiteral("ReName ") + MV_FETCH(QString, typed);
        expected << QStringLiteral("ItemClick 2");
        QCOMPARE(events, expected);
    }

    void renameKeys()
    {
        Fixture f;
        f.Add(2);
        QSignalSpy renamed(f.view, &ucThumbnailView::ReName);
        f.view->ItemReName(0, QStringLiteral("img0.jpg"));
        QTest::keyClicks(f.view->Text1(), QStringLiteral("new.jpg"));
        QTest::keyClick(f.view->Text1(), Qt::Key_Return);
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(renamed.at(0).at(0).toString(), QStringLiteral("new.jpg"));
        f.view->ItemReName(0, QStringLiteral("img0.jpg"));
        QTest::keyClicks(f.view->Text1(), QStringLiteral("other.jpg"));
        QTest::keyClick(f.view->Text1(), Qt::Key_Escape);
        QCOMPARE(renamed.count(), 1);
        QVERIFY(!f.view->Text1()->isVisible());
        QTRY_VERIFY(f.view->hWnd()->hasFocus());
    }

    // Keys released in the list are reported with the shift state; Ctrl+Tab leaves the list.
    void keys()
    {
        Fixture f;
        f.Add(2);
        f.view->setFocus();
        QTRY_VERIFY(f.view->hWnd()->hasFocus()); // the control hands its focus to the list
        QSignalSpy released(f.view, &ucThumbnailView::KeyUp);
        QTest::keyClick(f.view->hWnd(), Qt::Key_Delete);
        QCOMPARE(released.count(), 1);
        QCOMPARE(released.at(0).at(0).toInt(), int(Qt::Key_Delete));
        QCOMPARE(released.at(0).at(1).toInt(), 0);
        QTest::keyClick(f.view->hWnd(), Qt::Key_F2, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(released.at(1).at(1).toInt(), 3);
        QTest::keyClick(f.view->hWnd(), Qt::Key_Tab, Qt::ControlModifier);
        QTRY_VERIFY(f.after->hasFocus());
    }

    // The builder filling the list view, with the labels, the progress bar and the buttons it
    // writes.
    void builderFillsTheView()
    {
        const QString folder = mDir.filePath(QStringLiteral("visit")) + QLatin1Char('/');
        QDir().mkpath(folder);
        QImage red(300, 200, QImage::Format_RGB32);
        red.fill(qRgb(255, 0, 0));
        QVERIFY(WriteBytes(folder + QStringLiteral("a.png"), Encode(red, "png")));
        QVERIFY(WriteBytes(folder + QStringLiteral("b.png"), Encode(Quadrants(80, 40), "png")));
        QVERIFY(WriteBytes(folder + QStringLiteral("c.jpg"), QByteArray("broken")));
        Fixture f;
        QLabel labFolder(QStringLiteral("a rather long folder name"), &f.window);
        labFolder.adjustSize();
        QLabel label2(&f.window), label3(&f.window);
        ucProgress progress(&f.window);
        QPushButton command3(&f.window), command7(&f.window);
        command3.setGeometry(0, 0, 29, 29);
        command7.setGeometry(0, 0, 29, 29);
        QWidget picture2(&f.window);
        picture2.show();
        ThumbPanelWidgets panel;
        panel.Label2 = &label2;
        panel.Label3 = &label3;
        panel.LabFolder = &labFolder;
        panel.Progress = &progress;
        panel.Command3 = &command3;
        panel.Command7 = &command7;
        panel.Picture2 = &picture2;
        panel.TreePathOf = [folder] { return folder; };

        mThumbnail::BuildFolderThumbs(folder, false, *f.view, panel);
        QCOMPARE(f.view->count(), 3);
        QCOMPARE(label2.text(), QStringLiteral("3 张图片"));
        QCOMPARE(label3.text(), QStringLiteral("找到 3 张图片 100%"));
        QCOMPARE(label3.textFormat(), Qt::PlainText);
        QCOMPARE(progress.Max(), 3);
        QCOMPARE(progress.Value(), 0);
        QVERIFY(!picture2.isVisible());
        QCOMPARE(command3.x(), labFolder.x() + labFolder.width() + 10);
        QCOMPARE(command7.x(), command3.x() + command3.width() + 3);
        QCoreApplication::processEvents();
        const QImage shot = f.Shot();
        const QRect placeA = ThumbnailPlacement(QSize(300, 200)).translated(f.Parts(0).frame.topLeft() + QPoint(2, 2));
        QCOMPARE(At(shot, placeA.center()), qRgb(255, 0, 0));
        QCOMPARE(At(shot, placeA.topLeft() - QPoint(0, 1)), qRgb(255, 255, 255));
        // The broken file: the placeholder in the middle of white.
        const QPoint middle = f.Parts(2).frame.topLeft() + QPoint(2, 2);
        QCOMPARE(At(shot, middle + QPoint(10, 10)), qRgb(255, 255, 255));

        QLabel status(&f.window);
        DeleteFolderThumbs(folder, LabelStatus(&status));
        QCOMPARE(status.text(), QStringLiteral("Done"));
    }
};

MV_TEST_MAIN(TestThumbView)
#include "tst_thumbview.moc"
