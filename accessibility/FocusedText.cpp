#include "accessibility/FocusedText.h"

#include "base/UnicodeText.h"

namespace scribeon {

namespace {

// A window gets the keyboard back from the shortcut's grab as the key is
// released; its toolkit reports the focus a moment later.
constexpr std::chrono::milliseconds focusPoll{5};
constexpr int focusPolls = 40;

std::string flag(bool value) {
    return value ? "1" : "0";
}

// On Wayland no window class is known; the accessibility bus's application
// name is what tells a terminal apart there.
const std::string& classOf(const RunningApplication& app) {
    return app.windowClass.empty() ? app.name : app.windowClass;
}

} // namespace

std::string countOf(std::string_view text) {
    return std::to_string(graphemeCount(text));
}

std::string nameOf(const std::optional<RunningApplication>& app) {
    return app && !app->name.empty() ? app->name : std::string("?");
}

FocusedText::FocusedText(Ports ports, ApplicationKeys applicationKeys)
    : ports_(ports), applicationKeys_(std::move(applicationKeys)) {}

void FocusedText::log(const std::string& line) {
    ports_.log.write(line);
}

std::optional<FocusedText::Focus> FocusedText::focus(const std::string& prefix,
                                                     std::optional<RunningApplication> app) {
    if (!app)
        return std::nullopt;
    FocusedElement focused = ports_.bridge.focusedElement(app->pid);
    for (int poll = 0; focused.focusPending && poll < focusPolls; ++poll) {
        ports_.sleeper.sleepFor(focusPoll);
        focused = ports_.bridge.focusedElement(app->pid);
    }
    if (focused.status != BridgeStatus::success || !focused.element) {
        if (!prefix.empty())
            log(prefix +
                ": focused element failed (code=" + std::to_string(codeOf(focused.status)) + ")");
        return std::nullopt;
    }
    return Focus{std::move(*app), std::move(focused.element)};
}

EditingKeys FocusedText::keysOf(const RunningApplication& app, AccessibleElement* element) const {
    if (element && element->isTerminal())
        return EditingKeys::terminal;
    return applicationKeys_.of(classOf(app));
}

std::optional<std::string> FocusedText::readSelection(bool* answered,
                                                      std::optional<RunningApplication>* source) {
    std::optional<RunningApplication> app = ports_.workspace.frontmostApplication();
    if (source)
        *source = app;
    if (!app) {
        log("AX read: no frontmost app");
        return std::nullopt;
    }
    log("AX read: app=" + nameOf(app) + " pid=" + std::to_string(app->pid));
    if (app->isSelf) {
        log("AX read: frontmost window is our own — not asked");
        return std::nullopt;
    }
    std::optional<Focus> focused = focus("AX read", app);
    if (!focused)
        return std::nullopt;
    const AccessibleRead read = focused->element->selectedText();
    // An element with text that reports no selection has answered: X
    // clients (Qt, Emacs, terminals) keep the primary selection after their
    // selection ends, so it would be stale.
    if (answered)
        *answered =
            read.status == BridgeStatus::success || read.status == BridgeStatus::noSelection;
    std::optional<std::string> selection = read.text();
    if (selection)
        selection = withoutTextArtefacts(*selection);
    // Asking the application for its primary selection is one more round
    // trip on the way to the chooser: only where the offsets may be off.
    if (selection && !selection->empty())
        return focused->element->hasExactSelectionOffsets()
                   ? std::move(*selection)
                   : checkedAgainstPrimary(*app, std::move(*selection));
    // The role is asked only here: it is one more round trip to the
    // application, on the way to the chooser, for a log line.
    log("AX read: selectedText failed (code=" + std::to_string(codeOf(read.status)) +
        ", hasRef=" + flag(read.value.has_value()) +
        ", role=" + focused->element->role().value_or("unknown") + ")");
    return std::nullopt;
}

// Chromium reports AT-SPI selection offsets that are off by one per emoji
// before them, so the text read there is not what is selected. The primary
// selection, when this very application holds it, is what it selected.
std::string FocusedText::checkedAgainstPrimary(const RunningApplication& app,
                                               std::string selection) {
    if (ports_.clipboard.primarySelectionOwnerPid() != app.pid)
        return selection;
    const std::optional<std::string> primary = ports_.clipboard.primarySelectionText();
    if (!primary)
        return selection;
    std::string clean = withoutTextArtefacts(*primary);
    if (clean.empty() || clean == selection)
        return selection;
    log("AX read: the application's primary selection differs — taken (" + countOf(clean) +
        " chars)");
    return clean;
}

void FocusedText::post(EditKey key, std::chrono::microseconds hold) {
    ports_.keys.keyDown(key);
    if (hold.count() > 0)
        ports_.sleeper.sleepFor(hold);
    ports_.keys.keyUp(key);
}

} // namespace scribeon
