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

void CommandPanelController::show(std::string text, std::optional<RunningApplication> source,
                                  std::function<void(std::shared_ptr<ResultRun>)> onResult) {
    close(false);
    sourceApp_ = source ? std::move(source) : workspace_.frontmostApplication();
    viewModel_ = CommandPanelViewModel::create(service_, queue_);
    const std::weak_ptr<CommandPanelController> weak = weak_from_this();

    // Each way out closes the chooser when it still exists; a result is then
    // handed to the caller.
    auto resultOut = [weak, onResult](std::shared_ptr<ResultRun> run) {
        if (auto self = weak.lock())
            self->close(false); // the result panel takes over
        onResult(std::move(run));
    };
    auto dismissOut = [weak] {
        if (auto self = weak.lock())
            self->close(true);
    };

    auto model = viewModel_;
    auto run = [model, text, resultOut] {
        model->processSelected(text, [resultOut](std::shared_ptr<ResultRun> run) {
            if (run)
                resultOut(std::move(run));
        });
    };
    CommandPanelActions actions;
    actions.key = [model, run, dismissOut](PanelKey key) {
        const ChooserKeyEffect effect = model->handleKey(key);
        if (effect == ChooserKeyEffect::run)
            run();
        else if (effect == ChooserKeyEffect::dismiss)
            dismissOut();
        return effect != ChooserKeyEffect::passOn;
    };
    actions.rowClicked = [model, run](int row) {
        if (row != model->selectedIndex.get())
            model->selectedIndex.set(row);
        run();
    };
    actions.close = dismissOut;
    actions.deactivated = dismissOut;
    // The cached list first, so the panel is built with the page it shows
    // rather than an empty one replaced before its first paint.
    viewModel_->loadCommands();
    panel_ = presenter_.showCommandPanel(viewModel_, std::move(actions));
}

void CommandPanelController::close(bool reactivate) {
    if (panel_ && !reactivate)
        panel_->handOver();
    panel_.reset();
    if (reactivate && sourceApp_)
        workspace_.activate(sourceApp_->pid);
}

} // namespace scribeon
