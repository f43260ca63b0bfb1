#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

namespace mv {

// One row of the node table: a tree node and its folder path (always ending in "/"; folders
// below the desktop node are kept in the desktop label form "|我的桌面/...").
struct FolderNode
{
    QTreeWidgetItem *hNode = nullptr;
    QString Path;
};

// The folder tree of the browser window. One root (the computer) holds the desktop node and
// the "drives" ("/", the home folder, mounted volumes). Folders are listed the first time
// their node is expanded. Every node carries an integer parameter: 0 the root, 1 the
// desktop node, 2 and up an index into the node table.
class ucFolderView : public QWidget
{
    Q_OBJECT
public:
    explicit ucFolderView(QWidget *parent = nullptr);
    ~ucFolderView() override;

    // Methods. Before Initialize has succeeded they do nothing and give false or "".
    QString RPath() const;
    QTreeWidgetItem *rNode() const;
    bool DeleteNode(QTreeWidgetItem *hNode);
    void pvNewFolders(QTreeWidgetItem *hNode, const QString &sFolder);
    bool Initialize();
    void Go(int Where);

    // Properties.
    int BorderStyle() const;
    void setBorderStyle(int style);
    bool HasButtons() const;
    void setHasButtons(bool on);
    bool HasLines() const;
    void setHasLines(bool on);
    bool HideSelection() const;
    void setHideSelection(bool on);
    bool SingleExpand() const;
    void setSingleExpand(bool on);
    bool TrackSelect() const;
    void setTrackSelect(bool on);
    // Reading: the selected folder (root or desktop node: DesktopFolder). Writing: expands
    // along the way and selects the folder's node, or clears the selection when none is found.
    QString Path() const;
    void setPath(const QString &path);
    bool PathIsRoot() const;
    bool PathParentIsRoot() const;
    // Whether anything at all can be listed in the folder (path ends in "/").
    static bool PathIsValid(const QString &path);

    // The node table and the tree itself, for the owner's menus and for tests.
    const QList<FolderNode> &nodes() const;
    QTreeWidget *tree() const;
    // The integer parameter of a node (-1 for none).
    static int NodeParameter(const QTreeWidgetItem *node);

signals:
    // The selection is about to move to a node other than the root; set *Cancel to refuse.
    // Connect directly (the handler runs inside the tree's notification).
    void ChangeBefore(const QString &NewPath, bool *Cancel);
    void ChangeAfter(const QString &OldPath);
    // The right button went down on a node other than the root; X, Y in tree coordinates.
    void MouseUp(int Button, int Shift, int X, int Y);

private:
    class Private;
    Private *d = nullptr;
};

} // namespace mv
