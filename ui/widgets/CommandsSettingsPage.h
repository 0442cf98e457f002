#pragma once

#include "base/Subscription.h"
#include "platform/UrlOpener.h"
#include "ui/SettingsViewModel.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QStackedWidget;

namespace scribeon {

class CommandSettingsListModel;
class CommandSettingsListView;

// The user's commands: loading, the load error with Retry, or the list;
// under it the link to the service's own page for editing commands.
class CommandsSettingsPage final : public QWidget {
    Q_OBJECT
public:
    CommandsSettingsPage(std::shared_ptr<SettingsViewModel> model, UrlOpener& urlOpener,
                         const std::string& serviceOrigin, QWidget* parent = nullptr);
    ~CommandsSettingsPage() override;

    CommandSettingsListView* list() const { return list_; }
    // "Manage commands on " + the site's name: its host, and port if any.
    static QString siteName(const std::string& origin);

private:
    QWidget* header();
    QWidget* errorBlock();
    QWidget* link(UrlOpener& urlOpener, const std::string& serviceOrigin);
    void showBody();
    void openPicker(int row, const QRect& anchor);

    std::shared_ptr<SettingsViewModel> model_;
    std::unique_ptr<CommandSettingsListModel> rows_;
    QStackedWidget* body_;
    QWidget* loading_;
    QWidget* error_;
    QLabel* errorText_;
    CommandSettingsListView* list_;
    std::vector<Subscription> subscriptions_;
};

} // namespace scribeon
