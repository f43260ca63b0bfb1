#pragma once

#include <QString>

class QWidget;

namespace mv {

// Copies one file as a file manager would: asks before it replaces a file (a symbolic
// link, even one that points nowhere, is replaced itself, never written through), shows
// progress for long copies, tells the user about errors, and never leaves a half-written
// target.
// True when the target now holds the copy.
bool ShellCopy(const QString &source, const QString &target, QWidget *owner = nullptr);

// Asks for a folder, starting in startFolder (empty: the dialog's own choice). The path
// comes without its final "/" (the root gives an empty text, like a cancel), so callers
// append "/" and a name.
QString BrowseForFolder(QWidget *owner, const QString &title, const QString &startFolder = QString());

} // namespace mv
