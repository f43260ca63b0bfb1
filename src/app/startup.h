#pragma once

#include <QStringList>

namespace mv {

// The entry point's decision: open the browser, hand the path to a running window and end,
// or open the viewer by itself. arguments are the command-line arguments after the program
// name. Returns the process's exit code.
int RunMirovale(const QStringList &arguments);

// Starts the imaging library; on failure tells the user. False means: end at once.
[[nodiscard]] bool InitializeProcess();

} // namespace mv
