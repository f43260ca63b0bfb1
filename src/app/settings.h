#pragma once

#include "app/inifile.h"

#include <QString>
#include <QStringList>

#include <array>

namespace mv {

// The path box's last item; it ends the history list.
inline constexpr const char *ClearHistoryItem = "清除列表记录...";
inline constexpr int HistoryMaxEntries = 25;

struct ViewSettings {
    int ThumbnailWidth = 170;
    int ThumbnailHeight = 127;
    int ViewMode = 0;
    std::array<int, 4> ViewColumnWidth{100, 100, 100, 100};
};

struct LoadedSettings {
    ViewSettings view;
    QStringList history; // folders for the path box, in list order, only existing ones
};

// View options of section Options and the folder history (00Rec, 01Rec, ...).
// A value that is not a whole number keeps its default.
LoadedSettings LoadSettings(const QString &fileName);
// Writes the path box's items to 00Rec, 01Rec, ... up to the first empty or clear item.
// Higher keys already in the file stay as they are. An item that cannot be stored (a line
// break in it) is skipped; when the file cannot be written, the rest is not tried and the
// first failure is returned.
IniWriteResult SaveHistory(const QStringList &pathBoxItems, const QString &fileName);

QString HistoryKey(int index); // "00Rec" ... "24Rec"

} // namespace mv
