// Outside texts (file and folder names, paths) shown as plain text: the message boxes of
// the seam, the breadcrumbs, tool tips, window titles and action texts.

#include "app/messagebox.h"
#include "app/messagebox_ui.h"
#include "controls/combo.h"
#include "controls/plaintext.h"
#include "controls/searchtext.h"
#include "testutil.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

using namespace mv;

namespace {

// Taller than any line of text: a label that shows it has taken a name for rich text.
constexpr int PictureSide = 300;

// What Qt shows for a text where it decides between plain and rich by itself (tool tips):
// the visible characters, an embedded picture as U+FFFC.
QString shownByQt(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

} // namespace

class TestPlainText : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mPicture;

    // A file or folder name (no "/") that, taken for HTML, shows the big local picture.
    QString pictureName() const
    {
        return QStringLiteral("<img src=\"%1\">.jpg").arg(QString(mPicture).replace('/', "&#47;"));
    }

    void addNames()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("picture tag") << pictureName();
        QTest::newRow("bold tag") << "<b>粗体</b>.png";
        QTest::newRow("entities") << "a &lt;b&gt; &amp; c.jpg";
        QTest::newRow("title placeholder") << "草稿[*].jpg";
        QTest::newRow("two placeholders") << "[*][*]x.png";
        QTest::newRow("spaces kept") << "两个  空格 .jpg";
        QTest::newRow("ordinary") << "假日照片.jpg";
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        mPicture = mDir.filePath("big.png");
        QImage picture(PictureSide, PictureSide, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(mPicture));
    }

    void builtMessageBox_data() { addNames(); }
    void builtMessageBox()
    {
        QFETCH(QString, name);
        const QString text = QStringLiteral("确定要删除“%1”吗？").arg(name);
        const auto box = BuildMessageBox({text, name, MsgIcon::Question, MsgButtons::YesNo});
        QCOMPARE(box->textFormat(), Qt::PlainText);
        auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), text);
        QVERIFY(label->sizeHint().height() < PictureSide / 3);
        QCOMPARE(box->buttons().size(), 2);
        QCOMPARE(box->button(QMessageBox::Yes)->text(), QString("是"));
        QCOMPARE(box->button(QMessageBox::No)->text(), QString("否"));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        box->show();
        QVERIFY(box->windowHandle());
        QCOMPARE(box->windowHandle()->title(), name);
        box->close();
    }

    // The whole seam: MsgBox with the UI installed shows the box modally; a timer reads
    // what it shows and answers.
    void seamShowsTextLiterally()
    {
        InstallMessageBoxUi();
        const QString text = QStringLiteral("找不到文件 ") + mDir.filePath(pictureName());
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        int height = 0;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            shown = label->text();
            format = label->textFormat();
            height = label->sizeHint().height();
            box->button(QMessageBox::No)->click();
        });
        const MsgResult answer = MsgBox(text, QStringLiteral("提示"), MsgIcon::Question, MsgButtons::YesNo);
        SetMessageBoxHandler({});
        QCOMPARE(answer, MsgResult::No);
        QCOMPARE(shown, text);
        QCOMPARE(format, Qt::PlainText);
        QVERIFY(height > 0 && height < PictureSide / 3);
    }

    // The window behind a question closes while it waits (its parent deletes the box):
    // the answer is the cautious one and nothing is freed twice.
    void seamSurvivesItsOwnerClosing()
    {
        InstallMessageBoxUi();
        auto *owner = new QWidget;
        owner->show();
        owner->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(owner));
        bool boxOfOwner = false;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            boxOfOwner = box && box->parentWidget() == owner;
            delete owner;
        });
        const MsgResult answer = MsgBox("x", QStringLiteral("提示"), MsgIcon::Question, MsgButtons::YesNo);
        SetMessageBoxHandler({});
        QVERIFY(boxOfOwner);
        QCOMPARE(answer, MsgResult::No);
    }

    void breadcrumbs()
    {
        QWidget window;
        auto *combo = new Combo(&window);
        combo->setGeometry(10, 10, 600, 27);
        combo->setStyle(1);
        const QStringList folders{pictureName(), "<b>粗体", "a &lt;b&gt;"};
        combo->setText(QLatin1Char('/') + folders.join(QLatin1Char('/')) + QLatin1Char('/'));
        QCOMPARE(combo->Label(0)->text(), QString("/"));
        for (int i = 0; i < folders.size(); ++i) {
            CrumbLabel *label = combo->Label(i + 1);
            QVERIFY(!label->isHidden());
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(label->text(), folders[i]);
            QVERIFY(label->height() < PictureSide / 3);
        }
        // A label made before anything was drawn is plain too.
        QCOMPARE(CrumbLabel().textFormat(), Qt::PlainText);
    }

    void toolTips_data() { addNames(); }
    void toolTips()
    {
        QFETCH(QString, name);
        QCOMPARE(shownByQt(PlainToolTip(name)), name);
        if (!Qt::mightBeRichText(name))
            QCOMPARE(PlainToolTip(name), name); // ordinary texts stay as they are

        SearchText box;
        box.setToolTipText(name);
        QCOMPARE(box.ToolTipText(), name);
        QCOMPARE(shownByQt(box.toolTip()), name);

        // The tool tip Qt really shows holds no picture.
        box.resize(200, 27);
        box.show();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), box.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&box, &help);
        QLabel *tip = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QTipLabel") && widget->isVisible())
                tip = qobject_cast<QLabel *>(widget);
        }
        QVERIFY(tip);
        QVERIFY(tip->sizeHint().height() < PictureSide / 3);
        QToolTip::hideText();
    }

    void windowTitles_data() { addNames(); }
    void windowTitles()
    {
        QFETCH(QString, name);
        QWidget window;
        SetPlainWindowTitle(&window, name + QStringLiteral(" - 查看"));
        window.show();
        QVERIFY(window.windowHandle());
        QCOMPARE(window.windowHandle()->title(), name + QStringLiteral(" - 查看"));
    }

    void actionTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("one ampersand") << "Tom&Jerry.jpg";
        QTest::newRow("two ampersands") << "a&&b.png";
        QTest::newRow("ampersand at the end") << "x&";
        QTest::newRow("none") << "照片.jpg";
    }
    void actionTexts()
    {
        QFETCH(QString, name);
        const QString text = PlainActionText(name);
        QVERIFY(QKeySequence::mnemonic(text).isEmpty());
        QAction action(text);
        QCOMPARE(action.iconText(), name); // the text with the shortcut marks taken out
    }

    void nullWidgetsAreIgnored()
    {
        SetPlainText(nullptr, "x");
        SetPlainToolTip(nullptr, "x");
        SetPlainWindowTitle(nullptr, "x");
        QLabel label;
        SetPlainText(&label, "<b>x</b>");
        QCOMPARE(label.textFormat(), Qt::PlainText);
        QCOMPARE(label.text(), QString("<b>x</b>"));
    }
};

MV_TEST_MAIN(TestPlainText)
#include "tst_plaintext.moc"
