#pragma once

#include <QSize>

class QWidget;

namespace mv {

inline constexpr QSize BrowserMinSize{815, 650};
inline constexpr QSize ViewerMinSize{400, 300};

// Keeps the window where it is and puts it into or out of the always-on-top band.
void SetOnTop(QWidget *window, bool on);
// Lets the window's body drag the window; call from a mouse-press handler.
void DragMove(QWidget *window);
// The window cannot be made smaller than minimum.
void MinSizeProc(QWidget *window, QSize minimum);

// Windows register themselves so that UnloadAllForms closes them newest first.
void TrackForm(QWidget *window);
void UnloadAllForms();

} // namespace mv
