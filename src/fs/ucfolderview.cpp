#include "fs/ucfolderview.h"

#include "app/paths.h"
#include "controls/theme.h"
#include "fs/fileops.h"
#include "fs/foldertree.h"

#include <QAbstractFileIconProvider>
#include <QCoreApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPersistentModelIndex>
#include <QStorageInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <dirent.h>

#include <algorithm>

namespace mv {

namespace {

constexpr int ParameterRole = Qt::UserRole;
constexpr int FilledRole = Qt::UserRole + 1;
// Table index 1 would be a drive B:, which this platform has not; drives start at 2, so the
// desktop node's parameter 1 is never shared.
constexpr int FirstDrive = 2;

const QString &Slash()
{
    static const QString slash = QStringLiteral("/");
    return slash;
}

QString WithSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace

class ucFolderView::Private
{
public:
    ucFolderView *q = nullptr;
    FolderTree *tree = nullptr;
    GatedSelection *selection = nullptr;
    QList<FolderNode> nodes;
    QFileIconProvider icons;
    bool initialized = false;
    int borderStyle = 1;
    bool hideSelection = false;
    bool singleExpand = false;
    QString rPath;
    QTreeWidgetItem *rNode = nullptr;

    QTreeWidgetItem *root() const { return tree->topLevelItemCount() ? tree->topLevelItem(0) : nullptr; }
    QTreeWidgetItem *selected() const { return tree->itemOf(selection->selectedNode()); }

    // The path the owner sees for a node: the root, the desktop node and no node read as
    // the desktop folder; the others their table path (desktop label form kept).
    QString pathOf(const QTreeWidgetItem *node) const
    {
        const int parameter = NodeParameter(node);
        if (parameter < FirstDrive || parameter >= nodes.size())
            return DesktopFolder();
        return nodes.at(parameter).Path;
    }
    // Where the node's folder is on disk.
    QString diskPathOf(const QTreeWidgetItem *node) const
    {
        return NodeParameter(node) == 1 ? DesktopFolder() : ResolveDesktopLabel(pathOf(node));
    }

    QTreeWidgetItem *addNode(QTreeWidgetItem *parent, const QString &text, const QIcon &icon, const QString &path,
                             bool expandable)
    {
        auto *item = new QTreeWidgetItem;
        item->setText(0, text);
        item->setIcon(0, icon);
        item->setData(0, ParameterRole, int(nodes.size()));
        item->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                                 : QTreeWidgetItem::DontShowIndicatorWhenChildless);
        nodes.append({item, path});
        if (parent)
            parent->addChild(item);
        return item;
    }

    void fillTopLevels();
    void fill(QTreeWidgetItem *node);
    void expanded(QTreeWidgetItem *node);
    void collapsed(QTreeWidgetItem *node);
    bool mayMove(QTreeWidgetItem *to);
    void moved(QTreeWidgetItem *from, QTreeWidgetItem *to);
    void rightPressed(QTreeWidgetItem *node, const QPoint &at);
    void forgetSubtree(QTreeWidgetItem *node);
    void applyHideSelection();
};

void ucFolderView::Private::fillTopLevels()
{
    auto *computer = new QTreeWidgetItem;
    computer->setText(0, QStringLiteral("计算机"));
    computer->setIcon(0, icons.icon(QAbstractFileIconProvider::Computer));
    computer->setData(0, ParameterRole, 0);
    tree->addTopLevelItem(computer);

    QTreeWidgetItem *desktop = addNode(nullptr, QStringLiteral("我的桌面"),
                                       icons.icon(QAbstractFileIconProvider::Desktop),
                                       QString::fromUtf8(DesktopLabel), true);
    desktop->setData(0, ParameterRole, 1);
    computer->addChild(desktop);
    nodes.append({nullptr, QString()}); // no drive B:

    const QString home = WithSlash(QDir::homePath());
    addNode(computer, Slash(), icons.icon(QAbstractFileIconProvider::Drive), Slash(), true);
    if (home != Slash())
        addNode(computer, QDir::homePath(), icons.icon(QFileInfo(QDir::homePath())), home, true);
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(),
              [](const QStorageInfo &a, const QStorageInfo &b) { return a.rootPath() < b.rootPath(); });
    QStringList shown = {Slash(), home};
    for (const QStorageInfo &volume : std::as_const(volumes)) {
        const QString path = WithSlash(volume.rootPath());
        if (!IsBrowsableVolume(volume) || shown.contains(path))
            continue;
        shown.append(path);
        const QString label = volume.name();
        const QString text = label.isEmpty() ? volume.rootPath()
                                             : label + QStringLiteral(" (") + volume.rootPath() + QLatin1Char(')');
        addNode(computer, text, icons.icon(QAbstractFileIconProvider::Drive), path, true);
    }
}

