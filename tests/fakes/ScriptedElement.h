#pragma once

#include "platform/AccessibilityBridge.h"

#include <map>
#include <vector>

namespace scribeon {

// A text element whose text, selection and misbehaviour a test sets. Offsets
// are bytes of `text`.
class ScriptedElement : public AccessibleElement {
public:
    enum class WriteBehaviour { replaceSelection, refuse, fake, appendGarbage };

    std::optional<std::string> role() override { return roleName; }

    AccessibleRead selectedText() override {
        if (selectionStatus != BridgeStatus::success)
            return {selectionStatus, std::nullopt};
        if (!selection)
            return {BridgeStatus::noSelection, std::nullopt};
        return {BridgeStatus::success, text.substr(selection->first, selection->second)};
    }

    std::optional<std::string> value() override {
        const bool readable = written ? valueReadableAfterWrite : valueReadable;
        return readable ? std::optional(text) : std::nullopt;
    }

    bool isWebContent() override { return web; }
    bool isTerminal() override { return terminal; }
    bool hasExactSelectionOffsets() override { return exactOffsets; }

    TextWrite writeSelectedText(const std::string& newText) override {
        const auto [start, length] = selection.value_or(std::pair<std::size_t, std::size_t>{0, 0});
        TextEdit edit{static_cast<long>(start), text.substr(start, length), newText, 2};
        switch (writeBehaviour) {
        case WriteBehaviour::refuse:
            return {BridgeStatus::refused, {}};
        case WriteBehaviour::fake:
            return {BridgeStatus::success, edit};
        case WriteBehaviour::replaceSelection:
            text.replace(start, length, newText);
            break;
        case WriteBehaviour::appendGarbage:
            text.replace(start, length, std::string(newText.size(), '\0'));
            break;
        }
        text += std::string(extraAfterWrite, 'x');
        history.push_back(text);
        written = true;
        selection = selectionAfterWrite;
        return {BridgeStatus::success, edit};
    }

    BridgeStatus setSelectedRange(const std::string& forValue, std::size_t byteStart,
                                  std::size_t byteLength) override {
        rangesSet.push_back({byteStart, byteLength});
        if (forValue == text)
            selection = std::pair{byteStart, byteLength};
        return BridgeStatus::success;
    }

    bool takeBack(const TextEdit& edit) override {
        ++takeBacks;
        if (!canTakeBack)
            return false;
        const auto start = static_cast<std::size_t>(edit.start);
        if (start + edit.inserted.size() > text.size())
            return false;
        text.replace(start, edit.inserted.size(), edit.removed);
        return true;
    }

    bool setValue(const std::string& newValue) override {
        if (!canSetValue)
            return false;
        text = newValue;
        return true;
    }

    // What one Ctrl+Z does in the target: back to the text before its last edit.
    void undoOneStep(const std::string& textBeforeWrite) {
        if (!history.empty())
            history.pop_back();
        text = history.empty() ? textBeforeWrite : history.back();
    }

    std::string text;
    std::optional<std::pair<std::size_t, std::size_t>> selection;
    std::optional<std::pair<std::size_t, std::size_t>> selectionAfterWrite{std::pair{0u, 0u}};
    std::optional<std::string> roleName = "text";
    BridgeStatus selectionStatus = BridgeStatus::success;
    bool valueReadable = true;
    bool valueReadableAfterWrite = true;
    bool web = false;
    bool terminal = false;
    bool exactOffsets = false;
    WriteBehaviour writeBehaviour = WriteBehaviour::replaceSelection;
    std::size_t extraAfterWrite = 0; // characters the write adds beyond its scope
    bool canTakeBack = true;
    bool canSetValue = true;

    bool written = false;
    int takeBacks = 0;
    std::vector<std::pair<std::size_t, std::size_t>> rangesSet;
    std::vector<std::string> history;
};

class FakeAccessibilityBridge : public AccessibilityBridge {
public:
    FocusedElement focusedElement(int pid) override {
        if (unfocusedQueries > 0) {
            --unfocusedQueries;
            return {BridgeStatus::noFocusedElement, nullptr, true};
        }
        auto found = elements.find(pid);
        if (found == elements.end())
            return {BridgeStatus::noFocusedElement, nullptr, focusPending};
        return {BridgeStatus::success, found->second};
    }

    std::map<int, std::shared_ptr<ScriptedElement>> elements;
    bool focusPending = false; // how a missing element is reported
    int unfocusedQueries = 0;  // queries answered "no focus yet" before the element shows
};

} // namespace scribeon
