#include "app/fields.h"

#include <QStringDecoder>

namespace mv {

namespace {

QString replaceSeparators(QString text, QChar sep)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u == 9 || u == 10 || u == 13 || u == 160)
            c = sep;
    }
    return text;
}

// Separators at the current position are skipped, so empty fields never count.
QString fieldWalk(const QString &text, int n, QChar sep)
{
    qsizetype pos = 0;
    for (int field = 1;; ++field) {
        while (pos < text.size() && text.at(pos) == sep)
            ++pos;
        const qsizetype next = text.indexOf(sep, pos);
        if (field == n)
            return next < 0 ? text.mid(pos) : text.mid(pos, next - pos);
        if (next < 0)
            return QString();
        pos = next + 1;
    }
}

} // namespace

QString NormalizeSeparators(const QString &text)
{
    return replaceSeparators(text, QLatin1Char('|'));
}

QString ReplyField(const QString &text, int n)
{
    return fieldWalk(NormalizeSeparators(text), n, QLatin1Char('|'));
}

QString CommaField(const QString &text, int n)
{
    return fieldWalk(replaceSeparators(text, QLatin1Char(',')), n, QLatin1Char(','));
}

QString BytesToText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb("GB18030");
    if (gb.isValid())
        return gb(bytes);
    return QString::fromLatin1(bytes);
}

QString OSName()
{
    return QStringLiteral("未知系统版本");
}

} // namespace mv
