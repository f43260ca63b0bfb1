// The browser window's controls at their designed places, the layout pass, the favourites
// pane's collapse and the bounds it opens with.

#include "browser/frmmain.h"

#include "app/inifile.h"
#include "browser/browserrules.h"
#include "controls/box.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/mdrawlist.h"
#include "controls/plaintext.h"
#include "controls/searchtext.h"
#include "controls/theme.h"
#include "controls/ucprogress.h"
#include "controls/uipictures.h"
#include "fs/ucfolderview.h"
#include "thumbs/ucthumbnailview.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QScreen>

namespace mv {

namespace {

// Our own decoration: a strip shaded from one colour to another, top to bottom (left to
// right when not vertical).
class ShadedStrip : public QWidget
{
public:
    ShadedStrip(QWidget *parent, QColor from, QColor to, bool vertical = true)
        : QWidget(parent)
        , mFrom(from)
        , mTo(to)
        , mVertical(vertical)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient shade(0, 0, mVertical ? 0 : width(), mVertical ? height() : 0);
        shade.setColorAt(0, mFrom);
        shade.setColorAt(1, mTo);
        painter.fillRect(rect(), shade);
    }

private:
    QColor mFrom, mTo;
    bool mVertical;
};

const QColor StripLight{232, 242, 251};
const QColor StripDark{160, 196, 226};
const QColor DividerLine{132, 178, 214};

QLabel *pictureLabel(QWidget *parent, const QString &name, const QRect &geometry, const QString &picture)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    if (!picture.isEmpty())
        label->setPixmap(QPixmap::fromImage(UiImage(picture, geometry.size())));
    return label;
}

QLabel *textLabel(QWidget *parent, const QString &name, QPoint at, const QString &text)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    SetPlainText(label, text);
    label->move(at);
    label->adjustSize();
    return label;
}

Command *pictureButton(QWidget *parent, const QString &name, QPoint at, const QString &picture, bool check = false)
{
    auto *button = new Command(parent);
    button->setObjectName(name);
    button->setCheck(check);
    button->setPicture(UiImage(picture));
    button->move(at);
    return button;
}

QWidget *line(QWidget *parent, const QString &name, const QRect &geometry, QColor colour)
{
    auto *widget = new QWidget(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    return widget;
}

} // namespace

