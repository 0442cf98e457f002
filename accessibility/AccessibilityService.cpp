#include "accessibility/AccessibilityService.h"

#include "base/UnicodeText.h"

#include <cstdlib>

namespace scribeon {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds copyWait{300};
// X11 hands the clipboard over asynchronously and a busy application copies
// later than 0.3 s; a copy arriving after the restore would overwrite what
// the user had. An empty clipboard is therefore watched a while longer.
constexpr milliseconds lateCopyPoll{50};
constexpr int lateCopyPolls = 14;
// A window gets the keyboard back from the shortcut's grab as the key is
// released; its toolkit reports the focus a moment later.
constexpr milliseconds focusPoll{5};
constexpr int focusPolls = 40;
constexpr milliseconds settleAfterWrite{50};
constexpr milliseconds settleAfterSelect{50};
constexpr milliseconds keyHold{30};
constexpr milliseconds undoApply{100};
constexpr std::size_t previewLength = 60;
constexpr long scopeTolerance = 2;

std::string count(std::string_view text) {
    return std::to_string(graphemeCount(text));
}

std::string preview(const std::optional<std::string>& text) {
    return text ? std::string(graphemePrefix(*text, previewLength)) : std::string("nil");
}

std::string flag(bool value) {
    return value ? "1" : "0";
}

// On Wayland no window class is known; the accessibility bus's application
// name is what tells a terminal apart there.
const std::string& classOf(const RunningApplication& app) {
    return app.windowClass.empty() ? app.name : app.windowClass;
}

std::string nameOf(const std::optional<RunningApplication>& app) {
    return app && !app->name.empty() ? app->name : std::string("?");
}

} // namespace

AccessibilityService::AccessibilityService(Platform platform, ApplicationKeys applicationKeys)
    : platform_(platform), applicationKeys_(std::move(applicationKeys)) {}

void AccessibilityService::log(const std::string& line) {
    platform_.log.write(line);
}

std::optional<AccessibilityService::Focus>
AccessibilityService::focus(const std::string& prefix, std::optional<RunningApplication> app) {
    if (!app)
        return std::nullopt;
    FocusedElement focused = platform_.bridge.focusedElement(app->pid);
    for (int poll = 0; focused.focusPending && poll < focusPolls; ++poll) {
        platform_.sleeper.sleepFor(focusPoll);
        focused = platform_.bridge.focusedElement(app->pid);
    }
    if (focused.status != BridgeStatus::success || !focused.element) {
        if (!prefix.empty())
            log(prefix +
                ": focused element failed (code=" + std::to_string(codeOf(focused.status)) + ")");
        return std::nullopt;
    }
    return Focus{std::move(*app), std::move(focused.element)};
}

EditingKeys AccessibilityService::keysOf(const RunningApplication& app,
                                         AccessibleElement* element) const {
    if (element && element->isTerminal())
        return EditingKeys::terminal;
    return applicationKeys_.of(classOf(app));
}

// --- capture ---------------------------------------------------------------

std::optional<std::string> AccessibilityService::getSelectedText() {
    lastSource_.reset();
    bool answered = false;
    std::optional<std::string> selection = getSelectedTextViaAX(&answered);
    if (selection && graphemeCount(*selection) >= 2) {
        log("capture: AX read OK (" + count(*selection) + " chars)");
        return selection;
    }
    log("capture: AX read insufficient, trying Cmd+C");
    std::optional<std::string> copied = getSelectedTextViaPasteboard(answered);
    log("capture: Cmd+C result: " + (copied ? count(*copied) + " chars" : std::string("nil")));
    return copied;
}

std::optional<std::string> AccessibilityService::getSelectedTextViaAX(bool* answered) {
    std::optional<RunningApplication> app = platform_.workspace.frontmostApplication();
    if (!app) {
        log("AX read: no frontmost app");
        return std::nullopt;
    }
    lastSource_ = app;
    log("AX read: app=" + nameOf(app) + " pid=" + std::to_string(app->pid));
    if (app->isSelf) {
        log("AX read: frontmost window is our own — not asked");
        return std::nullopt;
    }
    std::optional<Focus> focused = focus("AX read", app);
    if (!focused)
        return std::nullopt;
    log("AX read: role=" + focused->element->role().value_or("unknown"));
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
    if (selection && !selection->empty())
        return checkedAgainstPrimary(*app, std::move(*selection));
    log("AX read: selectedText failed (code=" + std::to_string(codeOf(read.status)) +
        ", hasRef=" + flag(read.value.has_value()) + ")");
    return std::nullopt;
}

