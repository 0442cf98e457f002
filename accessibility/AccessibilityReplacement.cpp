#include "accessibility/AccessibilityReplacement.h"

#include "base/UnicodeText.h"

#include <algorithm>
#include <cstdlib>

namespace scribeon {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds settleAfterWrite{50};
constexpr milliseconds settleAfterSelect{50};
constexpr milliseconds keyHold{30};
constexpr milliseconds undoApply{100};
constexpr std::size_t previewLength = 60;
constexpr long scopeTolerance = 2;

std::string preview(const std::optional<std::string>& text) {
    return text ? std::string(graphemePrefix(*text, previewLength)) : std::string("nil");
}

std::string flag(bool value) {
    return value ? "1" : "0";
}

} // namespace

ReplaceResult
AccessibilityReplacement::replaceSelectedText(const std::string& newText,
                                              const std::optional<std::string>& original,
                                              std::optional<int> sourcePid) {
    FocusedText::Ports& ports = text_.ports();
    const std::optional<RunningApplication> entryApp = ports.workspace.frontmostApplication();
    text_.log("replace: frontmost=" + nameOf(entryApp) +
              " pid=" + std::to_string(entryApp ? entryApp->pid : 0) +
              ", sourcePid=" + std::to_string(sourcePid.value_or(0)));

    switch (replaceSelectedTextViaAX(newText, original)) {
    case AXWriteResult::success:
        text_.log("replace: AX write OK");
        return ReplaceResult::replaced;
    case AXWriteResult::scopeUndone:
        text_.log("replace: AX write had wrong scope, undone — clipboardOnly");
        return ReplaceResult::clipboardOnly;
    case AXWriteResult::failed:
        text_.log("replace: AX write failed, trying Cmd+V");
        break;
    }

    // Where no keystroke pastes over the selection, none is posted: Ctrl+V
    // would scroll Emacs, and a yank there inserts beside the region.
    if (const std::optional<RunningApplication> front = ports.workspace.frontmostApplication();
        front && text_.keysOf(*front) == EditingKeys::none) {
        text_.log("replace: no paste key in this application — the result stays on the clipboard "
                  "(clipboardOnly)");
        ports.clipboard.setText(newText);
        return ReplaceResult::clipboardOnly;
    }

    if (original && !original->empty()) {
        const std::optional<std::string> current = text_.readSelection();
        if (!current) {
            text_.log("replace: selection lost — attempting re-select");
            if (reselectText(*original))
                text_.log("replace: re-select OK");
            else
                text_.log("replace: re-select failed — trying Cmd+V anyway");
        } else if (trimmed(*current) != trimmed(*original)) {
            text_.log("replace: selection changed — skipping Cmd+V (original=" +
                      countOf(trimmed(*original)) + ", current=" + countOf(trimmed(*current)) +
                      ")");
            return ReplaceResult::clipboardOnly;
        }
    }

    bool webDOM = false;
    bool terminal = false;
    if (std::optional<RunningApplication> app = ports.workspace.frontmostApplication()) {
        std::optional<FocusedText::Focus> focused = text_.focus("", app);
        webDOM = focused && focused->element->isWebContent();
        terminal =
            text_.keysOf(*app, focused ? focused->element.get() : nullptr) == EditingKeys::terminal;
    }
    std::optional<int> target = sourcePid;
    if (!target && entryApp && !entryApp->isSelf)
        target = entryApp->pid;
    text_.log("replace: Cmd+V to pid=" + std::to_string(target.value_or(0)) +
              ", webDOM=" + flag(webDOM));

    // The caller has put the text on the clipboard already. Where no key can
    // be posted it is not set again: a Wayland compositor refuses a clipboard
    // from a window without the keyboard, and Qt would drop what the focused
    // panel placed there.
    if (ports.keys.canPost(EditKey::paste)) {
        ports.clipboard.setText(newText);
        if (terminal)
            ports.clipboard.setPrimarySelectionText(newText);
    }
    if (!target) {
        text_.log("replace: no source application — not pasting");
        return ReplaceResult::clipboardOnly;
    }
    const EditKey paste = terminal ? EditKey::terminalPaste : EditKey::paste;
    const bool posted = simulatePaste(*target, paste, webDOM);
    return posted ? ReplaceResult::replaced : ReplaceResult::clipboardOnly;
}

