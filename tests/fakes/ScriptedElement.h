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
    using Range = std::pair<std::size_t, std::size_t>;

    std::optional<std::string> role() override { return roleName; }
    bool isWebContent() override { return web; }
    bool isTerminal() override { return terminal; }
    bool hasExactSelectionOffsets() override { return exactOffsets; }

    AccessibleRead selectedText() override {
        if (selectionStatus == BridgeStatus::success && selection)
            return {selectionStatus, text.substr(selection->first, selection->second)};
        const bool ok = selectionStatus == BridgeStatus::success;
        return {ok ? BridgeStatus::noSelection : selectionStatus, std::nullopt};
    }

    std::optional<std::string> value() override {
        return (written ? valueReadableAfterWrite : valueReadable) ? std::optional(text)
                                                                   : std::nullopt;
    }

    TextWrite writeSelectedText(const std::string& newText) override {
        const auto [start, length] = selection.value_or(Range{0, 0});
        const TextEdit edit{static_cast<long>(start), text.substr(start, length), newText, 2};
        if (writeBehaviour == WriteBehaviour::refuse)
            return {BridgeStatus::refused, {}};
        if (writeBehaviour == WriteBehaviour::fake)
            return {BridgeStatus::success, edit};
        const bool garbage = writeBehaviour == WriteBehaviour::appendGarbage;
        text.replace(start, length, garbage ? std::string(newText.size(), '\0') : newText);
        text += std::string(extraAfterWrite, 'x');
        history.push_back(text);
        written = true;
        selection = selectionAfterWrite;
        return {BridgeStatus::success, edit};
    }

    BridgeStatus setSelectedRange(const std::string& forValue, std::size_t byteStart,
                                  std::size_t byteLength) override {
        rangesSet.emplace_back(byteStart, byteLength);
        if (forValue == text)
            selection = Range{byteStart, byteLength};
        return BridgeStatus::success;
    }

    bool takeBack(const TextEdit& edit) override {
        tookBack = true;
        const auto start = static_cast<std::size_t>(edit.start);
        if (!canTakeBack || start + edit.inserted.size() > text.size())
            return false;
        text.replace(start, edit.inserted.size(), edit.removed);
        return true;
    }

    bool setValue(const std::string& newValue) override {
        if (canSetValue)
            text = newValue;
        return canSetValue;
    }

    // What one Ctrl+Z does in the target: back to the text before its last edit.
    void undoOneStep(const std::string& textBeforeWrite) {
        if (!history.empty())
            history.pop_back();
        text = history.empty() ? textBeforeWrite : history.back();
    }

    std::string text;
    std::optional<Range> selection, selectionAfterWrite = Range{0, 0};
    std::optional<std::string> roleName = "text";
    BridgeStatus selectionStatus = BridgeStatus::success;
    bool valueReadable = true, valueReadableAfterWrite = true;
    bool web = false, terminal = false, exactOffsets = false;
    WriteBehaviour writeBehaviour = WriteBehaviour::replaceSelection;
    std::size_t extraAfterWrite = 0; // characters the write adds beyond its scope
    bool canTakeBack = true, canSetValue = true;

    bool written = false, tookBack = false;
    std::vector<Range> rangesSet;
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