void Frmmain::CreateControls()
{
    // Tree header.
    Image1 = pictureLabel(this, QStringLiteral("Image1"), QRect(3, 10, 16, 16), QStringLiteral("icons/computer"));
    Label1 = textLabel(this, QStringLiteral("Label1"), QPoint(24, 13), QStringLiteral("我的电脑"));
    Command5 = pictureButton(this, QStringLiteral("Command5"), QPoint(205, 4), QStringLiteral("browser/association"));
    Picture3 = new ShadedStrip(this, StripDark, StripLight);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setGeometry(0, 32, 232, 5);

    // Tree pane; the tree overhangs it by 2 pixels to hide its border.
    kPic = new QWidget(this);
    kPic->setObjectName(QStringLiteral("kPic"));
    kPic->setGeometry(0, 36, 233, 393);
    kFolder = new ucFolderView(kPic);
    kFolder->setObjectName(QStringLiteral("kFolder"));
    kFolder->setGeometry(-2, -2, 237, 432);
    Picture7 = new ShadedStrip(kPic, StripLight, StripDark);
    Picture7->setObjectName(QStringLiteral("Picture7"));
    Picture7->setGeometry(0, 389, 232, 5);

    // Favourites pane.
    PicFav = new QWidget(this);
    PicFav->setObjectName(QStringLiteral("PicFav"));
    PicFav->setGeometry(0, 480, 233, 156);
    Command4 = pictureButton(PicFav, QStringLiteral("Command4"), QPoint(0, 0), QStringLiteral("browser/fav_header"));
    Command4->setCaption(QStringLiteral("我的收藏"));
    Picture6 = line(PicFav, QStringLiteral("Picture6"), QRect(0, 20, 2, 136), DividerLine);
    Picture5 = line(PicFav, QStringLiteral("Picture5"), QRect(0, 20, 233, 2), DividerLine);
    List1 = new QListWidget(PicFav);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(1, 20, 233, 128);
    List1->setFrameShape(QFrame::NoFrame);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // Divider between the tree and the right side.
    Picture4 = new QWidget(this);
    Picture4->setObjectName(QStringLiteral("Picture4"));
    Picture4->setGeometry(233, 0, 2, 681);
    Image2 = new QLabel(Picture4);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, 2, 624);
    Image2->setAutoFillBackground(true);
    QPalette dividerPal = Image2->palette();
    dividerPal.setColor(QPalette::Window, DividerLine);
    Image2->setPalette(dividerPal);

    // History buttons, path box and search box.
    Command1 = pictureButton(this, QStringLiteral("Command1"), QPoint(240, 8), QStringLiteral("browser/history_back"));
    Command2 = pictureButton(this, QStringLiteral("Command2"), QPoint(275, 8), QStringLiteral("browser/history"));
    Image3 = new QLabel(this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(271, 8, 2, 29);
    Image3->setPixmap([] {
        QPixmap bar(2, 29);
        bar.fill(StripLight);
        QPainter(&bar).fillRect(0, 0, 1, 29, DividerLine);
        return bar;
    }());
    cbPath = new Combo(this);
    cbPath->setObjectName(QStringLiteral("cbPath"));
    cbPath->setGeometry(312, 8, 241, 27);
    cbPath->setStyle(1);
    PicSearch = new QWidget(this);
    PicSearch->setObjectName(QStringLiteral("PicSearch"));
    PicSearch->setGeometry(568, 8, 177, 27);
    SearchText1 = new SearchText(PicSearch);
    SearchText1->setObjectName(QStringLiteral("SearchText1"));
    SearchText1->setGeometry(0, 0, 168, 27);
    SearchText1->setText(SearchHint);
    SearchText1->setForeColor(theme::HintGrey);
    Command9 = pictureButton(PicSearch, QStringLiteral("Command9"), QPoint(136, 0), QStringLiteral("browser/search"), true);

    // Folder header.
    Image4 = pictureLabel(this, QStringLiteral("Image4"), QRect(240, 48, 32, 32), QStringLiteral("icons/folder"));
    LabFolder = textLabel(this, QStringLiteral("LabFolder"), QPoint(280, 50), QStringLiteral("Folder"));
    QFont bold = LabFolder->font();
    bold.setBold(true);
    LabFolder->setFont(bold);
    LabFolder->adjustSize();
    Label2 = textLabel(this, QStringLiteral("Label2"), QPoint(280, 66), QStringLiteral("0张图片"));
    Command3 = pictureButton(this, QStringLiteral("Command3"), QPoint(352, 50), QStringLiteral("browser/fav_star"), true);
    SetPlainToolTip(Command3, QStringLiteral("添加到我的收藏"));
    Command7 = pictureButton(this, QStringLiteral("Command7"), QPoint(384, 50), QStringLiteral("browser/recursive"), true);
    SetPlainToolTip(Command7, QStringLiteral("穿透文件夹"));

    CreatePanels();
    CreateStatusBar();
}

void Frmmain::CreatePanels()
{
    BoxView = new Box(this);
    BoxView->setObjectName(QStringLiteral("BoxView"));
    BoxView->setGeometry(235, 96, 502, 440);
    Picture1 = new QWidget(BoxView);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(2, 2, 161, 121);
    ThumbView = new ucThumbnailView(Picture1);
    ThumbView->setObjectName(QStringLiteral("ucThumbnailView"));
    ThumbView->setGeometry(-2, -2, 165, 125);

    // The panel for a folder without images: our folder picture and the recursive listing.
    Picture2 = new QWidget(BoxView);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->resize(385, 213);
    Picture2->setAutoFillBackground(true);
    QPalette white = Picture2->palette();
    white.setColor(QPalette::Window, theme::BoxBack);
    Picture2->setPalette(white);
    pictureLabel(Picture2, QStringLiteral("Picture2Image"), QRect(160, 40, 64, 64), QStringLiteral("icons/folder"));
    Command6 = pictureButton(Picture2, QStringLiteral("Command6"), QPoint(152, 130), QStringLiteral("browser/caption_button"));
    Command6->setCaption(QStringLiteral("穿透文件夹"));
    Picture2->hide();

    // The progress panel of the recursive listing.
    Picture9 = new QWidget(BoxView);
    Picture9->setObjectName(QStringLiteral("Picture9"));
    Picture9->resize(385, 253);
    Picture9->setAutoFillBackground(true);
    Picture9->setPalette(white);
    Label6 = textLabel(Picture9, QStringLiteral("Label6"), QPoint(30, 70), QStringLiteral("已经检索到 0 个文件"));
    Label7 = textLabel(Picture9, QStringLiteral("Label7"), QPoint(30, 130), QString());
    Label7->resize(325, 16);
    ucProgress1 = new ucProgress(Picture9);
    ucProgress1->setObjectName(QStringLiteral("ucProgress1"));
    ucProgress1->setGeometry(30, 100, 325, 19);
    ucProgress1->setForeColor(theme::ProgressBlue);
    ucProgress1->setBorderStyle(1);
    Command8 = pictureButton(Picture9, QStringLiteral("Command8"), QPoint(152, 180), QStringLiteral("browser/caption_button"));
    Command8->setCaption(QStringLiteral("取消"));
    Picture9->hide();

    Progress = new ucProgress(this);
    Progress->setObjectName(QStringLiteral("ucProgress"));
    Progress->setGeometry(352, 688, 233, 19);
    Progress->hide();
}

