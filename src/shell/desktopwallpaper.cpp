#include "shell/desktopwallpaper.h"

#include "shell/shelltool.h"

#include <QStringList>
#include <QUrl>

namespace mv {

namespace {

const QString Gsettings = QStringLiteral("gsettings");
const QString Xfconf = QStringLiteral("xfconf-query");
const QString DbusSend = QStringLiteral("dbus-send");
const QString Feh = QStringLiteral("feh");
const QString Xwallpaper = QStringLiteral("xwallpaper");

QString FileUri(const QString &file)
{
    // Percent-encoded: quotes, blanks, "$" and Chinese become plain ASCII.
    return QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded());
}

// The picture-options value of the GNOME family, Cinnamon and MATE.
QString PictureOptions(WallpaperStyle style)
{
    switch (style) {
    case WallpaperStyle::Centre: return QStringLiteral("centered");
    case WallpaperStyle::Tile: return QStringLiteral("wallpaper");
    case WallpaperStyle::Stretch: return QStringLiteral("stretched");
    }
    return QString();
}

bool Set(const QString &schema, const QString &key, const QString &value)
{
    return RunTool(Gsettings, {QStringLiteral("set"), schema, key, GVariantString(value)}).ok();
}

bool ApplyGsettings(DesktopKind desktop, const QString &file, WallpaperStyle style)
{
    const QString options = PictureOptions(style);
    switch (desktop) {
    case DesktopKind::Cinnamon: {
        const QString schema = QStringLiteral("org.cinnamon.desktop.background");
        return Set(schema, QStringLiteral("picture-options"), options)
               && Set(schema, QStringLiteral("picture-uri"), FileUri(file));
    }
    case DesktopKind::Mate: {
        const QString schema = QStringLiteral("org.mate.background");
        return Set(schema, QStringLiteral("picture-options"), options)
               && Set(schema, QStringLiteral("picture-filename"), file);
    }
    default: {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        if (!Set(schema, QStringLiteral("picture-options"), options)
            || !Set(schema, QStringLiteral("picture-uri"), FileUri(file)))
            return false;
        // The dark style's picture exists from GNOME 42 on; older schemas lack the key.
        (void)Set(schema, QStringLiteral("picture-uri-dark"), FileUri(file));
        return true;
    }
    }
}

bool ApplyXfce(const QString &file, WallpaperStyle style)
{
    // Every monitor and workspace keeps its own picture.
    const ToolRun list = RunTool(Xfconf, {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")});
    if (!list.ok())
        return false;
    const QString imageStyle = QString::number(style == WallpaperStyle::Centre ? 1 : style == WallpaperStyle::Tile ? 2 : 3);
    bool any = false;
    for (const QByteArray &line : list.output.split('\n')) {
        const QString property = QString::fromUtf8(line.trimmed());
        if (!property.endsWith(QLatin1String("/last-image")))
            continue;
        const QString styleProperty = property.chopped(int(qstrlen("last-image"))) + QStringLiteral("image-style");
        const QStringList channel{QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p")};
        if (!RunTool(Xfconf, channel + QStringList{styleProperty, QStringLiteral("-n"), QStringLiteral("-t"),
                                                   QStringLiteral("int"), QStringLiteral("-s"), imageStyle})
                 .ok()
            || !RunTool(Xfconf, channel + QStringList{property, QStringLiteral("-n"), QStringLiteral("-t"),
                                                      QStringLiteral("string"), QStringLiteral("-s"), file})
                    .ok())
            return false;
        any = true;
    }
    // The desktop draws again only when a value changes; the file may have changed under the
    // same name.
    if (any && HasTool(QStringLiteral("xfdesktop")))
        (void)RunTool(QStringLiteral("xfdesktop"), {QStringLiteral("--reload")});
    return any;
}

bool ApplyKde(const QString &file, WallpaperStyle style)
{
    return RunTool(DbusSend, {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                              QStringLiteral("--dest=org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                              QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                              QStringLiteral("string:") + PlasmaWallpaperScript(FileUri(file), style)})
        .ok();
}

bool ApplyFallback(const QString &tool, const QString &file, WallpaperStyle style)
{
    QString option;
    if (tool == Feh)
        option = style == WallpaperStyle::Centre ? QStringLiteral("--bg-center")
                 : style == WallpaperStyle::Tile ? QStringLiteral("--bg-tile")
                                                 : QStringLiteral("--bg-scale");
    else
        option = style == WallpaperStyle::Centre ? QStringLiteral("--center")
                 : style == WallpaperStyle::Tile ? QStringLiteral("--tile")
                                                 : QStringLiteral("--stretch");
    return RunTool(tool, {option, file}).ok();
}

// A JavaScript string literal holding only ASCII.
QString JsString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

} // namespace

DesktopKind DetectDesktop(const QString &currentDesktop)
{
    const QStringList names = currentDesktop.toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        if (name == QLatin1String("x-cinnamon") || name == QLatin1String("cinnamon"))
            return DesktopKind::Cinnamon;
        if (name == QLatin1String("mate"))
            return DesktopKind::Mate;
        if (name == QLatin1String("xfce"))
            return DesktopKind::Xfce;
        if (name == QLatin1String("kde"))
            return DesktopKind::Kde;
    }
    // Desktops built on GNOME name themselves first and GNOME after them ("ubuntu:GNOME").
    static const QStringList gnomeFamily{"gnome", "gnome-classic", "gnome-flashback", "unity", "budgie", "pantheon"};
    for (const QString &name : names) {
        if (gnomeFamily.contains(name))
            return DesktopKind::Gnome;
    }
    return DesktopKind::Other;
}

QString WallpaperTool(DesktopKind desktop)
{
    QString own;
    switch (desktop) {
    case DesktopKind::Gnome:
    case DesktopKind::Cinnamon:
    case DesktopKind::Mate: own = Gsettings; break;
    case DesktopKind::Xfce: own = Xfconf; break;
    case DesktopKind::Kde: own = DbusSend; break;
    case DesktopKind::Other: break;
    }
    for (const QString &tool : {own, Feh, Xwallpaper}) {
        if (!tool.isEmpty() && HasTool(tool))
            return tool;
    }
    return QString();
}

bool ApplyWallpaper(DesktopKind desktop, const QString &tool, const QString &file, WallpaperStyle style)
{
    if (tool == Gsettings)
        return ApplyGsettings(desktop, file, style);
    if (tool == Xfconf)
        return ApplyXfce(file, style);
    if (tool == DbusSend)
        return ApplyKde(file, style);
    if (tool == Feh || tool == Xwallpaper)
        return ApplyFallback(tool, file, style);
    return false;
}

QString GVariantString(const QString &text)
{
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('\'');
}

QString PlasmaWallpaperScript(const QString &fileUrl, WallpaperStyle style)
{
    // The image plugin's fill modes: 0 stretch, 3 tile, 6 centred at its own size.
    const int fillMode = style == WallpaperStyle::Centre ? 6 : style == WallpaperStyle::Tile ? 3 : 0;
    return QStringLiteral("var all = desktops(); "
                          "for (var i = 0; i < all.length; i++) { "
                          "var d = all[i]; "
                          "d.wallpaperPlugin = \"org.kde.image\"; "
                          "d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"]; "
                          "d.writeConfig(\"Image\", %1); "
                          "d.writeConfig(\"FillMode\", %2); "
                          "}")
        .arg(JsString(fileUrl), QString::number(fillMode));
}

} // namespace mv
