#include "app/resource.h"

#include <QFile>
#include <QSaveFile>

namespace mv {

bool SaveResource(const QString &path, const QString &type, int id)
{
    QFile resource(QStringLiteral(":/%1/%2").arg(type).arg(id));
    if (!resource.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = resource.readAll();
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (target.write(bytes) != bytes.size())
        return false;
    return target.commit();
}

} // namespace mv
