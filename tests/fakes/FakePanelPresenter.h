#pragma once

#include "panels/PanelPresenter.h"

#include <memory>
#include <vector>

namespace scribeon {

// Records the panels put on screen; `open` turns false when the controller
// drops its panel.
class FakePanelPresenter : public PanelPresenter {
public:
    struct Shown {
        bool open = true;
        CommandPanelActions commandActions;
        ResultPanelActions resultActions;
        HintActions hintActions;
        std::optional<ResultPanelContent> content;
        std::optional<HintKind> hint;
        std::size_t commandsWhenShown = 0; // what the chooser is built with
    };

    std::unique_ptr<OpenPanel> showCommandPanel(std::shared_ptr<CommandPanelViewModel> model,
                                                CommandPanelActions actions) override {
        auto shown = record();
        shown->commandsWhenShown = model->commands.get().size();
        shown->commandActions = std::move(actions);
        return std::make_unique<Handle>(shown);
    }
    std::unique_ptr<OpenPanel> showResultPanel(ResultPanelContent content,
                                               ResultPanelActions actions) override {
        auto shown = record();
        shown->content = std::move(content);
        shown->resultActions = std::move(actions);
        return std::make_unique<Handle>(shown);
    }
    std::unique_ptr<OpenPanel> showHint(HintKind kind, HintActions actions) override {
        auto shown = record();
        shown->hint = kind;
        shown->hintActions = std::move(actions);
        return std::make_unique<Handle>(shown);
    }

    std::vector<std::shared_ptr<Shown>> panels;

private:
    struct Handle : OpenPanel {
        explicit Handle(std::shared_ptr<Shown> s) : shown(std::move(s)) {}
        ~Handle() override { shown->open = false; }
        std::shared_ptr<Shown> shown;
    };
    std::shared_ptr<Shown> record() {
        panels.push_back(std::make_shared<Shown>());
        return panels.back();
    }
};

} // namespace scribeon
