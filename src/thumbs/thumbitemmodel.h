#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>

namespace mv {

// The items of the thumbnail list: the text (a full path), the small icon, the parameter
// (the index the item was added at, which names its thumbnail slot) and the four column
// texts. Column 0 is the text; 1 type, 2 size, 3 date, 4 rotation.
class ThumbItemModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum { ParamRole = Qt::UserRole + 1 };
    static constexpr int Columns = 5;
    static constexpr int MaxText = 260;

    struct Item {
        QString text;
        int icon = 0;
        int param = 0;
        QString columns[Columns]; // [0] unused: the text
    };

    explicit ThumbItemModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Inserts at row (appended when row lies beyond the end).
    void Insert(int row, const Item &item);
    void Remove(int row);
    void RemoveAll();
    const Item *At(int row) const;
    void SetColumnText(int row, int column, const QString &text);

    void SetIcons(const QList<QIcon> &icons) { mIcons = icons; }
    void SetColumnIcon(int column, int image) { mColumnIcons[column] = image; }
    int ColumnIcon(int column) const { return mColumnIcons[column]; }
    void SetHeaderIcons(const QList<QIcon> &icons) { mHeaderIcons = icons; }

private:
    QList<Item> mItems;
    QList<QIcon> mIcons;
    QList<QIcon> mHeaderIcons;
    int mColumnIcons[Columns] = {-1, -1, -1, -1, -1};
};

} // namespace mv