void ucFolderView::Private::fill(QTreeWidgetItem *node)
{
    node->setData(0, FilledRole, true);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool desktopNode = NodeParameter(node) == 1;
    const QString folder = diskPathOf(node);
    const QString stored = desktopNode ? QString::fromUtf8(DesktopLabel) : pathOf(node);
    const QString desktop = DesktopFolder();
    QStringList names = SubfolderNames(folder);
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    // Every plain folder shares one icon: asking per folder costs a lookup each and gives the
    // same picture.
    const QIcon folderIcon = icons.icon(QAbstractFileIconProvider::Folder);
    QList<QTreeWidgetItem *> children;
    children.reserve(names.size());
    for (const QString &name : std::as_const(names)) {
        const QString full = folder + name + Slash();
        if (!desktopNode && full == desktop)
            continue;
        const bool deeper = HasSubfolder(full);
        children.append(addNode(nullptr, name, folderIcon, stored + name + Slash(), deeper));
    }
    node->addChildren(children);
    if (children.isEmpty())
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    tree->scrollToItem(node);
    QGuiApplication::restoreOverrideCursor();
}

void ucFolderView::Private::expanded(QTreeWidgetItem *node)
{
    if (NodeParameter(node) >= 1 && !node->data(0, FilledRole).toBool())
        fill(node);
    if (!singleExpand)
        return;
    // Only the branch just opened stays open: every other open branch beside it or beside
    // one of its ancestors closes.
    for (QTreeWidgetItem *keep = node; keep && keep->parent(); keep = keep->parent()) {
        QTreeWidgetItem *parent = keep->parent();
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i) != keep && parent->child(i)->isExpanded())
                parent->child(i)->setExpanded(false);
        }
    }
}

void ucFolderView::Private::collapsed(QTreeWidgetItem *node)
{
    // Like the platform tree, a selection that a collapse hides moves to the collapsed node.
    QTreeWidgetItem *chosen = selected();
    for (QTreeWidgetItem *up = chosen ? chosen->parent() : nullptr; up; up = up->parent()) {
        if (up == node) {
            tree->setCurrentItem(node);
            return;
        }
    }
}

bool ucFolderView::Private::mayMove(QTreeWidgetItem *to)
{
    if (!to || NodeParameter(to) == 0)
        return true;
    const QPersistentModelIndex from = selection->selectedNode();
    const QPersistentModelIndex keep = tree->indexOf(to);
    tree->boldItem = to;
    tree->refreshFont(tree->itemOf(from));
    tree->refreshFont(to);
    // Lets the bold node show; input waits, so that no second change starts inside this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!keep.isValid())
        return false;
    bool cancel = false;
    emit q->ChangeBefore(pathOf(to), &cancel);
    if (tree->boldItem == to) {
        tree->boldItem = nullptr;
        tree->refreshFont(to);
    }
    if (!keep.isValid())
        return false;
    if (cancel && from.isValid())
        tree->scrollTo(from);
    return !cancel;
}

void ucFolderView::Private::moved(QTreeWidgetItem *from, QTreeWidgetItem *to)
{
    if (!to || NodeParameter(to) == 0)
        return;
    const QString oldPath = pathOf(from);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    emit q->ChangeAfter(oldPath);
}

void ucFolderView::Private::rightPressed(QTreeWidgetItem *node, const QPoint &at)
{
    if (!initialized)
        return;
    rNode = node;
    const int parameter = NodeParameter(node);
    if (parameter < 1)
        return;
    rPath = pathOf(node);
    const QPoint inTree = tree->viewport()->mapTo(tree, at);
    emit q->MouseUp(2, 0, inTree.x(), inTree.y());
}