AccessibilityReplacement::AXWriteResult
AccessibilityReplacement::replaceSelectedTextViaAX(const std::string& newText,
                                                   const std::optional<std::string>& original) {
    FocusedText::Ports& ports = text_.ports();
    std::optional<RunningApplication> app = ports.workspace.frontmostApplication();
    if (!app) {
        text_.log("AX write: no frontmost app");
        return AXWriteResult::failed;
    }
    std::optional<FocusedText::Focus> focused = text_.focus("AX write", std::move(app));
    if (!focused)
        return AXWriteResult::failed;
    AccessibleElement& element = *focused->element;
    if (element.isWebContent()) {
        text_.log("AX write: web/DOM element detected — skipping AX write");
        return AXWriteResult::failed;
    }

    const std::optional<std::string> before = element.selectedText().text();
    text_.log("AX write: before='" + preview(before) + "' (" +
              (before ? countOf(*before) : std::string("-1")) + " chars)");
    const std::string beforeClean = before ? withoutTextArtefacts(*before) : std::string();
    if (original && before && trimmed(*original) != trimmed(beforeClean)) {
        text_.log("AX write: selection differs from original — aborting (original=" +
                  countOf(trimmed(*original)) + ", current=" + countOf(trimmed(beforeClean)) + ")");
        return AXWriteResult::failed;
    }

    const std::optional<std::string> valueBefore = element.value();
    const long docLenBefore = valueBefore ? static_cast<long>(graphemeCount(*valueBefore)) : -1;
    text_.log("AX write: docLenBefore=" + std::to_string(docLenBefore));

    const TextWrite write = element.writeSelectedText(newText);
    text_.log("AX write: result=" + std::to_string(codeOf(write.status)) + " (0=success)");
    if (write.status != BridgeStatus::success)
        return AXWriteResult::failed;
    ports.sleeper.sleepFor(settleAfterWrite);

    const std::optional<std::string> after = element.selectedText().text();
    text_.log("AX write: after='" + preview(after) + "'");
    if (!before)
        return AXWriteResult::success;
    if (after && *after == *before && *after != newText) {
        text_.log("AX write: text unchanged despite success — app faked it");
        return AXWriteResult::failed;
    }

    const std::optional<std::string> valueAfter = element.value();
    const long docLenAfter = valueAfter ? static_cast<long>(graphemeCount(*valueAfter)) : -1;
    text_.log("AX write: docLenAfter=" + std::to_string(docLenAfter));
    // Toolkits answer every edit with success; an unchanged value is the
    // other face of a faked write.
    if (valueBefore && valueAfter && *valueAfter == *valueBefore && newText != *before) {
        text_.log("AX write: text unchanged despite success — app faked it");
        return AXWriteResult::failed;
    }

    if (docLenBefore < 0 || docLenBefore == 0) {
        text_.log("AX write: cannot verify scope (no kAXValueAttribute) — undoing to be safe");
        undoWrite(*focused, write.edit, valueBefore);
        return AXWriteResult::scopeUndone;
    }
    if (docLenAfter < 0)
        return AXWriteResult::success;

    const long expected = docLenBefore - static_cast<long>(graphemeCount(*before)) +
                          static_cast<long>(graphemeCount(newText));
    const long diff = std::labs(docLenAfter - expected);
    text_.log("AX write: scope check — expected=" + std::to_string(expected) +
              ", actual=" + std::to_string(docLenAfter) + ", diff=" + std::to_string(diff));
    if (diff > scopeTolerance) {
        text_.log("AX write: scope mismatch — undoing with Cmd+Z");
        undoWrite(*focused, write.edit, valueBefore);
        return AXWriteResult::scopeUndone;
    }
    // A length that fits says nothing about a damaged text (Qt pads an insert
    // given the wrong length unit); the new text itself must be there.
    if (valueAfter->find(newText) == std::string::npos) {
        text_.log("AX write: new text not found in the value after the write — undoing");
        undoWrite(*focused, write.edit, valueBefore);
        return AXWriteResult::scopeUndone;
    }
    return AXWriteResult::success;
}

