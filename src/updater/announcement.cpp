#include "updater/announcement.h"

#include <QLocale>

#include <cmath>

namespace mv {

QString UpdateBaseUrl()
{
    QString base = qEnvironmentVariable("MIROVALE_UPDATE_URL");
    if (base.isEmpty())
        base = QString::fromLatin1(UpdateServerUrl);
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base;
}

QString AnnouncementUrl()
{
    return UpdateBaseUrl() + QLatin1String(AnnouncementFile);
}

bool HasReplyMarker(const QString &reply)
{
    return reply.contains(QLatin1String(ReplyMarker), Qt::CaseSensitive);
}

VersionValue VersionNumber(const QString &text)
{
    // The C locale, so that "." is the decimal point whatever the user's locale; "1,3" is
    // not a thousand-and-something.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return {};
    return {true, value};
}

double LeadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    QString number;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        number += text.at(i++);
    bool digits = false;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        number += text.at(i++);
        digits = true;
    }
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        number += text.at(i++);
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            number += text.at(i++);
            digits = true;
        }
    }
    if (!digits)
        return 0;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok && std::isfinite(value) ? value : 0;
}

} // namespace mv
