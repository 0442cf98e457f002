#pragma once

#include "panels/CommandPanelViewModel.h"
#include "panels/PanelKey.h"
#include "panels/ResultRun.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace scribeon {

struct CommandPanelActions {
    std::function<bool(PanelKey)> key; // true: the key was consumed
    std::function<void(int row)> rowClicked;
    std::function<void()> close;
    // Another window took the activation: on X11 the only sign of a click
    // in another application that needs no pointer grab.
    std::function<void()> deactivated;
};

// The processed text, its state and its failure are the run's, which may
// still be writing when the panel opens.
struct ResultPanelContent {
    std::string commandName;
    std::string originalText;
    std::size_t originalCharacters = 0;
    std::optional<std::string> message;
    std::shared_ptr<ResultRun> run;
};

// Copy and Replace take the run's text; while it writes they do nothing.
struct ResultPanelActions {
    std::function<bool(PanelKey)> key;
    std::function<void()> close;
    std::function<void()> copy;
    std::function<void()> replace;
    std::function<void()> stop;
    std::function<void()> deactivated;
};

// pasteByHand: a replacement that could not be made where the desktop lets
// no key be posted for the user (Wayland outside wlroots).
enum class HintKind { copy, replace, pasteByHand };

struct HintActions {
    std::function<void()> dismiss;
    std::function<void(bool)> dontShowAgainChanged;
};

// A panel on screen; closing it, or dropping this, takes it away at once.
class OpenPanel {
public:
    virtual ~OpenPanel() = default;
    // The next panel of ours is about to open in its place: closing should
    // not hand the keyboard to another application meanwhile.
    virtual void handOver() {}
};

// Puts the floating panels on screen and feeds their events back.
class PanelPresenter {
public:
    virtual ~PanelPresenter() = default;
    virtual std::unique_ptr<OpenPanel>
    showCommandPanel(std::shared_ptr<CommandPanelViewModel> model, CommandPanelActions actions) = 0;
    virtual std::unique_ptr<OpenPanel> showResultPanel(ResultPanelContent content,
                                                       ResultPanelActions actions) = 0;
    // Shown without taking the keyboard focus from anyone.
    virtual std::unique_ptr<OpenPanel> showHint(HintKind kind, HintActions actions) = 0;
};

} // namespace scribeon
