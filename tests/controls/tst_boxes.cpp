// Combo (breadcrumbs, modes, drop-down), SearchText (hint) and the favourites rows.

#include "controls/combo.h"
#include "controls/mdrawlist.h"
#include "controls/searchtext.h"
#include "controls/theme.h"
#include "controls/uipictures.h"
#include "testutil.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSignalSpy>

using namespace mv;

namespace {

struct Stage {
    QWidget window;
    QLineEdit *elsewhere = nullptr;
    Stage()
    {
        window.resize(500, 300);
        elsewhere = new QLineEdit(&window);
        elsewhere->setGeometry(10, 250, 100, 20);
    }
    void show()
    {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

Combo *pathBox(QWidget *parent)
{
    auto *combo = new Combo(parent);
    combo->setGeometry(10, 10, 400, 27);
    return combo;
}

QStringList shownTexts(const Combo *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->LabelCount(); ++i)
        if (!combo->Label(i)->isHidden())
            texts << combo->Label(i)->text();
    return texts;
}

} // namespace

class TestBoxes : public QObject
{
    Q_OBJECT

private slots:
    void drawPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<QList<bool>>("arrows");
        QTest::newRow("root") << "/" << QStringList{"/"} << QStringList{"/"} << QList<bool>{true};
        QTest::newRow("three folders") << "/home/photos/2006/" << QStringList{"/", "home", "photos", "2006"}
                                       << QStringList{"/", "/home/", "/home/photos/", "/home/photos/2006/"}
                                       << QList<bool>{true, true, true, false};
        QTest::newRow("desktop label") << "|我的桌面/相片/" << QStringList{"|我的桌面", "相片"}
                                       << QStringList{"|我的桌面/", "|我的桌面/相片/"} << QList<bool>{true, false};
        QTest::newRow("one folder") << "/home/" << QStringList{"/", "home"} << QStringList{"/", "/home/"}
                                    << QList<bool>{true, false};
        QTest::newRow("doubled separator") << "/home//x/" << QStringList{"/", "home", "x"}
                                           << QStringList{"/", "/home/", "/home/x/"} << QList<bool>{true, true, false};
        QTest::newRow("typed without end") << "/home/x" << QStringList{"/", "home", "x"}
                                           << QStringList{"/", "/home/", "/home/x/"} << QList<bool>{true, true, false};
        QTest::newRow("empty") << "" << QStringList{} << QStringList{} << QList<bool>{};
    }

