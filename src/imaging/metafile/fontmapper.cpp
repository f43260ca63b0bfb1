#include "imaging/metafile/fontmapper.h"

#include "imaging/metafile/gdi.h"

#include <QFontInfo>
#include <QHash>
#include <QMutex>
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

// The installed family that the font configuration offers for a face (its metric-compatible
// stand-in where one exists: Arial, Times New Roman, Courier New...). A list of families
// would skip that substitution, so each face is resolved on its own first.
QString installedFamily(const QString &face, QFont::StyleHint hint, bool *lookedUp)
{
    static QMutex lock;
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
    QFont probe;
    probe.setFamily(face);
    probe.setStyleHint(hint);
    const QString family = QFontInfo(probe).family();
    cache.insert(key, family);
    return family;
}

} // namespace

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
    if (!face.isEmpty() && !cjk)
        families << installedFamily(face, hint, lookedUp);
    if (cjk || cjkCharset(lf.charset))
        families << CjkFace;
    switch (hint) {
    case QFont::Serif: families << QStringLiteral("serif"); break;
    case QFont::TypeWriter: families << QStringLiteral("monospace"); break;
    default: families << QStringLiteral("sans-serif"); break;
    }
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
