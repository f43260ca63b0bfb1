// mirovale-gallery OUT.png: every custom control in every state and every picture of the
// program's artwork on one sheet, for review at a glance.

#include "sheet.h"

#include "controls/box.h"
#include "controls/combo.h"
#include "controls/command.h"
#include "controls/flatcmd.h"
#include "controls/mdrawlist.h"
#include "controls/searchtext.h"
#include "controls/theme.h"
#include "controls/ucprogress.h"
#include "controls/uipictures.h"
#include "updater/progbar.h"

#include <QApplication>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTextStream>

using namespace mv;
using namespace mv::gallery;

namespace {

enum class State { Normal, Hover, Pressed, On, OnHover, OnPressed, Disabled };

const QList<QPair<State, QString>> AllStates{
    {State::Normal, QStringLiteral("normal")},       {State::Hover, QStringLiteral("hover")},
    {State::Pressed, QStringLiteral("pressed")},     {State::On, QStringLiteral("switched on")},
    {State::OnHover, QStringLiteral("on + hover")},  {State::OnPressed, QStringLiteral("on + pressed")},
    {State::Disabled, QStringLiteral("disabled")},
};

void send(QWidget *widget, QEvent::Type type, Qt::MouseButton button)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, button == Qt::NoButton ? Qt::NoButton : button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Puts a button into a state by the same events a user would cause.
void drive(ButtonBase *button, State state, const std::function<void(bool)> &switchOn)
{
    const bool on = state == State::On || state == State::OnHover || state == State::OnPressed;
    switchOn(on);
    if (state == State::Disabled)
        button->setEnabled(false);
    if (state == State::Hover || state == State::OnHover || state == State::Pressed || state == State::OnPressed)
        send(button, QEvent::MouseMove, Qt::NoButton);
    if (state == State::Pressed || state == State::OnPressed)
        send(button, QEvent::MouseButtonPress, Qt::LeftButton);
}

const QStringList ToolbarIcons{
    QStringLiteral("zoom_in"),    QStringLiteral("zoom_out"),   QStringLiteral("actual_size"),
    QStringLiteral("best_fit"),   QStringLiteral("previous"),   QStringLiteral("next"),
    QStringLiteral("turn_left"),  QStringLiteral("turn_right"), QStringLiteral("slide_show"),
    QStringLiteral("delete"),     QStringLiteral("print"),      QStringLiteral("save"),
};

void toolbar(Sheet &sheet)
{
    sheet.section(QStringLiteral("FlatCmd: the viewer's toolbar (28 × 28, skin strip with magenta key)"));
    for (const auto &[state, name] : AllStates) {
        sheet.row(name, theme::CanvasBlue);
        for (const QString &icon : ToolbarIcons) {
            FlatCmd button;
            button.setChecked(true);
            button.setPictureBG(UiImage(QStringLiteral("toolbar/skin")));
            button.setPicture(UiIcon(QStringLiteral("toolbar/") + icon));
            drive(&button, state, [&](bool on) { button.setStatus(on); });
            sheet.cell(shot(&button, theme::CanvasBlue), {}, 2);
        }
    }
    sheet.row(QStringLiteral("with captions"), theme::WindowBlue);
    for (int position = 0; position < 4; ++position) {
        FlatCmd button;
        button.resize(96, 64);
        button.setPicture(UiIcon(QStringLiteral("toolbar/save")));
        button.setCaption(QStringLiteral("保存图片"));
        button.setPicturePosition(position);
        sheet.cell(shot(&button, theme::WindowBlue), QStringLiteral("position %1").arg(position));
    }
    FlatCmd disabled;
    disabled.resize(96, 64);
    disabled.setPicture(UiIcon(QStringLiteral("toolbar/save")));
    disabled.setCaption(QStringLiteral("保存图片"));
    disabled.setPicturePosition(0);
    disabled.setEnabled(false);
    sheet.cell(shot(&disabled, theme::WindowBlue), QStringLiteral("disabled"));
}

struct StripEntry {
    QString picture;
    bool check;
    QString caption;
    QColor behind;
};

void commands(Sheet &sheet)
{
    sheet.section(QStringLiteral("Command: picture buttons of the browser and the slide show (frame strips)"));
    const QList<StripEntry> strips{
        {QStringLiteral("browser/history_back"), false, {}, theme::WindowBlue},
        {QStringLiteral("browser/history"), false, {}, theme::WindowBlue},
        {QStringLiteral("browser/association"), false, {}, theme::WindowBlue},
        {QStringLiteral("browser/fav_star"), true, {}, theme::WindowBlue},
        {QStringLiteral("browser/recursive"), true, {}, theme::WindowBlue},
        {QStringLiteral("browser/search"), true, {}, QColor(Qt::white)},
        {QStringLiteral("browser/caption_button"), false, QStringLiteral("取消"), theme::WindowBlue},
        {QStringLiteral("browser/fav_header"), false, QStringLiteral("我的收藏"), theme::WindowBlue},
        {QStringLiteral("slideshow/pause"), false, {}, QColor(Qt::black)},
        {QStringLiteral("slideshow/play"), false, {}, QColor(Qt::black)},
        {QStringLiteral("slideshow/close"), false, {}, QColor(Qt::black)},
        {QStringLiteral("slideshow/interval_up"), false, {}, QColor(Qt::black)},
        {QStringLiteral("slideshow/interval_down"), false, {}, QColor(Qt::black)},
    };
    for (const StripEntry &entry : strips) {
        sheet.row(entry.picture, entry.behind);
        for (const auto &[state, name] : AllStates) {
            const bool on = state == State::On || state == State::OnHover || state == State::OnPressed;
            if (on && !entry.check)
                continue;
            Command button;
            button.setCheck(entry.check);
            button.setPicture(UiImage(entry.picture));
            button.setCaption(entry.caption);
            if (entry.behind == QColor(Qt::black))
                button.setForeColor(Qt::white);
            drive(&button, state, [&](bool v) { button.setStatus(v); });
            sheet.cell(shot(&button, entry.behind), QStringLiteral("%1 (%2)").arg(name).arg(button.Frame()),
                       button.width() < 40 ? 2 : 1);
        }
    }
}

void boxes(Sheet &sheet)
{
    sheet.section(QStringLiteral("Combo, SearchText and the favourites rows"));
    sheet.row(QStringLiteral("path box"), theme::WindowBlue);
    {
        Combo combo;
        combo.resize(360, 27);
        combo.setStyle(1);
        combo.setText(QStringLiteral("/home/用户/照片/2006/"));
        sheet.cell(shot(&combo, theme::WindowBlue), QStringLiteral("breadcrumbs"));
    }
    {
        Combo combo;
        combo.resize(360, 27);
        combo.setText(QStringLiteral("|我的桌面/相片/"));
        combo.setStyle(0);
        sheet.cell(shot(&combo, theme::WindowBlue), QStringLiteral("edit mode"));
    }
    sheet.row(QStringLiteral("drop button"), theme::WindowBlue);
    const QStringList dropNames{QStringLiteral("normal"), QStringLiteral("hover"), QStringLiteral("pressed"),
                                QStringLiteral("disabled")};
    for (int i = 0; i < 4; ++i) {
        Combo combo;
        combo.resize(200, 27);
        combo.setStyle(1);
        combo.setText(QStringLiteral("/"));
        shot(&combo, theme::WindowBlue); // lays the pieces out, which puts the button at rest
        if (i == 3)
            combo.setEnabled(false);
        else
            combo.Drop()->ShowPicture(i);
        sheet.cell(shot(&combo, theme::WindowBlue), dropNames[i]);
    }
    sheet.row(QStringLiteral("search box"), theme::WindowBlue);
    {
        SearchText search;
        search.resize(168, 27);
        search.setText(SearchHint);
        sheet.cell(shot(&search, theme::WindowBlue), QStringLiteral("hint"));
        search.setText(QStringLiteral("cat"));
        search.setForeColor(Qt::black);
        sheet.cell(shot(&search, theme::WindowBlue), QStringLiteral("typed"));
        Command button(&search);
        button.setCheck(true);
        button.setPicture(UiImage(QStringLiteral("browser/search")));
        button.move(136, 0);
        search.setText(SearchHint);
        search.setForeColor(theme::HintGrey);
        sheet.cell(shot(&search, theme::WindowBlue), QStringLiteral("with its button"));
    }
    sheet.row(QStringLiteral("favourites rows"), theme::WindowBlue);
    {
        QListWidget list;
        list.resize(233, 6 * 23);
        list.setFrameShape(QFrame::NoFrame);
        list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (const QString &name : {QStringLiteral("照片"), QStringLiteral("壁纸"), QStringLiteral("Downloads"),
                                    QStringLiteral("2006 旅行"), QStringLiteral("Scans"), QStringLiteral("桌面")})
            list.addItem(name);
        SetListItemHeight(&list, theme::FavRowHeight);
        HookDrawList(&list);
        sheet.cell(shot(list.viewport(), Qt::white), QStringLiteral("rows 0 to 5"));
        QImage focused(233, 23, QImage::Format_RGB32);
        QStyleOptionViewItem option;
        option.rect = focused.rect();
        option.font = list.font();
        option.state = QStyle::State_Enabled | QStyle::State_HasFocus;
        QPainter painter(&focused);
        list.itemDelegate()->paint(&painter, option, list.model()->index(2, 0));
        painter.end();
        sheet.cell(focused, QStringLiteral("row with the focus"));
        UnhookDrawList();
    }
}

void progress(Sheet &sheet)
{
    sheet.section(QStringLiteral("ucProgress and Box"));
    const QStringList borders{QStringLiteral("no border"), QStringLiteral("thin edge"), QStringLiteral("sunken")};
    for (int border = 0; border < 3; ++border) {
        sheet.row(borders[border], theme::WindowBlue);
        for (int value : {0, 45, 100}) {
            ucProgress bar;
            bar.resize(233, 19);
            bar.setBorderStyle(border);
            bar.setValue(value);
            sheet.cell(shot(&bar, theme::WindowBlue), QStringLiteral("%1").arg(value));
        }
        ucProgress blue;
        blue.resize(233, 19);
        blue.setBorderStyle(border);
        blue.setForeColor(theme::ProgressBlue);
        blue.setValue(60);
        sheet.cell(shot(&blue, theme::WindowBlue), QStringLiteral("60, listing colour"));
    }
    sheet.row(QStringLiteral("vertical, box"), theme::WindowBlue);
    ucProgress vertical;
    vertical.resize(200, 20);
    vertical.setOrientation(1);
    vertical.setValue(45);
    sheet.cell(shot(&vertical, theme::WindowBlue), QStringLiteral("45, vertical"));
    Box box;
    box.resize(160, 100);
    box.setLineColor(theme::BoxLine);
    sheet.cell(shot(&box, theme::WindowBlue), QStringLiteral("BoxView"));
}

void progBars(Sheet &sheet)
{
    sheet.section(QStringLiteral("ProgBar: the ten styles at 0, 45 and 100 %"));
    QImage pattern(8, 8, QImage::Format_RGB32);
    pattern.fill(theme::WindowBlue);
    QPainter(&pattern).fillRect(0, 0, 4, 4, QColor(61, 143, 209));
    QPainter(&pattern).fillRect(4, 4, 4, 4, QColor(61, 143, 209));
    for (int style = 0; style < 10; ++style) {
        sheet.row(QStringLiteral("style %1").arg(style), theme::WindowBlue);
        for (int value : {0, 45, 100}) {
            ProgBar bar;
            bar.resize(220, 22);
            bar.setColor(style == 0 ? theme::ProgBarUpdater : QColor(61, 143, 209));
            bar.setScrolling(style);
            if (style == 8 && value != 0)
                bar.setImage(pattern);
            bar.setShowText(true);
            bar.setValue(value);
            sheet.cell(bar.Picture(), QStringLiteral("%1 %").arg(value));
        }
        if (style == 8) {
            ProgBar bare;
            bare.resize(220, 22);
            bare.setScrolling(8);
            bare.setValue(100);
            sheet.cell(bare.Picture(), QStringLiteral("100 %, no image"));
        }
    }
    sheet.row(QStringLiteral("vertical"), theme::WindowBlue);
    for (int style : {0, 1, 5, 6}) {
        ProgBar bar;
        bar.resize(22, 120);
        bar.setColor(QColor(61, 143, 209));
        bar.setScrolling(style);
        bar.setOrientation(1);
        bar.setValue(45);
        sheet.cell(bar.Picture(), QStringLiteral("style %1").arg(style));
    }
}

void artwork(Sheet &sheet)
{
    sheet.section(QStringLiteral("Artwork under :/ui/ (small pictures also at 3 ×)"));
    QStringList names;
    QDirIterator it(QStringLiteral(":/ui"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next();
    names.sort();
    QString folder;
    for (const QString &path : std::as_const(names)) {
        const QString relative = path.mid(5);
        const QString dir = relative.section(QLatin1Char('/'), 0, -2);
        const QString name = relative.section(QLatin1Char('.'), 0, 0);
        if (dir != folder) {
            folder = dir;
            sheet.row(dir, QColor(Qt::white));
        }
        const QImage image = UiImage(name);
        const QString caption = QStringLiteral("%1 %2×%3").arg(name.section(QLatin1Char('/'), -1)).arg(image.width()).arg(image.height());
        QImage shown(image.size(), QImage::Format_RGB32);
        shown.fill(dir.startsWith(QLatin1String("slideshow")) ? QColor(Qt::black) : theme::WindowBlue);
        QPainter(&shown).drawImage(0, 0, image);
        const bool small = image.width() <= 64 && image.height() <= 64;
        sheet.cell(shown, caption);
        if (small)
            sheet.cell(shown, {}, 3);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        QTextStream(stderr) << "usage: mirovale-gallery OUT.png\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);

    Sheet sheet(1500);
    toolbar(sheet);
    commands(sheet);
    boxes(sheet);
    progress(sheet);
    progBars(sheet);
    artwork(sheet);
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!sheet.finish().save(out, "PNG")) {
        QTextStream(stderr) << "cannot write " << out << "\n";
        return 1;
    }
    QTextStream(stdout) << out << "\n";
    return 0;
}
