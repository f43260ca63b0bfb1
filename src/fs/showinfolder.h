#pragma once

#include <QString>

namespace mv {

// Opens the file manager on the file's folder with the file selected; where the file
// manager offers no such call, opens the folder. False when neither worked.
bool ShowInFileManager(const QString &path);

} // namespace mv