    void drawPath()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, tags);
        QFETCH(QList<bool>, arrows);
        QWidget window;
        Combo *combo = pathBox(&window);
        combo->DrawPath(path);
        QCOMPARE(shownTexts(combo), labels);
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(combo->Label(i)->Tag, tags[i]);
            QCOMPARE(!combo->Arrow(i)->isHidden(), arrows[i]);
            const QColor expected = i + 1 == labels.size() ? theme::CrumbCurrent : theme::TextBoxBack;
            QCOMPARE(combo->Label(i)->palette().color(QPalette::Window), expected);
            if (i > 0) {
                const QRect left = combo->Label(i - 1)->geometry();
                const QRect arrow = combo->Arrow(i - 1)->geometry();
                QCOMPARE(arrow.left(), left.left() + left.width() + 2);
                QCOMPARE(combo->Label(i)->x(), arrow.left() + arrow.width() + 2);
            }
        }
        if (labels.isEmpty())
            QVERIFY(combo->Arrow(0)->isHidden());
    }

    void crumbsGrowAndHide()
    {
        QWidget window;
        Combo *combo = pathBox(&window);
        QVERIFY(combo->ControlIsExist(0));
        QVERIFY(!combo->ControlIsExist(1));
        combo->DrawPath(QStringLiteral("/a/b/c/d/e/"));
        QCOMPARE(combo->LabelCount(), 6);
        QVERIFY(combo->ControlIsExist(5));
        combo->DrawPath(QStringLiteral("/a/"));
        QCOMPARE(combo->LabelCount(), 6);
        QCOMPARE(shownTexts(combo), (QStringList{"/", "a"}));
        for (int i = 2; i < 6; ++i) {
            QVERIFY(combo->Label(i)->isHidden());
            QVERIFY(combo->Arrow(i)->isHidden());
        }
        QVERIFY(combo->Arrow(1)->isHidden());
    }

    // A click on a folder name goes up to that folder.
    void clickingAFolderName()
    {
        Stage stage;
        Combo *combo = pathBox(&stage.window);
        stage.show();
        QCOMPARE(combo->Style(), 0);
        combo->setStyle(1);
        combo->setText(QStringLiteral("/home/photos/2006/"));
        QCOMPARE(combo->Style(), 1);
        QSignalSpy change(combo, &SkinnedTextBox::Change);
        QTest::mouseClick(combo->Label(2), Qt::LeftButton);
        QCOMPARE(combo->Text(), QStringLiteral("/home/photos/"));
        QCOMPARE(change.count(), 1);
        QCOMPARE(shownTexts(combo), (QStringList{"/", "home", "photos"}));
        QCOMPARE(combo->Style(), 1);
    }

    void editAndBreadcrumbModes()
    {
        Stage stage;
        Combo *combo = pathBox(&stage.window);
        stage.show();
        combo->setStyle(1);
        combo->setText(QStringLiteral("/home/"));
        QVERIFY(combo->TxtData->isHidden());
        QVERIFY(combo->Panel()->isVisible());
        // A click on the empty part of the breadcrumbs starts editing.
        QTest::mouseClick(combo->Panel(), Qt::LeftButton, Qt::NoModifier, QPoint(combo->Panel()->width() - 5, 5));
        QCOMPARE(combo->Style(), 0);
        QVERIFY(combo->TxtData->isVisible());
        QVERIFY(combo->Panel()->isHidden());
        QTRY_VERIFY(combo->TxtData->hasFocus());
        QCOMPARE(combo->TxtData->selectedText(), QStringLiteral("/home/"));
        // Typing does not touch the breadcrumbs.
        combo->TxtData->setText(QStringLiteral("/usr/share/"));
        QCOMPARE(shownTexts(combo), (QStringList{"/", "home"}));
        stage.elsewhere->setFocus();
        QTRY_COMPARE(combo->Style(), 1);
        QVERIFY(combo->TxtData->isHidden());
        // A click on the middle picture edits too.
        QTest::mouseClick(combo, Qt::LeftButton, Qt::NoModifier, QPoint(combo->width() - 30, 2));
        QCOMPARE(combo->Style(), 0);
    }

    void dropButton()
    {
        Stage stage;
        Combo *combo = pathBox(&stage.window);
        combo->AddItem(QStringLiteral("/home/"));
        combo->AddItem(QStringLiteral("/tmp/"));
        stage.show();
        DropButton *drop = combo->Drop();
        QCOMPARE(drop->Shown(), 0);
        QTest::mouseMove(drop, QPoint(3, 3));
        QTRY_VERIFY(drop->Hovering());
        QCOMPARE(drop->Shown(), 1);
        QCursor::setPos(stage.window.mapToGlobal(QPoint(480, 280)));
        QTRY_VERIFY(!drop->Hovering());
        QCOMPARE(drop->Shown(), 0);

        QTest::mouseClick(drop, Qt::LeftButton);
        QTRY_VERIFY(combo->Combo1->view()->isVisible());
        QCOMPARE(drop->Shown(), 0);
        QTest::mouseClick(drop, Qt::LeftButton);
        QTRY_VERIFY(!combo->Combo1->view()->isVisible());

        combo->setEnabled(false);
        QCOMPARE(drop->Shown(), 3);
        QVERIFY(!combo->TxtData->isEnabled());
        combo->setEnabled(true);
        QCOMPARE(drop->Shown(), 0);
    }

    void choosingAnEntry()
    {
        Stage stage;
        Combo *combo = pathBox(&stage.window);
        combo->AddItem(QStringLiteral("/home/"));
        combo->AddItem(QStringLiteral("/tmp/cache/"));
        stage.show();
        combo->setStyle(0);
        QSignalSpy click(combo, &SkinnedTextBox::Click);
        QSignalSpy change(combo, &SkinnedTextBox::Change);
        OpenCombo(combo->Combo1);
        QTRY_VERIFY(combo->Combo1->view()->isVisible());
        QAbstractItemView *view = combo->Combo1->view();
        view->setCurrentIndex(view->model()->index(1, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(click.count(), 1);
        QCOMPARE(combo->Text(), QStringLiteral("/tmp/cache/"));
        QCOMPARE(combo->Style(), 1);
        QCOMPARE(shownTexts(combo), (QStringList{"/", "tmp", "cache"}));
        QVERIFY(change.count() >= 1);
        QCOMPARE(combo->Drop()->Shown(), 0);
    }

    void listIndex()
    {
        QWidget window;
        Combo *combo = pathBox(&window);
        QSignalSpy change(combo, &SkinnedTextBox::Change);
        // Filling the list selects nothing and changes nothing.
        combo->AddItem(QStringLiteral("/a/"));
        combo->AddItem(QStringLiteral("/b/c/"));
        QCOMPARE(combo->ListCount(), 2);
        QCOMPARE(combo->List(1), QStringLiteral("/b/c/"));
        QCOMPARE(combo->ListIndex(), -1);
        QCOMPARE(combo->Text(), QString());
        QCOMPARE(change.count(), 0);
        QCOMPARE(combo->Style(), 0);
        combo->setListIndex(1);
        QCOMPARE(combo->ListIndex(), 1);
        QCOMPARE(combo->Text(), QStringLiteral("/b/c/"));
        QCOMPARE(shownTexts(combo), (QStringList{"/", "b", "c"}));
        QVERIFY(change.count() >= 1);
        combo->RemoveItem(0);
        combo->RemoveItem(7);
        QCOMPARE(combo->ListCount(), 1);
        QCOMPARE(combo->ListIndex(), 0);
        QCOMPARE(combo->Text(), QStringLiteral("/b/c/"));
        combo->RemoveItem(0);
        QCOMPARE(combo->ListIndex(), -1);
        combo->AddItem(QStringLiteral("/d/"));
        combo->Clear();
        QCOMPARE(combo->ListCount(), 0);
    }

    void layout()
    {
        Stage stage;
        QWidget &window = stage.window;
        Combo *combo = pathBox(&window);
        stage.show();
        combo->resize(241, 40);
        QCOMPARE(combo->height(), 27);
        const int left = UiImage(QStringLiteral("box/combo_left")).width();
        QCOMPARE(combo->TxtData->x(), left);
        QCOMPARE(combo->TxtData->width(), 241 - left - 34);
        QCOMPARE(combo->Drop()->geometry().right() < 241, true);
        QCOMPARE(ListItemHeight(combo->Combo1), 16);
        // A 300-pixel drop-down of 16-pixel rows under the 27-pixel box.
        QCOMPARE(combo->Combo1->maxVisibleItems(), (300 - 27) / 16);
        combo->resize(5, 27);
        QCOMPARE(combo->width(), 27);

        auto *search = new SearchText(&window);
        search->show();
        search->resize(168, 27);
        const int endCap = UiImage(QStringLiteral("box/search_end")).width();
        QCOMPARE(search->TxtData->x(), 3);
        QCOMPARE(search->TxtData->width(), 168 - endCap - 19);
    }

    void textBoxEvents()
    {
        Stage stage;
        auto *search = new SearchText(&stage.window);
        search->setGeometry(10, 60, 168, 27);
        stage.show();
        QSignalSpy click(search, &SkinnedTextBox::Click);
        QSignalSpy down(search, &SkinnedTextBox::MouseDown);
        QSignalSpy change(search, &SkinnedTextBox::Change);
        QTest::mouseClick(search->TxtData, Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 4));
        QCOMPARE(click.count(), 1);
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][1].toInt(), 1);
        QTest::keyClicks(search->TxtData, QStringLiteral("ab"));
        QCOMPARE(change.count(), 2);
    }

    void searchHint_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("left empty") << "" << "搜索文件";
        QTest::newRow("left with text") << "cat" << "cat";
    }

    void searchHint()
    {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        Stage stage;
        auto *search = new SearchText(&stage.window);
        search->setGeometry(10, 60, 168, 27);
        search->setText(SearchHint);
        stage.show();
        QCOMPARE(search->ForeColor(), QColor(128, 128, 128));
        // A click on the frame selects the whole text.
        QTest::mouseClick(search, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QTRY_VERIFY(search->TxtData->hasFocus());
        QCOMPARE(search->TxtData->selectedText(), SearchHint);
        search->TxtData->setText(typed);
        stage.elsewhere->setFocus();
        QTRY_VERIFY(!search->TxtData->hasFocus());
        QCOMPARE(search->Text(), after);
    }

    void favouriteRows()
    {
        QWidget window;
        auto *list = new QListWidget(&window);
        list->setGeometry(0, 0, 233, 160);
        list->setFrameShape(QFrame::NoFrame);
        for (int i = 0; i < 6; ++i)
            list->addItem(QStringLiteral("收藏 %1").arg(i));
        QAbstractItemDelegate *original = list->itemDelegate();
        SetListItemHeight(list, 23);
        QAbstractItemDelegate *withHeight = list->itemDelegate();
        HookDrawList(list);
        QCOMPARE(HookedDrawList(), list);
        QCOMPARE(ListItemHeight(list), 23);
        const QImage image = list->viewport()->grab().toImage();
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(list->visualItemRect(list->item(row)).height(), 23);
            const QColor expected = row % 2 == 0 ? theme::FavEven : theme::FavOdd;
            QCOMPARE(image.pixelColor(2, row * 23 + 2), expected);
            QCOMPARE(image.pixelColor(200, row * 23 + 20), expected);
        }
        // The text starts 5 pixels in and 5 down.
        bool textSeen = false;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool ink = image.pixelColor(x, y) != theme::FavEven;
                if (ink) {
                    QVERIFY(x >= 5 && y >= 5);
                    textSeen = true;
                }
            }
        QVERIFY(textSeen);
        UnhookDrawList();
        QCOMPARE(list->itemDelegate(), withHeight);
        QVERIFY(HookedDrawList() == nullptr);
        QVERIFY(original != withHeight);
    }

    void focusedRow()
    {
        QListWidget list;
        list.addItem(QStringLiteral("甲"));
        FavRowDelegate rows(23, nullptr);
        QImage image(100, 23, QImage::Format_RGB32);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.font = list.font();
        option.state = QStyle::State_Enabled | QStyle::State_HasFocus;
        {
            QPainter painter(&image);
            rows.paint(&painter, option, list.model()->index(0, 0));
        }
        QCOMPARE(image.pixelColor(2, 2), theme::FavFocus);
        bool black = false;
        for (int y = 5; y < 23; ++y)
            for (int x = 5; x < 30; ++x)
                black = black || qGray(image.pixel(x, y)) < 50;
        QVERIFY(black);
        QCOMPARE(rows.sizeHint(option, list.model()->index(0, 0)).height(), 23);
    }

    void oneHookAtATime()
    {
        QListWidget first;
        QListWidget second;
        QAbstractItemDelegate *firstOwn = first.itemDelegate();
        HookDrawList(&first);
        QVERIFY(qobject_cast<FavRowDelegate *>(first.itemDelegate()));
        HookDrawList(&second);
        QCOMPARE(first.itemDelegate(), firstOwn);
        QVERIFY(qobject_cast<FavRowDelegate *>(second.itemDelegate()));
        UnhookDrawList();
        QVERIFY(!qobject_cast<FavRowDelegate *>(second.itemDelegate()));
        UnhookDrawList();
    }
};

MV_TEST_MAIN(TestBoxes)
#include "tst_boxes.moc"
