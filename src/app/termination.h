#pragma once

namespace mv {

// From now on a request to end (SIGTERM, SIGHUP, SIGINT: a session that logs out, `kill`)
// closes the windows as the user would, so that window places, history and the close-time
// steps are not lost, and then ends the program.
void CloseWindowsOnTermination();

} // namespace mv
