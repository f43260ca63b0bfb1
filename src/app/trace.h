#pragma once

#include <QString>

namespace mv {

// Appends one line, after the process id, to the file named by MIROVALE_TRACE, when that variable is set.
// Process tests read it to see what a window did; nothing is written otherwise.
void Trace(const QString &line);

} // namespace mv
