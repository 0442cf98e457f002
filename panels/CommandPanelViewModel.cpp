#include "panels/CommandPanelViewModel.h"

#include "base/WeakCallback.h"

namespace scribeon {

std::shared_ptr<CommandPanelViewModel> CommandPanelViewModel::create(CommandService& service,
                                                                     MainQueue& queue) {
    std::shared_ptr<CommandPanelViewModel> model(new CommandPanelViewModel(service, queue));
    model->loadingWatch_ = model->isLoading.observe(weakly(
        model, [](CommandPanelViewModel& self, bool loading) { self.loadingChanged(loading); }));
    return model;
}

CommandPanelViewModel::CommandPanelViewModel(CommandService& service, MainQueue& queue)
    : service_(service), queue_(queue) {}

std::vector<Command> CommandPanelViewModel::activeCommands() const {
    std::vector<Command> active;
    for (const Command& command : commands.get())
        if (command.isActive)
            active.push_back(command);
    return active;
}

std::string CommandPanelViewModel::emojiFor(const std::string& code) {
    return service_.emojiFor(code);
}

void CommandPanelViewModel::loadingChanged(bool loading) {
    loadingIndicatorTask_.cancel();
    if (!loading) {
        showLoadingIndicator.set(false);
        return;
    }
    loadingIndicatorTask_ = queue_.postAfter(
        loadingIndicatorDelay, weakly(shared_from_this(), [](CommandPanelViewModel& self) {
            if (self.isLoading.get())
                self.showLoadingIndicator.set(true);
        }));
}

void CommandPanelViewModel::loadCommands() {
    errorMessage.set(std::nullopt);
    if (std::optional<std::vector<Command>> cached = service_.getCachedCommands()) {
        commands.set(service_.sortCommands(std::move(*cached)));
        selectedIndex.set(0);
    } else {
        isLoading.set(true);
    }
    service_.fetchCommands(
        [self = shared_from_this()](ServiceResult<std::vector<Command>> fetched) {
            if (fetched) {
                self->commands.set(self->service_.sortCommands(std::move(fetched).value()));
                if (self->selectedIndex.get() >= static_cast<int>(self->activeCommands().size()))
                    self->selectedIndex.set(0);
                self->isLoading.set(false);
                return;
            }
            self->isLoading.set(false);
            // Over a list already shown a failed refresh stays silent.
            if (self->commands.get().empty())
                self->errorMessage.set(fetched.error().description());
        });
}

ChooserKeyEffect CommandPanelViewModel::handleKey(PanelKey key) {
    switch (key) {
    case PanelKey::returnKey:
        return ChooserKeyEffect::run;
    case PanelKey::escape:
        return ChooserKeyEffect::dismiss;
    case PanelKey::up:
    case PanelKey::down:
        moveSelection(key == PanelKey::up);
        return ChooserKeyEffect::moved;
    case PanelKey::keypadEnter:
    case PanelKey::other:
        break;
    }
    return ChooserKeyEffect::passOn;
}

void CommandPanelViewModel::moveSelection(bool up) {
    const int count = static_cast<int>(activeCommands().size());
    if (count == 0)
        return;
    const int current = selectedIndex.get();
    selectedIndex.set(up ? (current - 1 + count) % count : (current + 1) % count);
}

void CommandPanelViewModel::processSelected(
    const std::string& text, std::function<void(std::optional<ProcessResult>)> completion) {
    const std::vector<Command> active = activeCommands();
    const int index = selectedIndex.get();
    if (isProcessing.get() || index < 0 || index >= static_cast<int>(active.size())) {
        completion(std::nullopt);
        return;
    }
    processCommand(active[static_cast<std::size_t>(index)], text, std::move(completion));
}

void CommandPanelViewModel::processCommand(
    const Command& command, const std::string& text,
    std::function<void(std::optional<ProcessResult>)> completion) {
    if (isProcessing.get()) {
        completion(std::nullopt);
        return;
    }
    isProcessing.set(true);
    errorMessage.set(std::nullopt);
    service_.processCommand(command.code, text,
                            [self = shared_from_this(), completion = std::move(completion)](
                                ServiceResult<ProcessResult> result) {
                                if (result) {
                                    completion(std::move(result).value());
                                    return;
                                }
                                self->isProcessing.set(false);
                                self->errorMessage.set(result.error().description());
                                completion(std::nullopt);
                            });
}

} // namespace scribeon
