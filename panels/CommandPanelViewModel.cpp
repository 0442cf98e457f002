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

void CommandPanelViewModel::processSelected(const std::string& text, const RunHandler& completion) {
    const std::vector<Command> active = activeCommands();
    const int index = selectedIndex.get();
    if (isProcessing.get() || index < 0 || index >= static_cast<int>(active.size())) {
        completion(nullptr);
        return;
    }
    processCommand(active[static_cast<std::size_t>(index)], text, completion);
}

void CommandPanelViewModel::processCommand(const Command& command, const std::string& text,
                                           const RunHandler& completion) {
    if (isProcessing.get()) {
        completion(nullptr);
        return;
    }
    isProcessing.set(true);
    errorMessage.set(std::nullopt);
    // The run is made at the first text and handed over at once; what follows
    // goes to it, wherever the chooser is by then.
    struct Handover {
        std::shared_ptr<ResultRun> run;
        Cancel cancel;
    };
    auto handover = std::make_shared<Handover>();
    ProcessResult head{command.code, command.name, text, {}};
    auto onDelta = [handover, head, completion](const std::string& delta) {
        if (!handover->run) {
            handover->run = ResultRun::writing(head, handover->cancel);
            completion(handover->run);
        }
        handover->run->append(delta);
    };
    auto onEnd = [self = shared_from_this(), handover,
                  completion](ServiceResult<ProcessResult> result) {
        if (handover->run) {
            if (result)
                handover->run->finish(std::move(result).value());
            else
                handover->run->fail(result.error().description());
            return;
        }
        if (result) {
            completion(ResultRun::finished(std::move(result).value()));
            return;
        }
        self->isProcessing.set(false);
        self->errorMessage.set(result.error().description());
        completion(nullptr);
    };
    handover->cancel = service_.streamCommand(command.code, text, onDelta, onEnd);
}

} // namespace scribeon
