#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace mv {

// What the thumbnail builder writes into: the list view's operations (ucThumbnailView gives
// them) and the browser window's controls. Both belong to the window; the builder only
// calls them, on the user-interface thread.

class ThumbList
{
public:
    virtual ~ThumbList() = default;
    virtual void SetRedraw(bool bRedraw) = 0;
    virtual void ItemSetCount(int FinalCount) = 0;
    virtual bool ItemAdd(int Item, const QString &Filename, qint64 FileSize, const QString &FileDate,
                         int FileRote) = 0;
    virtual void ItemEnsureVisible(int Item) = 0;
    // Slots are the indexes items were added at; an index outside them is ignored.
    virtual void ThumbnailInfo_SetTBIH(int Index, const QByteArray &aTBIH) = 0;
    virtual void ThumbnailInfo_SetData(int Index, const QByteArray &aData) = 0;
    virtual void RefreshItems(int ItemFirst, int ItemLast) = 0;
    virtual int count() const = 0;
    // The slot of the item now at that position (items keep theirs when others go), or -1.
    virtual int ItemSlot(int Item) const = 0;
};

// The browser window's controls that a build writes or reads.
class ThumbPanel
{
public:
    virtual ~ThumbPanel() = default;
    virtual void SetCountText(const QString &text) = 0;      // Label2
    virtual void SetProgressText(const QString &text) = 0;   // Label3
    virtual void SetProgressMax(int max) = 0;                // ucProgress.Max
    virtual void SetProgressValue(int value) = 0;            // ucProgress.Value
    // Command3 10 pixels right of the wider of LabFolder and Label2, Command7 3 pixels
    // right of Command3.
    virtual void LayOutInfoStrip() = 0;
    virtual void HidePanels() = 0;                           // Picture2 and Picture9
    virtual QString TreePath() const = 0;                    // kFolder.Path
    virtual QStringList ResultList() const = 0;              // List3, one full path a line
};

} // namespace mv
