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

// Symbol encoding, codes 0x20 to 0xFF.
const char16_t SymbolTable[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0x0020, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020,
};

} // namespace

QString DecodeCharsetText(const QByteArray &bytes, uint8_t charset)
{
    if (charset == gdi::SymbolCharset)
        return MapSymbolText(QString::fromLatin1(bytes));
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

QString MapSymbolText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        char16_t u = c.unicode();
        if (u >= 0xF020 && u <= 0xF0FF)
            u -= 0xF000;
        if (u >= 0x20 && u <= 0xFF)
            c = QChar(SymbolTable[u - 0x20]);
    }
    return out;
}

} // namespace mv::metafile