// Chromium reports AT-SPI selection offsets that are off by one per emoji
// before them, so the text read there is not what is selected. The primary
// selection, when this very application holds it, is what it selected.
std::string AccessibilityService::checkedAgainstPrimary(const RunningApplication& app,
                                                        std::string selection) {
    if (platform_.clipboard.primarySelectionOwnerPid() != app.pid)
        return selection;
    const std::optional<std::string> primary = platform_.clipboard.primarySelectionText();
    if (!primary)
        return selection;
    std::string clean = withoutTextArtefacts(*primary);
    if (clean.empty() || clean == selection)
        return selection;
    log("AX read: the application's primary selection differs — taken (" + count(clean) +
        " chars)");
    return clean;
}

std::optional<std::string> AccessibilityService::getSelectedTextViaPasteboard(bool axAnswered) {
    Clipboard& clipboard = platform_.clipboard;
    const std::optional<RunningApplication> app = platform_.workspace.frontmostApplication();
    if (app && app->isSelf) {
        log("copy: frontmost window is our own — no Cmd+C");
        return std::nullopt;
    }
    // Without a copy keystroke the clipboard would be emptied and watched for
    // nothing (a Wayland desktop that lets no background client post keys).
    if (!platform_.keys.canPost(EditKey::copy)) {
        log("copy: this session cannot post Cmd+C — nothing copied");
        return std::nullopt;
    }
    if (app) {
        // Asked once, not waited for: the read before has waited already.
        const FocusedElement focused = platform_.bridge.focusedElement(app->pid);
        const EditingKeys keys =
            keysOf(*app, focused.status == BridgeStatus::success ? focused.element.get() : nullptr);
        if (keys != EditingKeys::standard)
            return selectionWithoutCopyKey(*app, keys);
        // What an application that AT-SPI cannot read has selected is in the
        // primary selection when it holds it: no keystroke is needed, and
        // the user's clipboard is not touched.
        if (!axAnswered) {
            if (std::optional<std::string> primary = ownPrimarySelection(*app, keys)) {
                log("copy: AX could not read the selection — the application's primary "
                    "selection taken instead of Cmd+C");
                return primary;
            }
        }
    }

    const std::optional<std::string> previousText = clipboard.text();
    const std::unique_ptr<ClipboardContents> previous = clipboard.contents();
    clipboard.clear();
    postCopy();
    platform_.sleeper.sleepFor(copyWait);
    std::optional<std::string> copied = clipboard.text();
    for (int poll = 0; !copied && poll < lateCopyPolls; ++poll) {
        platform_.sleeper.sleepFor(lateCopyPoll);
        copied = clipboard.text();
    }
    if (copied)
        copied = withoutTextArtefacts(*copied);
    if (copied && previousText && *copied == *previousText)
        return copied;
    // Every format goes back, not only the text: clearing dropped an image or
    // rich text the user had copied just as well.
    if (previous && !previous->isEmpty())
        clipboard.restore(*previous);
    if (copied && !copied->empty())
        return copied;
    return std::nullopt;
}

// Ctrl+C would interrupt the terminal's program, or wait for the rest of a
// key sequence in an editor such as Emacs; what is selected there is in the
// primary selection already, if the application is the one holding it: text
// selected earlier in another application must not end up in a shell.
std::optional<std::string>
AccessibilityService::selectionWithoutCopyKey(const RunningApplication& app, EditingKeys keys) {
    if (keys == EditingKeys::terminal)
        log("copy: terminal window — reading the primary selection instead of Cmd+C");
    else
        log("copy: no copy key in this application — reading the primary selection instead of "
            "Cmd+C");
    std::optional<std::string> primary = ownPrimarySelection(app, keys);
    if (!primary)
        log("copy: the primary selection is not the application's — nothing selected there");
    return primary;
}

std::optional<std::string> AccessibilityService::ownPrimarySelection(const RunningApplication& app,
                                                                     EditingKeys keys) {
    if (!primaryIsOf(app, keys))
        return std::nullopt;
    std::optional<std::string> primary = platform_.clipboard.primarySelectionText();
    if (primary)
        primary = withoutTextArtefacts(*primary);
    return primary && !primary->empty() ? primary : std::nullopt;
}

