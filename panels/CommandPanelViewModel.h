#pragma once

#include "base/Property.h"
#include "panels/PanelKey.h"
#include "panels/ResultRun.h"
#include "platform/MainQueue.h"
#include "service/CommandService.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scribeon {

// The chooser's state: the user's commands (cached first, then fetched), the
// highlighted row among the active ones, and the run in flight. Main thread
// only. Service completions hold the model, so a run delivers its result even
// after its chooser was closed.
class CommandPanelViewModel : public std::enable_shared_from_this<CommandPanelViewModel> {
public:
    static constexpr Milliseconds loadingIndicatorDelay{200};

    static std::shared_ptr<CommandPanelViewModel> create(CommandService& service, MainQueue& queue);

    Property<std::vector<Command>> commands;
    Property<int> selectedIndex{0};
    Property<bool> isLoading{false};
    Property<bool> isProcessing{false};
    Property<std::optional<std::string>> errorMessage;
    // "Loading..." shows only once a fetch without a cached list has run for
    // 0.2 s, so a fast fetch never flashes it.
    Property<bool> showLoadingIndicator{false};

    std::vector<Command> activeCommands() const;
    std::string emojiFor(const std::string& code);

    void loadCommands();
    // Every key of the chooser: Return runs, Escape dismisses, the arrows
    // move the highlight over the active commands and wrap at both ends;
    // the keypad's Enter and all other keys pass on.
    ChooserKeyEffect handleKey(PanelKey key);
    // Gets the run once its first text arrives (or its whole result, from a
    // service that answers in one piece), or null when no run started or
    // the run failed before any text; a failure then shows in the chooser.
    using RunHandler = std::function<void(std::shared_ptr<ResultRun>)>;
    // Runs the highlighted active command, its result streamed.
    void processSelected(const std::string& text, const RunHandler& completion);

private:
    CommandPanelViewModel(CommandService& service, MainQueue& queue);
    void processCommand(const Command& command, const std::string& text,
                        const RunHandler& completion);
    void loadingChanged(bool loading);
    void moveSelection(bool up);

    CommandService& service_;
    MainQueue& queue_;
    Subscription loadingWatch_;
    Cancel loadingIndicatorTask_;
};

} // namespace scribeon
