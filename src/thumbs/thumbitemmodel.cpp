#include "thumbs/thumbitemmodel.h"

namespace mv {

namespace {

const char *const ColumnNames[ThumbItemModel::Columns] = {"Name", "Type", "Size", "Date", "Rot"};

} // namespace

ThumbItemModel::ThumbItemModel(QObject *parent) : QAbstractTableModel(parent) {}

int ThumbItemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(mItems.size());
}

int ThumbItemModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant ThumbItemModel::data(const QModelIndex &index, int role) const
{
    const Item *item = index.isValid() ? At(index.row()) : nullptr;
    if (!item)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // Item texts are shown as the characters they are: the views draw plain text.
        return column == 0 ? item->text : item->columns[column];
    case Qt::DecorationRole:
        if (column == 0 && item->icon >= 0 && item->icon < mIcons.size())
            return mIcons.at(item->icon);
        return {};
    case Qt::TextAlignmentRole:
        return column == 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case ParamRole:
        return item->param;
    default:
        return {};
    }
}

QVariant ThumbItemModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= Columns)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(ColumnNames[section]);
    if (role == Qt::TextAlignmentRole)
        return section == 2 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::DecorationRole) {
        const int image = mColumnIcons[section];
        if (image >= 0 && image < mHeaderIcons.size())
            return mHeaderIcons.at(image);
    }
    return {};
}

Qt::ItemFlags ThumbItemModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void ThumbItemModel::Insert(int row, const Item &item)
{
    row = qBound(0, row, int(mItems.size()));
    beginInsertRows(QModelIndex(), row, row);
    mItems.insert(row, item);
    endInsertRows();
}

void ThumbItemModel::Remove(int row)
{
    if (row < 0 || row >= mItems.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    mItems.removeAt(row);
    endRemoveRows();
}

void ThumbItemModel::RemoveAll()
{
    beginResetModel();
    mItems.clear();
    endResetModel();
}

const ThumbItemModel::Item *ThumbItemModel::At(int row) const
{
    return row >= 0 && row < mItems.size() ? &mItems.at(row) : nullptr;
}

void ThumbItemModel::SetColumnText(int row, int column, const QString &text)
{
    if (row < 0 || row >= mItems.size() || column < 0 || column >= Columns)
        return;
    if (column == 0)
        mItems[row].text = text;
    else
        mItems[row].columns[column] = text;
    emit dataChanged(index(row, column), index(row, column));
}

} // namespace mv
