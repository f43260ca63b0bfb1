#include "thumbs/ucthumbnailview.h"

#include "app/paths.h"
#include "controls/theme.h"
#include "thumbs/thumbformat.h"
#include "thumbs/thumbgeometry.h"
#include "thumbs/thumbitemdelegate.h"
#include "thumbs/thumbitemmodel.h"
#include "thumbs/thumbviews.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMimeDatabase>
#include <QStackedLayout>
#include <QTreeView>

namespace mv {

namespace {

constexpr int LVFI_STRING = 0x2;
constexpr int LVFI_PARTIAL = 0x8;
constexpr int LVFI_WRAP = 0x20;
constexpr int LVNI_FOCUSED = 0x1;
constexpr int LVNI_SELECTED = 0x2;

void SetFrame(QFrame *frame, bool edge)
{
    frame->setFrameStyle(edge ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
}

} // namespace

ucThumbnailView::ucThumbnailView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    mText1 = new QLineEdit(this);
    mText1->setObjectName(QStringLiteral("Text1"));
    mText1->hide();
    mText1->installEventFilter(this);
}

ucThumbnailView::~ucThumbnailView()
{
    // No rename may end in an event while the views go.
    mText1->removeEventFilter(this);
}

bool ucThumbnailView::Initialize(const QString &FormatsMask, const QString &MaskSeparator, int ViewMode,
                                 int NameColumnWidth, int TypeColumnWidth, int SizeColumnWidth, int DateColumnWidth)
{
    if (mInitialised)
        return false;
    mViewMode = ViewMode == 1 ? 1 : 0;
    mModel = new ThumbItemModel(this);

    // The list font is the container's; its height sets the label box.
    const QFont listFont = font();
    const double points = listFont.pointSizeF() > 0 ? listFont.pointSizeF() : listFont.pixelSize() * 72.0 / logicalDpiY();
    mLabelHeight = LabelHeightFor(points, logicalDpiY());

    auto *icons = new ThumbViewOf<QListView>(this);
    icons->setViewMode(QListView::IconMode);
    icons->setMovement(QListView::Static);
    icons->setResizeMode(QListView::Adjust);
    icons->setFlow(QListView::LeftToRight);
    icons->setWrapping(true);
    icons->setUniformItemSizes(true);
    icons->setSpacing(0);
    icons->setDragEnabled(false);
    icons->setItemDelegate(new ThumbItemDelegate(
        ThumbDrawSource{[this] { return mThumbSize; }, [this] { return mLabelHeight; },
                        [this](int slot) { return SlotPicture(slot); },
                        [this] { return !mHideSelection || (mIcons && mIcons->hasFocus()); }},
        icons));
    mIcons = icons;

    auto *details = new ThumbViewOf<QTreeView>(this);
    details->setRootIsDecorated(false);
    details->setItemsExpandable(false);
    details->setUniformRowHeights(true);
    details->setAllColumnsShowFocus(true);
    details->setSelectionBehavior(QAbstractItemView::SelectRows);
    details->header()->setStretchLastSection(false);
    details->header()->setSectionsClickable(true); // clicks reorder nothing
    details->setItemDelegate(new GridLineDelegate(details));
    mDetails = details;

    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(mIcons), static_cast<QAbstractItemView *>(mDetails)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setTabKeyNavigation(false);
        view->setFont(listFont);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }
    mIcons->setModel(mModel);
    mDetails->setModel(mModel);
    mSelection = mIcons->selectionModel();
    QItemSelectionModel *own = mDetails->selectionModel();
    mDetails->setSelectionModel(mSelection);
    delete own;

    const int widths[ThumbItemModel::Columns] = {NameColumnWidth, TypeColumnWidth, SizeColumnWidth, DateColumnWidth,
                                                 DateColumnWidth};
    for (int column = 0; column < ThumbItemModel::Columns; ++column)
        mDetails->setColumnWidth(column, widths[column]);
    ApplySpacing();

    QFileIconProvider provider;
    mModel->SetIcons({provider.icon(QAbstractFileIconProvider::File)});
    BuildFormats(FormatsMask, MaskSeparator);

    mStack = new QStackedLayout(this);
    mStack->setContentsMargins(0, 0, 0, 0);
    mStack->addWidget(mIcons);
    mStack->addWidget(mDetails);
    setBorderStyle(1);

    // Thumbnails: the list's own light grey; details: the window colours.
    QPalette pal = mIcons->palette();
    pal.setColor(QPalette::Base, theme::ThumbListBack);
    pal.setColor(QPalette::Text, theme::ThumbListBack);
    mIcons->setPalette(pal);
    ApplyColours();