// Where the clipboard cannot name the owner, a terminal in front is taken to
// hold the primary selection: selecting is how a terminal copies, and its
// text cannot be had any other way. Any other application could be handed
// text selected elsewhere long ago, so it gets nothing.
bool AccessibilityService::primaryIsOf(const RunningApplication& app, EditingKeys keys) {
    if (platform_.clipboard.namesPrimarySelectionOwner())
        return platform_.clipboard.primarySelectionOwnerPid() == app.pid;
    if (keys != EditingKeys::terminal)
        return false;
    log("copy: the primary selection's owner cannot be told — taken as the terminal's in front");
    return true;
}

// --- replacement -------------------------------------------------------------

ReplaceResult AccessibilityService::replaceSelectedText(const std::string& newText,
                                                        const std::optional<std::string>& original,
                                                        std::optional<int> sourcePid) {
    const std::optional<RunningApplication> entryApp = platform_.workspace.frontmostApplication();
    log("replace: frontmost=" + nameOf(entryApp) +
        " pid=" + std::to_string(entryApp ? entryApp->pid : 0) +
        ", sourcePid=" + std::to_string(sourcePid.value_or(0)));

    switch (replaceSelectedTextViaAX(newText, original)) {
    case AXWriteResult::success:
        log("replace: AX write OK");
        return ReplaceResult::replaced;
    case AXWriteResult::scopeUndone:
        log("replace: AX write had wrong scope, undone — clipboardOnly");
        return ReplaceResult::clipboardOnly;
    case AXWriteResult::failed:
        log("replace: AX write failed, trying Cmd+V");
        break;
    }

    // Where no keystroke pastes over the selection, none is posted: Ctrl+V
    // would scroll Emacs, and a yank there inserts beside the region.
    if (const std::optional<RunningApplication> front = platform_.workspace.frontmostApplication();
        front && applicationKeys_.of(classOf(*front)) == EditingKeys::none) {
        log("replace: no paste key in this application — the result stays on the clipboard "
            "(clipboardOnly)");
        platform_.clipboard.setText(newText);
        return ReplaceResult::clipboardOnly;
    }

    if (original && !original->empty()) {
        const std::optional<std::string> current = getSelectedTextViaAX();
        if (!current) {
            log("replace: selection lost — attempting re-select");
            if (reselectText(*original))
                log("replace: re-select OK");
            else
                log("replace: re-select failed — trying Cmd+V anyway");
        } else if (trimmed(*current) != trimmed(*original)) {
            log("replace: selection changed — skipping Cmd+V (original=" +
                count(trimmed(*original)) + ", current=" + count(trimmed(*current)) + ")");
            return ReplaceResult::clipboardOnly;
        }
    }

    bool webDOM = false;
    bool terminal = false;
    if (std::optional<RunningApplication> app = platform_.workspace.frontmostApplication()) {
        std::optional<Focus> focused = focus("", app);
        webDOM = focused && focused->element->isWebContent();
        terminal =
            keysOf(*app, focused ? focused->element.get() : nullptr) == EditingKeys::terminal;
    }
    std::optional<int> target = sourcePid;
    if (!target && entryApp && !entryApp->isSelf)
        target = entryApp->pid;
    log("replace: Cmd+V to pid=" + std::to_string(target.value_or(0)) + ", webDOM=" + flag(webDOM));

    // The caller has put the text on the clipboard already. Where no key can
    // be posted it is not set again: a Wayland compositor refuses a clipboard
    // from a window without the keyboard, and Qt would drop what the focused
    // panel placed there.
    if (platform_.keys.canPost(EditKey::paste)) {
        platform_.clipboard.setText(newText);
        if (terminal)
            platform_.clipboard.setPrimarySelectionText(newText);
    }
    if (!target) {
        log("replace: no source application — not pasting");
        return ReplaceResult::clipboardOnly;
    }
    const EditKey paste = terminal ? EditKey::terminalPaste : EditKey::paste;
    const bool posted =
        webDOM ? simulatePasteGlobal(*target, paste) : simulatePaste(*target, paste);
    return posted ? ReplaceResult::replaced : ReplaceResult::clipboardOnly;
}

