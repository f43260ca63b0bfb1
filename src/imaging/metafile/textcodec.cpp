#include "imaging/metafile/textcodec.h"

#include "imaging/metafile/gdi.h"

#include <QStringDecoder>

namespace mv::metafile {

namespace {

const char *codecName(uint8_t charset)
{
    switch (charset) {
    case gdi::AnsiCharset: return "windows-1252";
    case gdi::MacCharset: return "macintosh";
    case gdi::ShiftJisCharset: return "Shift_JIS";
    case gdi::HangulCharset:
    case gdi::JohabCharset: return "windows-949";
    case gdi::ChineseBig5Charset: return "Big5";
    case gdi::GreekCharset: return "windows-1253";
    case gdi::TurkishCharset: return "windows-1254";
    case gdi::VietnameseCharset: return "windows-1258";
    case gdi::HebrewCharset: return "windows-1255";
    case gdi::ArabicCharset: return "windows-1256";
    case gdi::BalticCharset: return "windows-1257";
    case gdi::RussianCharset: return "windows-1251";
    case gdi::ThaiCharset: return "windows-874";
    case gdi::EastEuropeCharset: return "windows-1250";
    case gdi::OemCharset: return "IBM437";
    default: return "GB18030"; // default, GB2312 and unknown charsets
    }
}

} // namespace

QString DecodeCharsetText(const QByteArray &bytes, uint8_t charset)
{
    if (charset == gdi::SymbolCharset)
        return QString::fromLatin1(bytes); // the font's own codes, mapped where it is drawn
    QStringDecoder decoder(codecName(charset));
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder(bytes);
}

QString DecodeCharsetText(const QByteArray &bytes, uint8_t charset, const QList<double> &byteAdvances,
                          QList<double> &charAdvances)
{
    charAdvances.clear();
    if (byteAdvances.isEmpty())
        return DecodeCharsetText(bytes, charset);
    QStringDecoder decoder(codecName(charset));
    if (charset == gdi::SymbolCharset || !decoder.isValid()) {
        charAdvances = byteAdvances.mid(0, bytes.size());
        return DecodeCharsetText(bytes, charset);
    }
    QString text;
    double pending = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const QString piece = decoder(QByteArrayView(bytes.constData() + i, 1));
        pending += i < byteAdvances.size() ? byteAdvances[i] : 0;
        if (piece.isEmpty())
            continue;
        text += piece;
        charAdvances.append(pending);
        for (qsizetype k = 1; k < piece.size(); ++k)
            charAdvances.append(0);
        pending = 0;
    }
    if (pending != 0 && !charAdvances.isEmpty())
        charAdvances.last() += pending;
    return text;
}

} // namespace mv::metafile
