#include "fs/shellcopy.h"

#include "app/messagebox.h"
#include "app/paths.h"
#include "controls/plaintext.h"
#include "fs/fileops.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>

namespace mv {

namespace {

// Below this a copy is over before a progress window could be read.
constexpr int ProgressDelayMs = 500;

void tellCopyError(const QString &reason)
{
    MsgBox(QStringLiteral("复制文件时出错: ") + reason, QStringLiteral("提示"), MsgIcon::Critical);
}

} // namespace

bool ShellCopy(const QString &source, const QString &target, QWidget *owner)
{
    const QFileInfo from(source);
    const QFileInfo to(target);
    if (!from.isFile()) {
        tellCopyError(QStringLiteral("找不到文件 ") + source);
        return false;
    }
    if (to.exists() && to.canonicalFilePath() == from.canonicalFilePath()) {
        tellCopyError(QStringLiteral("源文件和目标文件相同。"));
        return false;
    }
    if (to.isDir()) {
        tellCopyError(QStringLiteral("目标位置已有同名文件夹 ") + target);
        return false;
    }
    // A link that points nowhere is a file of that name all the same.
    if (to.exists() || to.isSymLink()) {
        const MsgResult answer =
            MsgBox(QStringLiteral("目标文件夹中已存在文件“%1”,是否替换？").arg(FileNameOf(target)),
                   QStringLiteral("提示"), MsgIcon::Question, MsgButtons::YesNo);
        if (answer != MsgResult::Yes)
            return false;
    }

    // The owner may close while the copy lets events run; its parent then deletes the
    // progress window, and the copy stops as if cancelled.
    const QPointer<QProgressDialog> progress = new QProgressDialog(owner);
    // The label names the file: plain text, whatever the name looks like.
    auto *label = new QLabel(progress);
    SetPlainText(label, QStringLiteral("正在复制 %1 ...").arg(FileNameOf(source)));
    progress->setLabel(label);
    progress->setCancelButtonText(QStringLiteral("取消"));
    progress->setRange(0, 1000);
    progress->setWindowTitle(QStringLiteral("复制"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(ProgressDelayMs);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    const CopyResult result = CopyFileThroughTemporary(source, target, [&progress](qint64 done, qint64 total) {
        progress->setValue(total > 0 ? int(done * 1000 / total) : 1000);
        QApplication::processEvents();
        return progress && !progress->wasCanceled();
    });
    delete progress.data();
    if (result.outcome == CopyOutcome::Failed)
        tellCopyError(result.error);
    return result.outcome == CopyOutcome::Copied;
}

QString BrowseForFolder(QWidget *owner, const QString &title, const QString &startFolder)
{
    QString folder = QFileDialog::getExistingDirectory(owner, title, startFolder, QFileDialog::ShowDirsOnly);
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

} // namespace mv
