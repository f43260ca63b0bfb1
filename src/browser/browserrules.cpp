#include "browser/browserrules.h"

#include "app/fields.h"
#include "app/paths.h"
#include "app/settings.h"

#include <QFileInfo>

#include <cmath>

namespace mv {

namespace {

bool wholeNumber(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    return ok;
}

QRect centred(QSize size, QSize screen)
{
    return QRect(QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2), size);
}

// "##.##": at most two decimals, no leading or trailing zeros, the separator always shown.
QString twoPlaces(double value, const QLocale &locale)
{
    const qint64 hundredths = std::llround(value * 100.0);
    const qint64 whole = hundredths / 100;
    const int fraction = int(hundredths % 100);
    QString text = whole == 0 ? QString() : QString::number(whole);
    text += locale.decimalPoint();
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += digits;
    }
    return text;
}

} // namespace

QRect RestoredBounds(const QString &playerWnd, QSize screen)
{
    int left = 0, top = 0, width = 0, height = 0;
    if (playerWnd.isEmpty() || !wholeNumber(CommaField(playerWnd, 1), &left)
        || !wholeNumber(CommaField(playerWnd, 2), &top) || !wholeNumber(CommaField(playerWnd, 3), &width)
        || !wholeNumber(CommaField(playerWnd, 4), &height))
        return centred(BrowserFirstSize, screen);
    if (width < BrowserFirstSize.width() || width > screen.width())
        width = BrowserFirstSize.width();
    if (height < BrowserFirstSize.height() || height > screen.height())
        height = BrowserFirstSize.height();
    if (left < 0 || left > screen.width())
        left = (screen.width() - width) / 2;
    if (top < 0 || top > screen.height())
        top = (screen.height() - height) / 2;
    return QRect(left, top, width, height);
}

QString BoundsText(const QRect &bounds)
{
    return QStringLiteral("%1,%2,%3,%4").arg(bounds.left()).arg(bounds.top()).arg(bounds.width()).arg(bounds.height());
}

QString FileLenText(qint64 length, const QLocale &locale)
{
    constexpr qint64 kb = 1024, mb = kb * 1024, gb = mb * 1024;
    if (length < kb)
        return QString::number(length) + QStringLiteral("字节");
    if (length < mb)
        return twoPlaces(double(length) / double(kb), locale) + QStringLiteral(" Kb");
    if (length < gb)
        return twoPlaces(double(length) / double(mb), locale) + QStringLiteral(" Mb");
    return twoPlaces(double(length) / double(gb), locale) + QStringLiteral(" Gb");
}

QString GetFileLen(const QString &path)
{
    // Sizes are 64-bit here: a file past 2 GB is no negative number of bytes.
    const qint64 length = HasFile(path) ? QFileInfo(path).size() : 0;
    return FileLenText(length);
}

QStringList HistoryWithVisit(QStringList entries, const QString &path)
{
    const QString clear = QString::fromUtf8(ClearHistoryItem);
    if (!path.isEmpty()) {
        const qsizetype found = entries.indexOf(path);
        if (found >= 0)
            entries.removeAt(found);
        // The oldest folder is the one just above the clear entry.
        while (entries.size() >= HistoryListMax) {
            const qsizetype oldest = entries.size() - (entries.constLast() == clear ? 2 : 1);
            if (oldest < 0)
                break;
            entries.removeAt(oldest);
        }
        entries.prepend(path);
    }
    if (entries.isEmpty() || entries.constLast() != clear)
        entries.append(clear);
    return entries;
}

} // namespace mv