void ucFolderView::Private::forgetSubtree(QTreeWidgetItem *node)
{
    tree->forget(node);
    if (rNode == node)
        rNode = nullptr;
    const int parameter = NodeParameter(node);
    if (parameter >= 0 && parameter < nodes.size() && nodes.at(parameter).hNode == node)
        nodes[parameter].hNode = nullptr;
    for (int i = 0; i < node->childCount(); ++i)
        forgetSubtree(node->child(i));
}

void ucFolderView::Private::applyHideSelection()
{
    QPalette palette = tree->palette();
    const QPalette standard = tree->style()->standardPalette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     hideSelection ? palette.color(QPalette::Inactive, QPalette::Base)
                                   : standard.color(QPalette::Inactive, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     hideSelection ? palette.color(QPalette::Inactive, QPalette::Text)
                                   : standard.color(QPalette::Inactive, QPalette::HighlightedText));
    tree->setPalette(palette);
}

ucFolderView::ucFolderView(QWidget *parent)
    : QWidget(parent)
    , d(new Private)
{
    d->q = this;
    d->tree = new FolderTree(this);
    d->tree->setHeaderHidden(true);
    d->tree->setColumnCount(1);
    d->tree->setRootIsDecorated(false);
    d->tree->setSelectionMode(QAbstractItemView::SingleSelection);
    d->tree->setDragDropMode(QAbstractItemView::NoDragDrop);
    d->tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    d->tree->setUniformRowHeights(false);
    d->tree->setFrameShape(QFrame::StyledPanel);
    d->tree->setFrameShadow(QFrame::Sunken);
    d->selection = new GatedSelection(d->tree->model(), d->tree);
    QItemSelectionModel *standard = d->tree->selectionModel();
    d->tree->setSelectionModel(d->selection);
    delete standard;
    d->selection->mayMove = [this](const QModelIndex &to) { return d->mayMove(d->tree->itemOf(to)); };
    d->selection->moved = [this](const QModelIndex &from, const QModelIndex &to) {
        d->moved(d->tree->itemOf(from), d->tree->itemOf(to));
    };
    d->tree->inputStarts = [this] { d->selection->forgetDecision(); };
    d->tree->rightPressed = [this](QTreeWidgetItem *node, const QPoint &at) { d->rightPressed(node, at); };
    connect(d->tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *node) { d->expanded(node); });
    connect(d->tree, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *node) { d->collapsed(node); });

    QPalette palette = d->tree->palette();
    palette.setColor(QPalette::Base, theme::WindowBlue);
    d->tree->setPalette(palette);
    d->tree->setAutoFillBackground(true);

    setFocusProxy(d->tree);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(d->tree);
}

ucFolderView::~ucFolderView()
{
    // The tree goes first, so that nothing it does on the way out reaches a half-gone table.
    disconnect(d->tree, nullptr, this, nullptr);
    d->selection->mayMove = nullptr;
    d->selection->moved = nullptr;
    d->tree->inputStarts = nullptr;
    d->tree->rightPressed = nullptr;
    delete d->tree;
    delete d;
}

QString ucFolderView::RPath() const { return d->initialized ? d->rPath : QString(); }

QTreeWidgetItem *ucFolderView::rNode() const { return d->initialized ? d->rNode : nullptr; }

bool ucFolderView::DeleteNode(QTreeWidgetItem *hNode)
{
    // Without its root the tree would have nothing left to show.
    if (!d->initialized || !hNode || hNode->treeWidget() != d->tree || hNode == d->root())
        return false;
    d->selection->forgetDecision();
    QTreeWidgetItem *parent = hNode->parent();
    QTreeWidgetItem *selected = d->selected();
    bool holdsSelection = false;
    for (QTreeWidgetItem *node = selected; node; node = node->parent())
        holdsSelection = holdsSelection || node == hNode;
    d->forgetSubtree(hNode);
    if (holdsSelection)
        d->selection->clear();
    delete hNode;
    // The folder shown is gone: the selection goes to the node that held it.
    if (holdsSelection && parent)
        d->tree->setCurrentItem(parent);
    return true;
}

void ucFolderView::pvNewFolders(QTreeWidgetItem *hNode, const QString &sFolder)
{
    if (!d->initialized || !hNode || hNode->treeWidget() != d->tree || NodeParameter(hNode) < 1)
        return;
    hNode->setExpanded(true);
    MakeFolderPath(d->diskPathOf(hNode) + sFolder);
}

bool ucFolderView::Initialize()
{
    if (d->initialized)
        return false;
    d->fillTopLevels();
    d->initialized = true;
    d->root()->setExpanded(true);
    return true;
}

