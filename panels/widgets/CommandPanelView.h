#pragma once

#include "base/Subscription.h"
#include "panels/PanelPresenter.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QListView;
class QVBoxLayout;

namespace scribeon {

class CommandListModel;

// The chooser's content: the "Commands" header and the body the model's
// state calls for (processing, error, empty, list or loading). Only the body
// on show exists, so assistive technologies never meet a hidden one; the
// commands are a list whose selected item follows the model. One view
// serves one chooser after another: it is built before it is needed, bound
// to each chooser's model as it opens and let go of it as it closes.
class CommandPanelView : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 300;
    static constexpr int minimumHeight = 262;
    static constexpr int maximumHeight = 460;

    // Unbound: the header and an empty list, ready for the first chooser.
    CommandPanelView();
    CommandPanelView(std::shared_ptr<CommandPanelViewModel> model, CommandPanelActions actions);

    void bind(std::shared_ptr<CommandPanelViewModel> model, CommandPanelActions actions);
    // Stops following the model; every body but the (emptied) list goes.
    void unbind();

    enum class Body { processing, error, empty, list };
    Body body() const;
    // The list of commands while it is on show.
    QListView* list() const { return list_; }

private:
    enum class Page { processing, error, empty, blank, loading, list };
    Page page() const;
    void render();
    void showPage(Page page);
    QWidget* buildPage(Page page);
    QWidget* buildList();
    void showRows();

    std::shared_ptr<CommandPanelViewModel> model_;
    CommandPanelActions actions_;
    std::vector<Subscription> watches_;
    QVBoxLayout* column_;
    CommandListModel* rows_;
    std::optional<Page> shown_;
    QWidget* pageWidget_ = nullptr;
    QListView* list_ = nullptr;
    QLabel* errorText_ = nullptr;
};

} // namespace scribeon