    connect(mSelection, &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) { OnSelectionChanged(selected); });
    connect(mSelection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) { OnCurrentChanged(current, previous); });
    connect(mDetails->header(), &QHeaderView::sectionResized, this, [this](int column) {
        if (mViewMode == 1)
            emit ColumnResize(column);
    });

    mInitialised = true;
    mStack->setCurrentWidget(hWnd());
    setFocusProxy(hWnd());
    mText1->raise();
    return true;
}

void ucThumbnailView::BuildFormats(const QString &mask, const QString &separator)
{
    QMimeDatabase mimes;
    QFileIconProvider provider;
    QList<QIcon> icons{provider.icon(QAbstractFileIconProvider::File)};
    const QStringList pieces = separator.isEmpty() ? QStringList{mask} : mask.split(separator, Qt::SkipEmptyParts);
    for (const QString &extension : pieces) {
        const QString probe = QStringLiteral("x.") + extension.toLower();
        const QMimeType type = mimes.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
        FormatEntry entry;
        entry.extension = extension;
        if (!type.isDefault()) {
            QString name = type.comment().left(80);
            entry.typeName = name.left(name.indexOf(QChar(0)) < 0 ? name.size() : name.indexOf(QChar(0)));
            const QIcon icon = provider.icon(QFileInfo(probe));
            if (!icon.isNull()) {
                entry.icon = int(icons.size());
                icons.append(icon);
            }
        }
        mFormats.append(entry);
    }
    mModel->SetIcons(icons);
}

void ucThumbnailView::ApplyColours()
{
    const bool hide = mHideSelection;
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(mIcons), static_cast<QAbstractItemView *>(mDetails)}) {
        QPalette pal = view->palette();
        const QPalette normal = QWidget::palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight,
                     hide ? pal.color(QPalette::Base) : normal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     hide ? pal.color(QPalette::Text) : normal.color(QPalette::Active, QPalette::HighlightedText));
        view->setPalette(pal);
    }
}

void ucThumbnailView::ApplySpacing()
{
    mIcons->setGridSize(ItemSpacing());
    mIcons->doItemsLayout();
    mIcons->viewport()->update();
}

QSize ucThumbnailView::ItemSpacing() const
{
    return ThumbItemSpacing(mThumbSize, mLabelHeight);
}

QAbstractItemView *ucThumbnailView::hWnd() const
{
    if (!mInitialised)
        return nullptr;
    return mViewMode == 1 ? static_cast<QAbstractItemView *>(mDetails) : static_cast<QAbstractItemView *>(mIcons);
}

void ucThumbnailView::SetRedraw(bool bRedraw)
{
    if (!mInitialised)
        return;
    mRedraw = bRedraw;
    mIcons->setUpdatesEnabled(bRedraw);
    mDetails->setUpdatesEnabled(bRedraw);
}

void ucThumbnailView::RefreshItems(int ItemFirst, int ItemLast)
{
    if (!mInitialised)
        return;
    const int first = qMax(0, ItemFirst);
    const int last = qMin(count() - 1, ItemLast);
    QAbstractItemView *view = hWnd();
    for (int row = first; row <= last; ++row) {
        const QRect whole = view->visualRect(mModel->index(row, 0))
                                .united(view->visualRect(mModel->index(row, ThumbItemModel::Columns - 1)));
        view->viewport()->update(whole);
    }
}

bool ucThumbnailView::Clear()
{
    if (!mInitialised)
        return false;
    EndRename();
    mModel->RemoveAll();
    mSlots.clear();
    mDrawn.clear();
    return true;
}

bool ucThumbnailView::Sort(int)
{
    return false;
}

void ucThumbnailView::ItemSetCount(int FinalCount)
{
    if (!mInitialised)
        return;
    mSlots = QList<Slot>(qMax(0, FinalCount));
    mDrawn.clear();
}

bool ucThumbnailView::ItemAdd(int Item, const QString &Filename, qint64 FileSize, const QString &FileDate, int FileRote)
{
    if (!mInitialised || Item < 0)
        return false;
    ThumbItemModel::Item item;
    item.text = Filename;
    item.param = Item;
    const QString extension = ExtensionOf(Filename).mid(1);
    for (const FormatEntry &format : std::as_const(mFormats)) {
        if (!extension.isEmpty() && format.extension.compare(extension, Qt::CaseInsensitive) == 0) {
            item.icon = format.icon;
            item.columns[1] = format.typeName;
            break;
        }
    }
    item.columns[2] = QLocale(QLocale::Chinese, QLocale::China).toString(FileSize);
    item.columns[3] = FileDate;
    item.columns[4] = QString::number(FileRote);
    mModel->Insert(Item, item);
    return true;
}

