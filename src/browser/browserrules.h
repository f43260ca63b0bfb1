#pragma once

#include <QLocale>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace mv {

// The browser window's rules that need no window: its bounds, its status texts and its
// folder history.

inline constexpr QSize BrowserFirstSize{815, 650};

// Where the window opens, from PlayerWnd ("left,top,width,height", pixels) on a screen of
// the given size. A value without four whole numbers counts as none: the first-start size,
// centred. Sizes below the first-start size or beyond the screen fall back to it; an edge
// off the screen centres the window on that axis.
QRect RestoredBounds(const QString &playerWnd, QSize screen);
// What the close stores in PlayerWnd.
QString BoundsText(const QRect &bounds);

// A file length as the status bar shows it: "512字节", "1.5 Kb", "1. Kb", "2.25 Mb", "1. Gb";
// the decimal separator is the locale's and stays even when no decimals follow.
QString FileLenText(qint64 length, const QLocale &locale = QLocale());
// The length of the file as FileLenText gives it; 0 bytes when there is no such file.
QString GetFileLen(const QString &path);

// The path box's history: folders most recent first, then the clear entry.
// The list after a visit to path: path moves (or goes) to the top, a full list gives up its
// oldest folder, and the clear entry ends the list. An empty path only makes sure of the
// clear entry.
QStringList HistoryWithVisit(QStringList entries, const QString &path);
// The running list holds at most this many entries, the clear entry included.
inline constexpr int HistoryListMax = 25;

} // namespace mv