AccessibilityService::AXWriteResult
AccessibilityService::replaceSelectedTextViaAX(const std::string& newText,
                                               const std::optional<std::string>& original) {
    std::optional<RunningApplication> app = platform_.workspace.frontmostApplication();
    if (!app) {
        log("AX write: no frontmost app");
        return AXWriteResult::failed;
    }
    std::optional<Focus> focused = focus("AX write", std::move(app));
    if (!focused)
        return AXWriteResult::failed;
    AccessibleElement& element = *focused->element;
    if (element.isWebContent()) {
        log("AX write: web/DOM element detected — skipping AX write");
        return AXWriteResult::failed;
    }

    const std::optional<std::string> before = element.selectedText().text();
    log("AX write: before='" + preview(before) + "' (" +
        (before ? count(*before) : std::string("-1")) + " chars)");
    const std::string beforeClean = before ? withoutTextArtefacts(*before) : std::string();
    if (original && before && trimmed(*original) != trimmed(beforeClean)) {
        log("AX write: selection differs from original — aborting (original=" +
            count(trimmed(*original)) + ", current=" + count(trimmed(beforeClean)) + ")");
        return AXWriteResult::failed;
    }

    const std::optional<std::string> valueBefore = element.value();
    const long docLenBefore = valueBefore ? static_cast<long>(graphemeCount(*valueBefore)) : -1;
    log("AX write: docLenBefore=" + std::to_string(docLenBefore));

    const TextWrite write = element.writeSelectedText(newText);
    log("AX write: result=" + std::to_string(codeOf(write.status)) + " (0=success)");
    if (write.status != BridgeStatus::success)
        return AXWriteResult::failed;
    platform_.sleeper.sleepFor(settleAfterWrite);

    const std::optional<std::string> after = element.selectedText().text();
    log("AX write: after='" + preview(after) + "'");
    if (!before)
        return AXWriteResult::success;
    if (after && *after == *before && *after != newText) {
        log("AX write: text unchanged despite success — app faked it");
        return AXWriteResult::failed;
    }

    const std::optional<std::string> valueAfter = element.value();
    const long docLenAfter = valueAfter ? static_cast<long>(graphemeCount(*valueAfter)) : -1;
    log("AX write: docLenAfter=" + std::to_string(docLenAfter));
    // Toolkits answer every edit with success; an unchanged value is the
    // other face of a faked write.
    if (valueBefore && valueAfter && *valueAfter == *valueBefore && newText != *before) {
        log("AX write: text unchanged despite success — app faked it");
        return AXWriteResult::failed;
    }

    if (docLenBefore < 0 || docLenBefore == 0) {
        log("AX write: cannot verify scope (no kAXValueAttribute) — undoing to be safe");
        undoWrite(*focused, write.edit, valueBefore);
        return AXWriteResult::scopeUndone;
    }
    if (docLenAfter < 0)
        return AXWriteResult::success;

    const long expected = docLenBefore - static_cast<long>(graphemeCount(*before)) +
                          static_cast<long>(graphemeCount(newText));
    const long diff = std::labs(docLenAfter - expected);
    log("AX write: scope check — expected=" + std::to_string(expected) +
        ", actual=" + std::to_string(docLenAfter) + ", diff=" + std::to_string(diff));
    if (diff > scopeTolerance) {
        log("AX write: scope mismatch — undoing with Cmd+Z");
        undoWrite(*focused, write.edit, valueBefore);
        return AXWriteResult::scopeUndone;
    }
    // A length that fits says nothing about a damaged text (Qt pads an insert
    // given the wrong length unit); the new text itself must be there.
    if (valueAfter->find(newText) == std::string::npos) {
        log("AX write: new text not found in the value after the write — undoing");
        undoWrite(*focused, write.edit, valueBefore);
        return AXWriteResult::scopeUndone;
    }
    return AXWriteResult::success;
}

