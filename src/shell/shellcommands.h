#pragma once

#include "shell/desktopwallpaper.h"

#include <QString>

namespace mv {

// The association command, the click of the browser's association button. It makes the
// program the desktop's default for every supported type; when [Config] Association is
// "True" (the button, not the first start) it then tells whether the desktop now opens
// ".JPEG" files with the program.
void AssociateFileTypes();

// The browser's first-start step: when [Config] Association is not "True", runs the
// association command (which then shows nothing) and writes "True".
void AssociateOnFirstStart();

// The wallpaper commands (mDesk1, mDesk2, mDesk3) on a picture. A picture that cannot be
// read or written ends the command without a word; the user is told only when nothing here
// can set a wallpaper or the desktop refused it.
void SetDesktopWallpaper(const QString &imagePath, WallpaperStyle style);

} // namespace mv
