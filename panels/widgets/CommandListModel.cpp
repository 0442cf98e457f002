#include "panels/widgets/CommandListModel.h"

namespace scribeon {

void CommandListModel::setRows(std::vector<Row> rows) {
    if (rows == rows_)
        return;
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int CommandListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant CommandListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(row.name);
    case emojiRole:
    case Qt::AccessibleDescriptionRole: // the icon a sighted user tells the rows apart by
        return QString::fromStdString(row.emoji);
    case codeRole:
        return QString::fromStdString(row.code);
    default:
        return {};
    }
}

} // namespace scribeon
