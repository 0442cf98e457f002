#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace scribeon {

// What a call into another application's accessibility interface came to.
// The numbers are stable: log lines carry them ("code=-3").
enum class BridgeStatus : int {
    success = 0,
    noApplication = -1,
    unresponsive = -2,
    noFocusedElement = -3,
    noText = -4,
    noSelection = -5,
    notEditable = -6,
    refused = -7,
    callFailed = -8,
};

inline int codeOf(BridgeStatus status) {
    return static_cast<int>(status);
}

// A read of an accessibility attribute and the value, when one came back.
struct AccessibleRead {
    BridgeStatus status = BridgeStatus::success;
    std::optional<std::string> value;

    // The value of a read that succeeded.
    std::optional<std::string> text() const {
        return status == BridgeStatus::success ? value : std::nullopt;
    }
};

// What a write into an element did, in the element's own offsets, so that the
// element can take exactly this write back.
struct TextEdit {
    long start = 0;
    std::string removed;
    std::string inserted;
    int steps = 0; // the target's undo steps the write made
};

struct TextWrite {
    BridgeStatus status = BridgeStatus::success;
    TextEdit edit;
};

// The focused text element of another application.
class AccessibleElement {
public:
    virtual ~AccessibleElement() = default;
    virtual std::optional<std::string> role() = 0;
    virtual AccessibleRead selectedText() = 0;
    // The element's whole text; absent when it has none or it cannot be read.
    virtual std::optional<std::string> value() = 0;
    // A browser's document or one of its DOM elements.
    virtual bool isWebContent() = 0;
    virtual bool isTerminal() = 0;
    // Whether the toolkit's selection offsets are known to match its text
    // (Qt, GTK); the rest are checked against the primary selection.
    virtual bool hasExactSelectionOffsets() = 0;
    // Puts the text in place of the selection.
    virtual TextWrite writeSelectedText(const std::string& text) = 0;
    // Selects bytes [byteStart, byteStart + byteLength) of `value`, the text
    // the element gave a moment ago; the element converts to its own unit.
    virtual BridgeStatus setSelectedRange(const std::string& value, std::size_t byteStart,
                                          std::size_t byteLength) = 0;
    // Takes the write back through the element: removes what it inserted and
    // puts back what it removed. False when the element cannot.
    virtual bool takeBack(const TextEdit& edit) = 0;
    // Replaces the whole text. False when the element cannot.
    virtual bool setValue(const std::string& value) = 0;
};

struct FocusedElement {
    BridgeStatus status = BridgeStatus::success;
    std::shared_ptr<AccessibleElement> element;
    // The application answers but reports no focused element: it may be
    // taking the keyboard back a moment from now (after a key grab ends).
    bool focusPending = false;
};

// Another application's user-interface elements, through the desktop's
// accessibility interface.
class AccessibilityBridge {
public:
    virtual ~AccessibilityBridge() = default;
    virtual FocusedElement focusedElement(int pid) = 0;
};

} // namespace scribeon
