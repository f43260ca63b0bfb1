#pragma once

#include <QByteArray>
#include <QString>

namespace mv {

// Tabs, LF, CR and no-break spaces (160) all become "|".
QString NormalizeSeparators(const QString &text);
// The n-th field (from 1) of a "|"-separated text; empty fields are skipped.
QString ReplyField(const QString &text, int n);
// The same with "," as the separator.
QString CommaField(const QString &text, int n);

// UTF-8 when the bytes are valid UTF-8, otherwise GB18030.
QString BytesToText(const QByteArray &bytes);

// The name of the running system version; this platform has no row of its own.
QString OSName();

// Upper bound of a list, 0 when it is empty.
template <typename List>
qsizetype SafeUBound(const List &list)
{
    return list.isEmpty() ? 0 : list.size() - 1;
}

} // namespace mv
