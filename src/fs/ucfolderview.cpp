#include "fs/ucfolderview.h"

#include <QTreeWidget>
#include <QVBoxLayout>

// Interim body so the browser window links; the tree's listing comes next.
namespace mv {

class ucFolderView::Private
{
public:
    QTreeWidget *tree = nullptr;
    QList<FolderNode> nodes;
};

ucFolderView::ucFolderView(QWidget *parent)
    : QWidget(parent)
    , d(new Private)
{
    d->tree = new QTreeWidget(this);
    d->tree->setHeaderHidden(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->tree);
}

ucFolderView::~ucFolderView() { delete d; }

QString ucFolderView::RPath() const { return {}; }
QTreeWidgetItem *ucFolderView::rNode() const { return nullptr; }
bool ucFolderView::DeleteNode(QTreeWidgetItem *) { return false; }
void ucFolderView::pvNewFolders(QTreeWidgetItem *, const QString &) {}
bool ucFolderView::Initialize() { return false; }
void ucFolderView::Go(int) {}
int ucFolderView::BorderStyle() const { return 1; }
void ucFolderView::setBorderStyle(int) {}
bool ucFolderView::HasButtons() const { return true; }
void ucFolderView::setHasButtons(bool) {}
bool ucFolderView::HasLines() const { return true; }
void ucFolderView::setHasLines(bool) {}
bool ucFolderView::HideSelection() const { return false; }
void ucFolderView::setHideSelection(bool) {}
bool ucFolderView::SingleExpand() const { return false; }
void ucFolderView::setSingleExpand(bool) {}
bool ucFolderView::TrackSelect() const { return false; }
void ucFolderView::setTrackSelect(bool) {}
QString ucFolderView::Path() const { return {}; }
void ucFolderView::setPath(const QString &) {}
bool ucFolderView::PathIsRoot() const { return false; }
bool ucFolderView::PathParentIsRoot() const { return false; }
bool ucFolderView::PathIsValid(const QString &) { return false; }
const QList<FolderNode> &ucFolderView::nodes() const { return d->nodes; }
QTreeWidget *ucFolderView::tree() const { return d->tree; }
int ucFolderView::NodeParameter(const QTreeWidgetItem *) { return -1; }

} // namespace mv