void Frmmain::CreateStatusBar()
{
    Picture8 = new ShadedStrip(this, StripLight, StripDark);
    Picture8->setObjectName(QStringLiteral("Picture8"));
    Picture8->setGeometry(0, 640, 576, 25);
    Image6 = new QLabel(Picture8);
    Image6->setObjectName(QStringLiteral("Image6"));
    Image6->setGeometry(360, 0, 60, 25);
    Image5 = new QLabel(Picture8);
    Image5->setObjectName(QStringLiteral("Image5"));
    Image5->setGeometry(464, 0, 108, 25);
    Image5->setPixmap([] {
        // A grip of dots at the right end of the bar.
        QPixmap grip(108, 25);
        grip.fill(Qt::transparent);
        QPainter painter(&grip);
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col <= row; ++col)
                painter.fillRect(100 - col * 4, 19 - (2 - row) * 4, 2, 2, DividerLine);
        }
        return grip;
    }());
    Label3 = textLabel(Picture8, QStringLiteral("Label3"), QPoint(8, 8), QString());
    Label3->resize(192, 16);
    Label4 = textLabel(Picture8, QStringLiteral("Label4"), QPoint(208, 8), QString());
    Label4->resize(144, 16);
    Label5 = textLabel(Picture8, QStringLiteral("Label5"), QPoint(360, 8), QString());
    Label5->resize(192, 16);
    for (QLabel *label : {Label3, Label4, Label5})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Frmmain::LayOutTreePane(int treePaneHeight)
{
    kPic->resize(kPic->width(), qMax(0, treePaneHeight));
    kFolder->setGeometry(-2, -2, kFolder->width(), qMax(0, kPic->height() + 4 - Picture7->height()));
    Picture7->move(Picture7->x(), kPic->height() - Picture7->height());
    PicFav->move(PicFav->x(), kPic->y() + kPic->height());
}

void Frmmain::LayOut()
{
    const int W = width();
    const int H = height();
    // A client area smaller than the fixed parts (a minimised window) is left alone.
    if (W < kPic->width() + PicSearch->width() || H < 62 + PicFav->height() + 121)
        return;
    LayOutTreePane(H - 62 - PicFav->height());

    Picture8->setGeometry(0, H - Picture8->height(), W, Picture8->height());
    Label5->resize(W - Label5->x() - 24, Label5->height());
    Image5->move(W - Image5->width(), Image5->y());
    Image6->resize(W - Image6->x() - Image5->width(), Image6->height());

    BoxView->resize(W - kPic->width(), H - 102 - 19);
    Picture1->resize(BoxView->width() - 4, BoxView->height() - 4);
    Picture4->resize(Picture4->width(), H);
    Image2->resize(Image2->width(), Picture4->height());
    ThumbView->setGeometry(-2, -2, Picture1->width() + 4, Picture1->height() + 4);
    Progress->move(Progress->x(), H - Progress->height() - 14);
    for (QWidget *panel : {Picture2, Picture9})
        panel->move((Picture1->width() - panel->width()) / 2, (Picture1->height() - panel->height()) / 2);

    PicSearch->move(W - PicSearch->width() - 10, PicSearch->y());
    SearchText1->resize(PicSearch->width(), SearchText1->height());
    Command9->move(PicSearch->width() - Command9->width(), Command9->y());
    cbPath->resize(W - kPic->width() - PicSearch->width() - 90, cbPath->height());
}

void Frmmain::ToggleFavPane()
{
    const bool collapse = PicFav->height() == 136;
    PicFav->resize(PicFav->width(), collapse ? 20 : 136);
    LayOutTreePane(collapse ? height() - 62 - 20 : height() - 61 - 136);
}

void Frmmain::RestoreBounds()
{
    QSize screen = BrowserFirstSize;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        screen = primary->geometry().size();
    const QRect bounds = RestoredBounds(ReadConfig(QStringLiteral("PlayerWnd")), screen);
    move(bounds.topLeft());
    resize(bounds.size());
    if (ReadConfig(QStringLiteral("Max")) == QLatin1String("True"))
        setWindowState(windowState() | Qt::WindowMaximized);
}

} // namespace mv