bool ucThumbnailView::Selected(int Item) const
{
    const QModelIndex index = Row(Item);
    return index.isValid() && mSelection->isSelected(index);
}

void ucThumbnailView::ItemRemove(int Item)
{
    if (mInitialised)
        mModel->Remove(Item);
}

void ucThumbnailView::ItemEnsureVisible(int Item)
{
    const QModelIndex index = Row(Item);
    if (index.isValid())
        hWnd()->scrollTo(index);
}

int ucThumbnailView::ItemFindText(const QString &Text, int StartItem, int Coincidence) const
{
    if (!mInitialised || !(Coincidence & (LVFI_STRING | LVFI_PARTIAL)))
        return -1;
    const int n = count();
    const int from = qMax(0, StartItem + 1);
    const int stop = (Coincidence & LVFI_WRAP) ? n + from : n;
    for (int i = from; i < stop; ++i) {
        const int row = i % qMax(1, n);
        const QString text = mModel->At(row)->text;
        const bool hit = (Coincidence & LVFI_PARTIAL) ? text.startsWith(Text, Qt::CaseInsensitive)
                                                      : text.compare(Text, Qt::CaseInsensitive) == 0;
        if (hit)
            return row;
    }
    return -1;
}

int ucThumbnailView::ItemFindState(int StartItem, int State) const
{
    if (!mInitialised)
        return -1;
    const int current = mSelection->currentIndex().isValid() ? mSelection->currentIndex().row() : -1;
    for (int row = qMax(0, StartItem + 1); row < count(); ++row) {
        int state = Selected(row) ? LVNI_SELECTED : 0;
        if (row == current)
            state |= LVNI_FOCUSED;
        if ((state & State) == State)
            return row;
    }
    return -1;
}

int ucThumbnailView::ItemHitTest(int x, int y) const
{
    return mInitialised ? RowAt(QPoint(x, y)) : -1;
}

int ucThumbnailView::RowAt(QPoint viewportPoint) const
{
    const QModelIndex index = hWnd()->indexAt(viewportPoint);
    return index.isValid() ? index.row() : -1;
}

const ucThumbnailView::Slot *ucThumbnailView::SlotAt(int slot) const
{
    return slot >= 0 && slot < mSlots.size() ? &mSlots.at(slot) : nullptr;
}

void ucThumbnailView::ThumbnailInfo_SetTBIH(int Index, const QByteArray &aTBIH)
{
    if (!mInitialised || !SlotAt(Index))
        return;
    mSlots[Index].header = aTBIH;
    SlotChanged(Index);
}

void ucThumbnailView::ThumbnailInfo_SetData(int Index, const QByteArray &aData)
{
    if (!mInitialised || !SlotAt(Index))
        return;
    mSlots[Index].pixels = aData;
    SlotChanged(Index);
}

bool ucThumbnailView::ThumbnailInfo_GetTBIH(int Index, QByteArray &aTBIH) const
{
    const Slot *slot = mInitialised ? SlotAt(Index) : nullptr;
    if (!slot)
        return false;
    aTBIH = slot->header;
    return true;
}

bool ucThumbnailView::ThumbnailInfo_GetData(int Index, QByteArray &aData) const
{
    const Slot *slot = mInitialised ? SlotAt(Index) : nullptr;
    if (!slot)
        return false;
    aData = slot->pixels;
    return true;
}

// The pictures of the items drawn last are kept ready; the bytes of all stay.
ThumbDrawSource::Picture ucThumbnailView::SlotPicture(int slot)
{
    ThumbDrawSource::Picture picture;
    const Slot *s = SlotAt(slot);
    if (!s || s->header.isEmpty())
        return picture;
    picture.hasHeader = true;
    picture.headerSize = ThumbnailHeaderSize(s->header);
    Slot &own = mSlots[slot];
    if (!own.imageReady) {
        own.image = ThumbnailToImage(own.header, own.pixels);
        own.imageReady = true;
        mDrawn.append(slot);
        if (mDrawn.size() > MaxReadyPictures) {
            Slot &oldest = mSlots[mDrawn.takeFirst()];
            oldest.image = QImage();
            oldest.imageReady = false;
        }
    }
    picture.image = own.image;
    return picture;
}

// The picture is made again when next drawn, and the item showing the slot is repainted.
void ucThumbnailView::SlotChanged(int slot)
{
    if (mSlots[slot].imageReady)
        mDrawn.removeOne(slot);
    mSlots[slot].imageReady = false;
    mSlots[slot].image = QImage();
    int row = ItemSlot(slot) == slot ? slot : -1;
    for (int i = 0; row < 0 && i < count(); ++i) {
        if (ItemSlot(i) == slot)
            row = i;
    }
    if (row >= 0)
        RefreshItems(row, row);
}