void AccessibilityService::undoWrite(const Focus& focused, const TextEdit& edit,
                                     const std::optional<std::string>& valueBefore) {
    AccessibleElement& element = *focused.element;
    // The target's own undo cannot be trusted here: GTK and Qt text views
    // record the write as two steps and a Qt line edit drops its history, so
    // the write is taken back through the element and then checked.
    const bool tookBack = element.takeBack(edit);
    std::optional<std::string> value = element.value();
    if (valueBefore) {
        if (!tookBack || value != valueBefore) {
            log("undo: take-back left a different text — setting the whole value back");
            element.setValue(*valueBefore);
            value = element.value();
        }
        if (value == valueBefore) {
            log("undo: value restored through AX (" + count(*valueBefore) + " chars)");
            return;
        }
    } else if (tookBack) {
        log("undo: write taken back through AX; no value before to compare");
        return;
    }

    switch (keysOf(focused.app, &element)) {
    case EditingKeys::terminal:
        log("undo: terminal window — no Cmd+Z, the text stays as written");
        return;
    case EditingKeys::none:
        log("undo: no undo key in this application — the text stays as written");
        return;
    case EditingKeys::standard:
        break;
    }
    const int steps = std::max(edit.steps, 1);
    log("undo: AX cannot restore — posting Cmd+Z x" + std::to_string(steps));
    for (int step = 0; step < steps; ++step) {
        if (!simulateUndo(focused.app.pid))
            break;
    }
    if (!valueBefore)
        return;
    value = element.value();
    if (value == valueBefore)
        log("undo: value matches the value before");
    else
        log("undo: value differs from the value before (expected=" + count(*valueBefore) +
            ", actual=" + (value ? count(*value) : std::string("-1")) + ")");
}

bool AccessibilityService::reselectText(const std::string& original) {
    std::optional<RunningApplication> app = platform_.workspace.frontmostApplication();
    if (!app)
        return false;
    std::optional<Focus> focused = focus("", std::move(app));
    if (!focused) {
        log("re-select: no focused element");
        return false;
    }
    const std::optional<std::string> value = focused->element->value();
    if (!value) {
        log("re-select: cannot read full value");
        return false;
    }
    const std::string_view needle = trimmed(original);
    const std::size_t at = value->find(needle);
    if (at == std::string::npos) {
        log("re-select: text not found in value (len=" + count(*value) + ")");
        return false;
    }
    log("re-select: found at location=" + count(std::string_view(*value).substr(0, at)) +
        " length=" + count(needle));
    const BridgeStatus status = focused->element->setSelectedRange(*value, at, needle.size());
    log("re-select: setRange result=" + std::to_string(codeOf(status)) + " (0=success)");
    if (status != BridgeStatus::success)
        return false;
    platform_.sleeper.sleepFor(settleAfterSelect);
    return true;
}

// --- keystrokes --------------------------------------------------------------

void AccessibilityService::post(EditKey key, std::chrono::microseconds pause) {
    platform_.keys.keyDown(key);
    if (pause.count() > 0)
        platform_.sleeper.sleepFor(pause);
    platform_.keys.keyUp(key);
}

void AccessibilityService::postCopy() {
    if (platform_.keys.canPost(EditKey::copy))
        post(EditKey::copy, std::chrono::microseconds{0});
}

// X11 delivers keys to the focused window only, so both pastes make sure the
// source application's window is the active one; a paste into whatever else
// has the keyboard could land in a shell or a password field.
bool AccessibilityService::simulatePasteGlobal(int pid, EditKey key) {
    if (!platform_.keys.canPost(key)) {
        log("Cmd+V global: failed to create CGEvent");
        return false;
    }
    if (!platform_.workspace.activate(pid)) {
        log("Cmd+V: pid " + std::to_string(pid) + " is not in front — not posted");
        return false;
    }
    log("Cmd+V: posting global");
    post(key, keyHold);
    return true;
}

bool AccessibilityService::simulatePaste(int pid, EditKey key) {
    if (!platform_.keys.canPost(key)) {
        log("Cmd+V pid: failed to create CGEvent");
        return false;
    }
    if (!platform_.workspace.activate(pid)) {
        log("Cmd+V: pid " + std::to_string(pid) + " could not be activated — not posted");
        return false;
    }
    log("Cmd+V: postToPid(" + std::to_string(pid) + ")");
    post(key, keyHold);
    return true;
}

bool AccessibilityService::simulateUndo(int pid) {
    if (!platform_.keys.canPost(EditKey::undo))
        return false;
    if (!platform_.workspace.activate(pid)) {
        log("Cmd+Z: pid " + std::to_string(pid) + " could not be activated — not posted");
        return false;
    }
    post(EditKey::undo, keyHold);
    platform_.sleeper.sleepFor(undoApply);
    return true;
}

} // namespace scribeon
