#pragma once

#include <QtGlobal>

namespace mv {

// Process-wide values shared by the windows of one process.
inline bool ViewerAlone = false;  // the viewer was opened by itself, not by the browser
inline bool AppClosing = false;   // the browser is closing: running loops stop on it
inline quint32 GdiToken = 0;      // token of the imaging library's start-up
inline int CurrentIndex = 0;      // index of the image shown by the viewer or the slide show

inline constexpr const char *AppTitle = "Mirovale";

} // namespace mv
