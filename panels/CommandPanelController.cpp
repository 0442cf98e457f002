#include "panels/CommandPanelController.h"

namespace scribeon {

std::shared_ptr<CommandPanelController> CommandPanelController::create(PanelPresenter& presenter,
                                                                       Workspace& workspace,
                                                                       CommandService& service,
                                                                       MainQueue& queue) {
    return std::shared_ptr<CommandPanelController>(
        new CommandPanelController(presenter, workspace, service, queue));
}

CommandPanelController::CommandPanelController(PanelPresenter& presenter, Workspace& workspace,
                                               CommandService& service, MainQueue& queue)
    : presenter_(presenter), workspace_(workspace), service_(service), queue_(queue) {}

void CommandPanelController::show(std::string text, std::function<void(ProcessResult)> onResult,
                                  std::function<void()> onDismiss,
                                  std::function<void(std::string)> onError) {
    close(false);
    sourceApp_ = workspace_.frontmostApplication();
    viewModel_ = CommandPanelViewModel::create(service_, queue_);
    const std::weak_ptr<CommandPanelController> weak = weak_from_this();

    // The wrapped callbacks: each closes the chooser (when it still exists)
    // and then tells the caller.
    auto resultOut = [weak, onResult](ProcessResult result) {
        if (auto self = weak.lock())
            self->close(false); // the result panel takes over
        onResult(std::move(result));
    };
    auto dismissOut = [weak, onDismiss] {
        if (auto self = weak.lock())
            self->close(true);
        onDismiss();
    };
    (void)onError; // every failure shows inside the chooser

    auto model = viewModel_;
    auto run = [model, text, resultOut] {
        model->processSelected(text, [resultOut](std::optional<ProcessResult> result) {
            if (result)
                resultOut(std::move(*result));
        });
    };
    CommandPanelActions actions;
    actions.key = [model, run, dismissOut](PanelKey key) {
        switch (key) {
        case PanelKey::returnKey:
            run();
            return true;
        case PanelKey::escape:
            dismissOut();
            return true;
        case PanelKey::up:
        case PanelKey::down:
            model->moveSelection(key == PanelKey::up);
            return true;
        case PanelKey::keypadEnter:
        case PanelKey::other:
            return false;
        }
        return false;
    };
    actions.rowClicked = [model, run](int row) {
        if (row != model->selectedIndex.get())
            model->selectedIndex.set(row);
        run();
    };
    actions.close = dismissOut;
    actions.deactivated = dismissOut;
    panel_ = presenter_.showCommandPanel(viewModel_, std::move(actions));
    viewModel_->loadCommands();
}

void CommandPanelController::close(bool reactivate) {
    if (panel_ && !reactivate)
        panel_->handOver();
    panel_.reset();
    if (reactivate && sourceApp_)
        workspace_.activate(sourceApp_->pid);
}

} // namespace scribeon
