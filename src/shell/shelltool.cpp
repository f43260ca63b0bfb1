#include "shell/shelltool.h"

#include <QProcess>
#include <QStandardPaths>

namespace mv {

bool HasTool(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

ToolRun RunTool(const QString &name, const QStringList &arguments, int timeoutMs)
{
    ToolRun run;
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return run;
    run.found = true;
    QProcess process;
    // A tool that asks for input gets none instead of waiting for it.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return run;
    }
    run.finished = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    return run;
}

} // namespace mv
