#pragma once

#include "base/Subscription.h"
#include "ui/SettingsViewModel.h"

#include <QAbstractListModel>

#include <vector>

namespace scribeon {

// The Commands page's rows over the settings state. Checking a row only asks
// the service; the row changes when the answer does.
class CommandSettingsListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { EmojiRole = Qt::UserRole + 1, TogglingRole, CodeRole };

    explicit CommandSettingsListModel(SettingsViewModel& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int rowOf(const std::string& code) const;

private:
    void commandsChanged(const std::vector<Command>& commands);
    void rowChanged(const std::optional<std::string>& code);

    SettingsViewModel& model_;
    std::vector<Command> shown_;
    std::optional<std::string> toggling_;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
