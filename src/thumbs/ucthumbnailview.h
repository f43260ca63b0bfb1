#pragma once

#include "thumbs/thumbitemdelegate.h"
#include "thumbs/thumbtargets.h"

#include <QImage>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

class QAbstractItemView;
class QItemSelection;
class QItemSelectionModel;
class QLineEdit;
class QListView;
class QStackedLayout;
class QTreeView;

namespace mv {

class ThumbItemModel;

// The thumbnail list: the images of a folder as a grid of thumbnails with their names under
// them (view mode 0, drawn by the control), or as a details list with the columns "Name",
// "Type", "Size", "Date" and "Rot" (view mode 1). Items are added with their texts; their
// pictures come as stored thumbnail bytes per slot, a slot being the index an item was added
// at. Names are drawn as plain text.
class ucThumbnailView : public QWidget, public ThumbList
{
    Q_OBJECT
public:
    explicit ucThumbnailView(QWidget *parent = nullptr);
    ~ucThumbnailView() override;

    // Methods. Before Initialize has succeeded they do nothing and give false, 0 or "".
    bool Initialize(const QString &FormatsMask, const QString &MaskSeparator, int ViewMode, int NameColumnWidth,
                    int TypeColumnWidth, int SizeColumnWidth, int DateColumnWidth);
    void SetRedraw(bool bRedraw) override;
    void RefreshItems(int ItemFirst, int ItemLast) override;
    bool Clear();
    bool Sort(int ColumnID);
    void ItemSetCount(int FinalCount) override;
    bool ItemAdd(int Item, const QString &Filename, qint64 FileSize, const QString &FileDate, int FileRote) override;
    bool Selected(int Item) const;
    void ItemRemove(int Item);
    void ItemEnsureVisible(int Item) override;
    // Coincidence: 2 the whole text, 8 its beginning (both without regard to case), 0x20 go on
    // from the first item after the last.
    int ItemFindText(const QString &Text, int StartItem, int Coincidence) const;
    // State: 2 selected, 1 focused; every bit given must be set.
    int ItemFindState(int StartItem, int State) const;
    // The item under a point of the list (its picture or its label), or -1.
    int ItemHitTest(int x, int y) const;
    void ThumbnailInfo_SetTBIH(int Index, const QByteArray &aTBIH) override;
    void ThumbnailInfo_SetData(int Index, const QByteArray &aData) override;
    bool ThumbnailInfo_GetTBIH(int Index, QByteArray &aTBIH) const;
    bool ThumbnailInfo_GetData(int Index, QByteArray &aData) const;
    void SetThumbnailSize(int New_Width, int New_Height);
    void SetItemText(int Item, const QString &sText);
    void ItemReName(int Item, const QString &sName);

    // Properties.
    int ThumbnailWidth() const { return mThumbSize.width(); }
    int ThumbnailHeight() const { return mThumbSize.height(); }
    int ColumnIcon(int ColumnID) const;
    void setColumnIcon(int ColumnID, int image);
    int ColumnWidth(int ColumnID) const;
    void setColumnWidth(int ColumnID, int width);
    QString ItemText(int Item, int ColumnID) const;
    bool ItemSelected(int Item) const { return Selected(Item); }
    void setItemSelected(int Item, bool selected);
    bool ItemFocused(int Item) const;
    void setItemFocused(int Item, bool focused);
    int BorderStyle() const;
    void setBorderStyle(int style);
    int count() const override;
    bool Enabled() const { return isEnabled(); }
    bool HideSelection() const { return mHideSelection; }
    void setHideSelection(bool hide);
    int ViewMode() const { return mViewMode; }
    void setViewMode(int mode);
    QAbstractItemView *hWnd() const;

    int ItemSlot(int Item) const override;
    int LabelHeight() const { return mLabelHeight; }
    QSize ItemSpacing() const;
    // The rename box, for the window's own checks.
    QLineEdit *Text1() const { return mText1; }

signals:
    void ItemClick(int Item);
    void ItemDblClick(int Item);
    void ItemRightClick(int Item);
    void ItemRightClick2();
    void ColumnResize(int ColumnID);
    void ReName(const QString &sFile);
    void KeyUp(int KeyCode, int Shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <typename> friend class ThumbViewOf;
    struct Slot {
        QByteArray header;
        QByteArray pixels;
        QImage image;          // made from the bytes when first drawn
        bool imageReady = false;
    };
    struct FormatEntry {
        QString extension;
        QString typeName;
        int icon = 0;
    };

    void BuildFormats(const QString &mask, const QString &separator);
    void ApplyColours();
    void ApplySpacing();
    ThumbDrawSource::Picture SlotPicture(int slot);
    void SlotChanged(int slot);
    const Slot *SlotAt(int slot) const;
    QModelIndex Row(int item) const;
    int RowAt(QPoint viewportPoint) const;
    void EndRename();
    void FocusOutOfControl(bool backwards);
    void OnSelectionChanged(const QItemSelection &selected);
    void OnCurrentChanged(const QModelIndex &current, const QModelIndex &previous);
    void AfterPress(Qt::MouseButton button, QPoint at);
    void AfterDoubleClick(QPoint at);
    bool KeyPressed(int key, Qt::KeyboardModifiers modifiers);
    void KeyReleased(int key, Qt::KeyboardModifiers modifiers);

    bool mInitialised = false;
    QSize mThumbSize{180, 180};
    int mLabelHeight = 0;
    int mViewMode = 0;
    bool mHideSelection = false;
    bool mRedraw = true;
    QList<Slot> mSlots;
    static constexpr int MaxReadyPictures = 512;
    QList<int> mDrawn;            // slots whose picture is ready, the oldest first
    QList<FormatEntry> mFormats;
    QString mStartingName;
    ThumbItemModel *mModel = nullptr;
    QItemSelectionModel *mSelection = nullptr;
    QListView *mIcons = nullptr;
    QTreeView *mDetails = nullptr;
    QStackedLayout *mStack = nullptr;
    QLineEdit *mText1 = nullptr;
    // The focused item as the list last reported it, and whether (and from where) the focus
    // moved in the action being handled.
    QPersistentModelIndex mFocusSeen;
    bool mFocusMoved = false;
    QPersistentModelIndex mFocusBefore;
};

} // namespace mv