void ucThumbnailView::SetThumbnailSize(int New_Width, int New_Height)
{
    if (!mInitialised)
        return;
    mThumbSize = ClampThumbnailSize(New_Width, New_Height);
    ApplySpacing();
}

void ucThumbnailView::SetItemText(int Item, const QString &sText)
{
    if (mInitialised)
        mModel->SetColumnText(Item, 4, sText);
}

int ucThumbnailView::ColumnIcon(int ColumnID) const
{
    if (!mInitialised || ColumnID < 0 || ColumnID >= ThumbItemModel::Columns)
        return 0;
    return mModel->ColumnIcon(ColumnID);
}

void ucThumbnailView::setColumnIcon(int ColumnID, int image)
{
    if (!mInitialised || ColumnID < 0 || ColumnID >= ThumbItemModel::Columns)
        return;
    mModel->SetColumnIcon(ColumnID, image < 0 ? -1 : image);
    emit mModel->headerDataChanged(Qt::Horizontal, ColumnID, ColumnID);
}

int ucThumbnailView::ColumnWidth(int ColumnID) const
{
    return mInitialised ? mDetails->columnWidth(ColumnID) : 0;
}

void ucThumbnailView::setColumnWidth(int ColumnID, int width)
{
    if (mInitialised && ColumnID >= 0 && ColumnID < ThumbItemModel::Columns)
        mDetails->setColumnWidth(ColumnID, width);
}

QString ucThumbnailView::ItemText(int Item, int ColumnID) const
{
    if (!mInitialised || ColumnID < 0 || ColumnID >= ThumbItemModel::Columns)
        return {};
    const ThumbItemModel::Item *item = mModel->At(Item);
    if (!item)
        return {};
    return (ColumnID == 0 ? item->text : item->columns[ColumnID]).left(ThumbItemModel::MaxText);
}

void ucThumbnailView::setItemSelected(int Item, bool selected)
{
    const QModelIndex index = Row(Item);
    if (!index.isValid())
        return;
    mFocusMoved = false;
    if (selected) {
        mSelection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        mSelection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    } else {
        mSelection->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        if (mSelection->currentIndex().row() == Item)
            mSelection->clearCurrentIndex();
    }
}

bool ucThumbnailView::ItemFocused(int Item) const
{
    const QModelIndex index = Row(Item);
    return index.isValid() && mSelection->currentIndex().row() == Item;
}

void ucThumbnailView::setItemFocused(int Item, bool focused)
{
    const QModelIndex index = Row(Item);
    if (!index.isValid())
        return;
    mFocusMoved = false;
    if (focused)
        mSelection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    else if (mSelection->currentIndex().row() == Item)
        mSelection->clearCurrentIndex();
}

int ucThumbnailView::BorderStyle() const
{
    return mInitialised && mIcons->frameShape() != QFrame::NoFrame ? 1 : 0;
}

void ucThumbnailView::setBorderStyle(int style)
{
    if (!mInitialised && !mIcons)
        return;
    if (style != 0 && style != 1)
        return;
    SetFrame(mIcons, style == 1);
    SetFrame(mDetails, style == 1);
}

int ucThumbnailView::count() const
{
    return mInitialised ? mModel->rowCount() : 0;
}

void ucThumbnailView::setHideSelection(bool hide)
{
    mHideSelection = hide;
    if (!mInitialised)
        return;
    ApplyColours();
    hWnd()->viewport()->update();
}

void ucThumbnailView::setViewMode(int mode)
{
    if (!mInitialised || (mode != 0 && mode != 1) || mode == mViewMode)
        return;
    EndRename();
    mViewMode = mode;
    if (mode == 0) {
        // Back to thumbnails: the button face behind them from now on.
        QPalette pal = mIcons->palette();
        pal.setColor(QPalette::Base, theme::ButtonFace);
        pal.setColor(QPalette::Text, theme::ButtonText);
        mIcons->setPalette(pal);
        ApplyColours();
    }
    const bool hadFocus = hasFocus() || mIcons->hasFocus() || mDetails->hasFocus();
    mStack->setCurrentWidget(hWnd());
    setFocusProxy(hWnd());
    if (hadFocus)
        hWnd()->setFocus();
    const QModelIndex current = mSelection->currentIndex();
    if (current.isValid())
        hWnd()->scrollTo(current);
}

int ucThumbnailView::ItemSlot(int Item) const
{
    const ThumbItemModel::Item *item = mInitialised ? mModel->At(Item) : nullptr;
    return item ? item->param : -1;
}

QModelIndex ucThumbnailView::Row(int item) const
{
    return mInitialised && item >= 0 && item < count() ? mModel->index(item, 0) : QModelIndex();
}

} // namespace mv
