#include "imaging/metafile/fontmapper.h"

#include "imaging/metafile/gdi.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>

namespace mv::metafile {

namespace {

const QString CjkFace = QStringLiteral("WenQuanYi Micro Hei");

bool cjkCharset(uint8_t charset)
{
    return charset == gdi::Gb2312Charset || charset == gdi::ChineseBig5Charset || charset == gdi::ShiftJisCharset
        || charset == gdi::HangulCharset || charset == gdi::JohabCharset || charset == gdi::DefaultCharset;
}

// Faces of East Asian systems that no Linux machine has under that name.
bool cjkFace(const QString &face)
{
    static const QStringList names = {
        QStringLiteral("simsun"), QStringLiteral("nsimsun"), QStringLiteral("simhei"), QStringLiteral("kaiti"),
        QStringLiteral("kaiti_gb2312"), QStringLiteral("fangsong"), QStringLiteral("fangsong_gb2312"),
        QStringLiteral("microsoft yahei"), QStringLiteral("microsoft jhenghei"), QStringLiteral("mingliu"),
        QStringLiteral("pmingliu"), QStringLiteral("ms gothic"), QStringLiteral("ms mincho"),
        QStringLiteral("ms pgothic"), QStringLiteral("ms pmincho"), QStringLiteral("meiryo"),
        QStringLiteral("gulim"), QStringLiteral("batang"), QStringLiteral("dotum"), QStringLiteral("malgun gothic"),
        QStringLiteral("dengxian"), QStringLiteral("youyuan"), QStringLiteral("lisu"), QStringLiteral("stsong"),
        QStringLiteral("stheiti"), QStringLiteral("stkaiti"), QStringLiteral("stfangsong"),
    };
    for (const QChar c : face) {
        if (c.unicode() >= 0x2E80) // a face named in CJK characters (宋体, 黑体, 微软雅黑...)
            return true;
    }
    return names.contains(face.trimmed().toLower());
}

// Families with the advance widths of the faces that pictures name, best first: text
// keeps the length its author laid it out for.
const QHash<QString, QStringList> &metricStandIns()
{
    static const QHash<QString, QStringList> table = [] {
        const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans")};
        const QStringList serif = {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"), QStringLiteral("Nimbus Roman")};
        const QStringList mono = {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine"), QStringLiteral("Nimbus Mono PS")};
        const QStringList narrow = {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Nimbus Sans Narrow")};
        QHash<QString, QStringList> t;
        t.insert(QStringLiteral("arial"), sans);
        t.insert(QStringLiteral("arial mt"), sans);
        t.insert(QStringLiteral("helvetica"), {sans[2], sans[0], sans[1]});
        t.insert(QStringLiteral("arial narrow"), narrow);
        t.insert(QStringLiteral("helvetica narrow"), {narrow[1], narrow[0]});
        t.insert(QStringLiteral("times new roman"), serif);
        t.insert(QStringLiteral("times new roman ps"), serif);
        t.insert(QStringLiteral("times"), {serif[2], serif[0], serif[1]});
        t.insert(QStringLiteral("courier new"), mono);
        t.insert(QStringLiteral("courier"), {mono[2], mono[0], mono[1]});
        t.insert(QStringLiteral("calibri"), {QStringLiteral("Carlito")});
        t.insert(QStringLiteral("cambria"), {QStringLiteral("Caladea")});
        t.insert(QStringLiteral("symbol"), {QStringLiteral("Standard Symbols PS")});
        t.insert(QStringLiteral("bookman old style"), {QStringLiteral("URW Bookman")});
        t.insert(QStringLiteral("century schoolbook"), {QStringLiteral("C059")});
        t.insert(QStringLiteral("new century schoolbook"), {QStringLiteral("C059")});
        t.insert(QStringLiteral("palatino linotype"), {QStringLiteral("P052")});
        t.insert(QStringLiteral("book antiqua"), {QStringLiteral("P052")});
        t.insert(QStringLiteral("palatino"), {QStringLiteral("P052")});
        t.insert(QStringLiteral("century gothic"), {QStringLiteral("URW Gothic")});
        t.insert(QStringLiteral("monotype corsiva"), {QStringLiteral("Z003")});
        t.insert(QStringLiteral("verdana"), {QStringLiteral("DejaVu Sans")});
        return t;
    }();
    return table;
}

// Installed families for the kinds a recorded pitch and family can ask for.
const QStringList &genericFamilies(QFont::StyleHint hint)
{
    static const QStringList serif = {QStringLiteral("Liberation Serif"), QStringLiteral("Nimbus Roman"),
                                      QStringLiteral("DejaVu Serif"), QStringLiteral("serif")};
    static const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                                     QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")};
    static const QStringList mono = {QStringLiteral("Liberation Mono"), QStringLiteral("Nimbus Mono PS"),
                                     QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")};
    switch (hint) {
    case QFont::Serif: return serif;
    case QFont::TypeWriter: return mono;
    default: return sans;
    }
}

class Installed {
public:
    bool has(const QString &family)
    {
        if (!mLoaded) {
            for (const QString &f : QFontDatabase::families())
                mFamilies.insert(f.toLower());
            mLoaded = true;
        }
        return mFamilies.contains(family.toLower());
    }

private:
    bool mLoaded = false;
    QSet<QString> mFamilies;
};

QMutex lock;
Installed installed;

QString firstInstalled(const QStringList &families)
{
    for (const QString &f : families) {
        if (installed.has(f))
            return f;
    }
    return QString();
}

// The family drawn for a face: the face itself where it is installed, its metric
// stand-in, or the generic family that its pitch and family ask for.
QString resolveFace(const QString &face, QFont::StyleHint hint, bool *lookedUp)
{
    static QHash<QString, QString> cache;
    const QString key = face.toLower() + QLatin1Char('|') + QString::number(int(hint));
    QMutexLocker locker(&lock);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() > 512)
        cache.clear(); // files that name endless faces
    if (lookedUp)
        *lookedUp = true;
    QString family;
    if (!face.isEmpty() && installed.has(face))
        family = face;
    if (family.isEmpty())
        family = firstInstalled(metricStandIns().value(face.toLower()));
    if (family.isEmpty())
        family = firstInstalled(genericFamilies(hint));
    if (family.isEmpty())
        family = genericFamilies(hint).last();
    cache.insert(key, family);
    return family;
}

} // namespace

const QStringList &SymbolFamilies()
{
    static const QStringList families = {QStringLiteral("DejaVu Sans"), QStringLiteral("OpenSymbol"),
                                         QStringLiteral("Noto Sans Symbols2"), QStringLiteral("Noto Sans Symbols"),
                                         QStringLiteral("DejaVu Math TeX Gyre"), QStringLiteral("Symbola")};
    return families;
}

bool FamilyInstalled(const QString &family)
{
    QMutexLocker locker(&lock);
    return installed.has(family);
}

QFont MapFont(const LogFont &lf, bool *lookedUp)
{
    if (lookedUp)
        *lookedUp = false;
    QFont font;
    const QString face = lf.face.trimmed();
    const int pitch = lf.pitchAndFamily & 3;
    const int family = lf.pitchAndFamily >> 4;
    QFont::StyleHint hint = QFont::AnyStyle;
    switch (family) {
    case 1: hint = QFont::Serif; break;
    case 2: hint = QFont::SansSerif; break;
    case 3: hint = QFont::TypeWriter; break;
    case 4: hint = QFont::Cursive; break;
    case 5: hint = QFont::Decorative; break;
    default: break;
    }
    if (pitch == 1)
        hint = QFont::TypeWriter;

    QStringList families;
    const bool cjk = cjkFace(face);
    if (!cjk)
        families << resolveFace(face, hint, lookedUp);
    if (cjk || cjkCharset(lf.charset))
        families << CjkFace;
    families << genericFamilies(hint).last();
    if (!families.contains(CjkFace))
        families << CjkFace; // glyphs the first faces lack
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setFixedPitch(pitch == 1);
    font.setWeight(QFont::Weight(qBound(100, lf.weight == 0 ? 400 : int(lf.weight), 900)));
    font.setItalic(lf.italic);
    font.setUnderline(lf.underline);
    font.setStrikeOut(lf.strikeOut);
    // Positions come from the file; unhinted outlines keep glyphs where they were laid out.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

} // namespace mv::metafile
