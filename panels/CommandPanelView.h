#pragma once

#include "app/Subscription.h"
#include "panels/PanelPresenter.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QStackedWidget;
class QVBoxLayout;

namespace scribeon {

// The chooser's content: the "Commands" header and the body the model's
// state calls for (processing, error, empty, list or loading).
class CommandPanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;
    static constexpr int minimumHeight = 262;
    static constexpr int maximumHeight = 460;

    CommandPanelView(std::shared_ptr<CommandPanelViewModel> model, CommandPanelActions actions);

    enum class Body { processing, error, empty, list };
    Body body() const;

private:
    void render();

    std::shared_ptr<CommandPanelViewModel> model_;
    CommandPanelActions actions_;
    std::vector<Subscription> watches_;
    QStackedWidget* bodies_;
    QLabel* errorText_;
    QWidget* rows_;
    QVBoxLayout* rowsLayout_;
};

} // namespace scribeon
