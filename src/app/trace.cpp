#include "app/trace.h"

#include <QCoreApplication>
#include <QFile>

namespace mv {

void Trace(const QString &line)
{
    static const QString target = qEnvironmentVariable("MIROVALE_TRACE");
    if (target.isEmpty())
        return;
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write((QString::number(QCoreApplication::applicationPid()) + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8());
}

} // namespace mv