void AccessibilityReplacement::undoWrite(const FocusedText::Focus& focused, const TextEdit& edit,
                                         const std::optional<std::string>& valueBefore) {
    AccessibleElement& element = *focused.element;
    // The target's own undo cannot be trusted here: GTK and Qt text views
    // record the write as two steps and a Qt line edit drops its history, so
    // the write is taken back through the element and then checked.
    const bool tookBack = element.takeBack(edit);
    std::optional<std::string> value = element.value();
    if (valueBefore) {
        if (!tookBack || value != valueBefore) {
            text_.log("undo: take-back left a different text — setting the whole value back");
            element.setValue(*valueBefore);
            value = element.value();
        }
        if (value == valueBefore) {
            text_.log("undo: value restored through AX (" + countOf(*valueBefore) + " chars)");
            return;
        }
    } else if (tookBack) {
        text_.log("undo: write taken back through AX; no value before to compare");
        return;
    }

    switch (text_.keysOf(focused.app, &element)) {
    case EditingKeys::terminal:
        text_.log("undo: terminal window — no Cmd+Z, the text stays as written");
        return;
    case EditingKeys::none:
        text_.log("undo: no undo key in this application — the text stays as written");
        return;
    case EditingKeys::standard:
        break;
    }
    const int steps = std::max(edit.steps, 1);
    text_.log("undo: AX cannot restore — posting Cmd+Z x" + std::to_string(steps));
    for (int step = 0; step < steps; ++step) {
        if (!simulateUndo(focused.app.pid))
            break;
    }
    if (!valueBefore)
        return;
    value = element.value();
    if (value == valueBefore)
        text_.log("undo: value matches the value before");
    else
        text_.log("undo: value differs from the value before (expected=" + countOf(*valueBefore) +
                  ", actual=" + (value ? countOf(*value) : std::string("-1")) + ")");
}

bool AccessibilityReplacement::reselectText(const std::string& original) {
    FocusedText::Ports& ports = text_.ports();
    std::optional<RunningApplication> app = ports.workspace.frontmostApplication();
    if (!app)
        return false;
    std::optional<FocusedText::Focus> focused = text_.focus("", std::move(app));
    if (!focused) {
        text_.log("re-select: no focused element");
        return false;
    }
    const std::optional<std::string> value = focused->element->value();
    if (!value) {
        text_.log("re-select: cannot read full value");
        return false;
    }
    const std::string_view needle = trimmed(original);
    const std::size_t at = value->find(needle);
    if (at == std::string::npos) {
        text_.log("re-select: text not found in value (len=" + countOf(*value) + ")");
        return false;
    }
    text_.log("re-select: found at location=" + countOf(std::string_view(*value).substr(0, at)) +
              " length=" + countOf(needle));
    const BridgeStatus status = focused->element->setSelectedRange(*value, at, needle.size());
    text_.log("re-select: setRange result=" + std::to_string(codeOf(status)) + " (0=success)");
    if (status != BridgeStatus::success)
        return false;
    ports.sleeper.sleepFor(settleAfterSelect);
    return true;
}

// X11 delivers keys to the focused window only, so every paste, even the
// "global" one into web content, makes sure the source application's window
// is the active one; a paste into whatever else has the keyboard could land
// in a shell or a password field.
bool AccessibilityReplacement::simulatePaste(int pid, EditKey key, bool global) {
    FocusedText::Ports& ports = text_.ports();
    if (!ports.keys.canPost(key)) {
        text_.log(global ? "Cmd+V global: failed to create CGEvent"
                         : "Cmd+V pid: failed to create CGEvent");
        return false;
    }
    if (!ports.workspace.activate(pid)) {
        text_.log("Cmd+V: pid " + std::to_string(pid) +
                  (global ? " is not in front" : " could not be activated") + " — not posted");
        return false;
    }
    text_.log(global ? std::string("Cmd+V: posting global")
                     : "Cmd+V: postToPid(" + std::to_string(pid) + ")");
    text_.post(key, keyHold);
    return true;
}

bool AccessibilityReplacement::simulateUndo(int pid) {
    FocusedText::Ports& ports = text_.ports();
    if (!ports.keys.canPost(EditKey::undo))
        return false;
    if (!ports.workspace.activate(pid)) {
        text_.log("Cmd+Z: pid " + std::to_string(pid) + " could not be activated — not posted");
        return false;
    }
    text_.post(EditKey::undo, keyHold);
    ports.sleeper.sleepFor(undoApply);
    return true;
}

} // namespace scribeon
