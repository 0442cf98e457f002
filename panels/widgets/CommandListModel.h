#pragma once

#include <QAbstractListModel>

#include <string>
#include <vector>

namespace scribeon {

// The chooser's rows as an item model, so that the list is a real list to
// assistive technologies: each row an item named after its command.
class CommandListModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Row {
        std::string code;
        std::string emoji;
        std::string name;
        bool operator==(const Row&) const = default;
    };
    static constexpr int emojiRole = Qt::UserRole + 1;
    static constexpr int codeRole = Qt::UserRole + 2;

    using QAbstractListModel::QAbstractListModel;

    // Replaces the rows; unchanged rows keep the view's state untouched.
    void setRows(std::vector<Row> rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<Row> rows_;
};

} // namespace scribeon
