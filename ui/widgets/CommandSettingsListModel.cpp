#include "ui/widgets/CommandSettingsListModel.h"

namespace scribeon {

namespace {

bool sameRows(const std::vector<Command>& a, const std::vector<Command>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Command& x, const Command& y) { return x.code == y.code; });
}

} // namespace

CommandSettingsListModel::CommandSettingsListModel(SettingsViewModel& model, QObject* parent)
    : QAbstractListModel(parent), model_(model), shown_(model.commands.get()),
      toggling_(model.togglingCommand.get()) {
    subscriptions_.push_back(model_.commands.observe(
        [this](const std::vector<Command>& commands) { commandsChanged(commands); }));
    subscriptions_.push_back(
        model_.togglingCommand.observe([this](const std::optional<std::string>& code) {
            const auto before = toggling_;
            toggling_ = code;
            rowChanged(before);
            rowChanged(code);
        }));
    subscriptions_.push_back(model_.emojiRevision.observe([this](unsigned) {
        if (!shown_.empty())
            emit dataChanged(index(0), index(rowCount() - 1),
                             {EmojiRole, Qt::AccessibleDescriptionRole});
    }));
}

void CommandSettingsListModel::commandsChanged(const std::vector<Command>& commands) {
    // A toggle answer changes one row in place; a load or a move may change
    // everything.
    if (!sameRows(shown_, commands)) {
        beginResetModel();
        shown_ = commands;
        endResetModel();
        return;
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (shown_[i] == commands[i])
            continue;
        shown_[i] = commands[i];
        const QModelIndex changed = index(static_cast<int>(i));
        emit dataChanged(changed, changed);
    }
}

void CommandSettingsListModel::rowChanged(const std::optional<std::string>& code) {
    if (!code)
        return;
    const int row = rowOf(*code);
    if (row >= 0)
        emit dataChanged(index(row), index(row), {TogglingRole, Qt::AccessibleDescriptionRole});
}

int CommandSettingsListModel::rowOf(const std::string& code) const {
    for (std::size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i].code == code)
            return static_cast<int>(i);
    return -1;
}

int CommandSettingsListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant CommandSettingsListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Command& command = shown_[static_cast<std::size_t>(index.row())];
    const bool toggling = toggling_ == command.code;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(command.name);
    case Qt::CheckStateRole:
        return command.isActive ? Qt::Checked : Qt::Unchecked;
    case EmojiRole:
        return QString::fromStdString(model_.emojiFor(command.code));
    case TogglingRole:
        return toggling;
    case CodeRole:
        return QString::fromStdString(command.code);
    case Qt::AccessibleDescriptionRole:
        return tr("%1, %2. Space switches it, Return chooses its emoji, Alt+Up and Alt+Down move "
                  "it.")
            .arg(QString::fromStdString(model_.emojiFor(command.code)), toggling ? tr("switching")
                                                                        : command.isActive
                                                                            ? tr("on")
                                                                            : tr("off"));
    default:
        return {};
    }
}

bool CommandSettingsListModel::setData(const QModelIndex& index, const QVariant&, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= rowCount())
        return false;
    model_.toggleCommand(shown_[static_cast<std::size_t>(index.row())]);
    return false; // nothing changes until the service answers
}

Qt::ItemFlags CommandSettingsListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

} // namespace scribeon
