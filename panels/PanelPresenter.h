#pragma once

#include "panels/CommandPanelViewModel.h"
#include "panels/PanelKey.h"

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

struct ResultPanelContent {
    std::string commandName;
    std::string processedText;
    std::size_t processedCharacters = 0;
    std::string originalText;
    std::size_t originalCharacters = 0;
    std::optional<std::string> message;
};

struct ResultPanelActions {
    std::function<bool(PanelKey)> key;
    std::function<void()> close;
    std::function<void(std::string)> copy;
    std::function<void(std::string)> replace;
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
