#pragma once

#include "accessibility/AccessibilityCapture.h"
#include "accessibility/AccessibilityReplacement.h"
#include "tests/fakes/FakeKeySynth.h"
#include "tests/fakes/FakeSleeper.h"
#include "tests/fakes/FakeWorkspace.h"
#include "tests/fakes/InMemoryClipboard.h"
#include "tests/fakes/RecordingLog.h"
#include "tests/fakes/ScriptedElement.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace scribeon {

constexpr int editorPid = 4242;

// A desktop with an editor in front whose focused element a test scripts;
// a new one for every row of a table.
struct TextDesk {
    FakeWorkspace workspace;
    FakeAccessibilityBridge bridge;
    FakeSleeper clock;
    FakeKeySynth keys{clock, workspace};
    InMemoryClipboard clipboard;
    RecordingLog log;
    ApplicationKeys applicationKeys;
    std::shared_ptr<ScriptedElement> element = std::make_shared<ScriptedElement>();

    TextDesk() {
        workspace.frontmost = RunningApplication{editorPid, "mousepad", "mousepad"};
        bridge.elements[editorPid] = element;
    }

    void show(const std::string& text, const std::string& selected) {
        element->text = text;
        element->selection = std::pair{text.find(selected), selected.size()};
    }

    // The target's Ctrl+C puts this on the clipboard, `after` the key.
    void copyYields(std::optional<std::string> copied,
                    std::chrono::microseconds after = std::chrono::microseconds{0}) {
        const InMemoryClipboard::Formats formats{
            {"text/plain", copied.value_or("")},
            {"text/html", "<b>" + copied.value_or("") + "</b>"}};
        keys.onKeyUp = [this, copied, after, formats](EditKey key) {
            if (key == EditKey::copy && copied)
                clock.after(after, [this, formats] { clipboard.takenBy(formats); });
        };
    }

    // Emacs as it appears on the desktop: on AT-SPI, but without any text;
    // with CUA keys if the user set it up so.
    void emacsInFront(bool standardKeys = false) {
        workspace.frontmost = RunningApplication{editorPid, "emacs", "Emacs"};
        element->selectionStatus = BridgeStatus::noText;
        element->writeBehaviour = ScriptedElement::WriteBehaviour::refuse;
        if (standardKeys)
            applicationKeys.set("Emacs", EditingKeys::standard);
    }

    std::optional<std::string> capture() {
        FocusedText text(ports(), applicationKeys);
        return AccessibilityCapture(text).getSelectedText();
    }

    ReplaceResult replace(const std::string& newText, const std::optional<std::string>& original,
                          std::optional<int> sourcePid) {
        FocusedText text(ports(), applicationKeys);
        return AccessibilityReplacement(text).replaceSelectedText(newText, original, sourcePid);
    }

    FocusedText::Ports ports() { return {workspace, bridge, keys, clipboard, clock, log}; }
};

using Arrange = std::function<void(TextDesk&)>;

inline Arrange both(Arrange first, Arrange second) {
    return [=](TextDesk& d) {
        first(d);
        second(d);
    };
}

} // namespace scribeon
