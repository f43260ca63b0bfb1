#pragma once

#include <QString>

namespace mv {

// Writes the bytes of the program's resource ":/<type>/<id>" to path, replacing the file
// whole (no old tail survives). False when the resource is missing or the write failed.
[[nodiscard]] bool SaveResource(const QString &path, const QString &type, int id);

} // namespace mv
