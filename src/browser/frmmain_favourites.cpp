// The favourite folders: [FavFolder] of Config.ini, the names in List1 and the paths in
// List2 (same indexes), and the tree's folder menu that adds to them.

#include "browser/frmmain.h"

#include "app/inifile.h"
#include "app/paths.h"
#include "controls/combo.h"
#include "fs/ucfolderview.h"

#include <QCursor>
#include <QDir>
#include <QStorageInfo>
#include <QListWidget>
#include <QMenu>

namespace mv {

int Frmmain::CheckFavList(const QString &path) const
{
    return int(List2.indexOf(path));
}

void Frmmain::AddToFav(const QString &path)
{
    // A failed write has been reported; the lists change all the same.
    (void)WriteIniValue(QStringLiteral("FavFolder"), path, ParentFolderName(path), ConfigPath());
    List1->addItem(ParentFolderName(path));
    List2.append(path);
}

void Frmmain::RemToFav(const QString &path)
{
    const int index = CheckFavList(path);
    if (index < 0)
        return;
    (void)WriteIniValue(QStringLiteral("FavFolder"), path, std::nullopt, ConfigPath());
    delete List1->takeItem(index);
    List2.removeAt(index);
}

void Frmmain::LoadFav()
{
    QStringList keys;
    ReadIniKeys(keys, QStringLiteral("FavFolder"), ConfigPath());
    List1->clear();
    List2.clear();
    for (const QString &key : std::as_const(keys)) {
        List1->addItem(GetIniString(QStringLiteral("FavFolder"), key, ConfigPath()));
        List2.append(key);
    }
}

void Frmmain::List1_Click()
{
    const int index = List1->currentRow();
    if (index < 0 || index >= List2.size())
        return;
    // The path box's change notification opens the folder.
    cbPath->setText(List2.at(index));
}

namespace {

// "/", the home folder and mounted volumes are this platform's drives: never deleted from
// the folder menu, whatever their length.
bool isDriveRoot(const QString &path)
{
    QString bare = path;
    while (bare.size() > 1 && bare.endsWith(QLatin1Char('/')))
        bare.chop(1);
    return bare == QStringLiteral("/") || bare == QDir::homePath() || QStorageInfo(bare).rootPath() == bare;
}

} // namespace

void Frmmain::kFolder_MouseUp(int, int, int, int)
{
    const QString path = ResolveDesktopLabel(kFolder->RPath());
    mDelFolder->setEnabled(!path.contains(DesktopFolder()) && path.size() > 3 && !isDriveRoot(path));
    mMenu2->popup(QCursor::pos());
}

void Frmmain::mFavFolder_Click()
{
    const QString path = ResolveDesktopLabel(kFolder->RPath());
    if (!path.isEmpty() && CheckFavList(path) == -1)
        AddToFav(path);
}

} // namespace mv
