#pragma once

#include <QStringList>

namespace mv {

// The entry point's decision: open the browser, hand the path to a running window and end,
// or open the viewer by itself. arguments are the command-line arguments after the program
// name. Returns the process's exit code.
int RunMirovale(const QStringList &arguments);

// The path a start was given, as every receiver takes it: the arguments joined by blanks,
// double quotes removed, surrounding blanks trimmed; a file URI of this machine becomes
// its path and a relative path is made absolute against workingFolder (the starting
// process's), since the receiver runs in a folder of its own. Other URIs stay as given.
QString CommandLinePath(const QStringList &arguments, const QString &workingFolder);

// Starts the imaging library; on failure tells the user. False means: end at once.
[[nodiscard]] bool InitializeProcess();

} // namespace mv