void ucFolderView::Go(int Where)
{
    if (!d->initialized || Where != 0)
        return;
    d->selection->forgetDecision();
    QTreeWidgetItem *selected = d->selected();
    QTreeWidgetItem *parent = selected ? selected->parent() : nullptr;
    if (parent && parent != d->root())
        d->tree->setCurrentItem(parent);
}

int ucFolderView::BorderStyle() const { return d->borderStyle; }

void ucFolderView::setBorderStyle(int style)
{
    if (style != 0 && style != 1)
        return;
    d->borderStyle = style;
    d->tree->setFrameShape(style == 1 ? QFrame::StyledPanel : QFrame::NoFrame);
}

bool ucFolderView::HasButtons() const { return d->tree->hasButtons; }

void ucFolderView::setHasButtons(bool on)
{
    d->tree->hasButtons = on;
    d->tree->viewport()->update();
}

bool ucFolderView::HasLines() const { return d->tree->hasLines; }

void ucFolderView::setHasLines(bool on)
{
    d->tree->hasLines = on;
    d->tree->viewport()->update();
}

bool ucFolderView::HideSelection() const { return d->hideSelection; }

void ucFolderView::setHideSelection(bool on)
{
    d->hideSelection = on;
    d->applyHideSelection();
}

bool ucFolderView::SingleExpand() const { return d->singleExpand; }

void ucFolderView::setSingleExpand(bool on) { d->singleExpand = on; }

bool ucFolderView::TrackSelect() const { return d->tree->trackSelect; }

void ucFolderView::setTrackSelect(bool on)
{
    d->tree->trackSelect = on;
    d->tree->viewport()->setMouseTracking(on);
    if (!on)
        d->tree->setHot(nullptr);
}

QString ucFolderView::Path() const
{
    if (!d->initialized)
        return {};
    return d->pathOf(d->selected());
}

void ucFolderView::setPath(const QString &path)
{
    if (!d->initialized)
        return;
    d->selection->forgetDecision();
    if (path.isEmpty()) {
        d->selection->clear();
        return;
    }
    QString text = WithSlash(path);
    const QString desktop = DesktopFolder();
    const QString label = QString::fromUtf8(DesktopLabel);
    if (text.startsWith(desktop))
        text = label + text.mid(desktop.size());

    // Start at the deepest top node holding the path (the home folder lies inside "/"), then
    // walk down one folder per "/", listing each node on the way.
    QTreeWidgetItem *node = nullptr;
    qsizetype matched = 0;
    for (int i = 0; i < d->nodes.size(); ++i) {
        const FolderNode &top = d->nodes.at(i);
        if (!top.hNode || top.hNode->parent() != d->root())
            continue;
        if (text.startsWith(top.Path) && top.Path.size() > matched) {
            node = top.hNode;
            matched = top.Path.size();
        }
    }
    for (qsizetype at = text.indexOf(QLatin1Char('/'), matched); node && at >= 0;
         at = text.indexOf(QLatin1Char('/'), at + 1)) {
        const QString step = text.left(at + 1);
        node->setExpanded(true);
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i) {
            if (d->pathOf(node->child(i)) == step && NodeParameter(node->child(i)) >= FirstDrive)
                next = node->child(i);
        }
        node = next;
    }
    if (node)
        d->tree->setCurrentItem(node);
    else
        d->selection->clear();
}

bool ucFolderView::PathIsRoot() const
{
    return d->initialized && d->selected() && d->selected() == d->root();
}

bool ucFolderView::PathParentIsRoot() const
{
    return d->initialized && d->selected() && d->selected()->parent() == d->root() && d->root();
}

bool ucFolderView::PathIsValid(const QString &path)
{
    if (!path.endsWith(QLatin1Char('/')))
        return false;
    DIR *dir = ::opendir(QFile::encodeName(ResolveDesktopLabel(path)).constData());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

const QList<FolderNode> &ucFolderView::nodes() const { return d->nodes; }

QTreeWidget *ucFolderView::tree() const { return d->tree; }

int ucFolderView::NodeParameter(const QTreeWidgetItem *node)
{
    if (!node)
        return -1;
    const QVariant parameter = node->data(0, ParameterRole);
    return parameter.isValid() ? parameter.toInt() : -1;
}

} // namespace mv
