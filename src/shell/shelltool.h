#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace mv {

// How a desktop tool (update-mime-database, gsettings, feh...) ran. Tools are optional:
// one that is not installed is no error of ours, so found is kept apart from the outcome.
struct ToolRun {
    bool found = false;    // the program is on PATH
    bool finished = false; // it ended by itself within the time allowed
    int exitCode = -1;
    QByteArray output;     // its standard output
    bool ok() const { return found && finished && exitCode == 0; }
};

inline constexpr int ToolTimeoutMs = 15000;

// True when a program of that name is on PATH.
bool HasTool(const QString &name);

// Runs the program found on PATH with the arguments as given (no shell in between, so blanks,
// quotes and "$" in them are plain characters) and waits for it. A program that outlives
// timeoutMs is killed and counts as failed.
[[nodiscard]] ToolRun RunTool(const QString &name, const QStringList &arguments, int timeoutMs = ToolTimeoutMs);

} // namespace mv
