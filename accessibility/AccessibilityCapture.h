#pragma once

#include "accessibility/FocusedText.h"
#include "accessibility/SelectionCapture.h"

#include <optional>
#include <string>

namespace scribeon {

// Reads the selection of the application in front: through the
// accessibility interface, else from the primary selection the application
// holds, else with the application's own copy keystroke, putting back
// whatever the user had on the clipboard.
class AccessibilityCapture : public SelectionCapture {
public:
    explicit AccessibilityCapture(FocusedText& text) : text_(text) {}

    std::optional<std::string> getSelectedText() override;
    std::optional<RunningApplication> lastSource() const override { return lastSource_; }

private:
    std::optional<std::string> getSelectedTextViaPasteboard(bool axAnswered);
    std::optional<std::string> copied();
    void waitForCopy(std::optional<unsigned long> ownerChangesBefore);
    std::optional<std::string> ownPrimarySelection(const RunningApplication& app, EditingKeys keys);
    bool primaryIsOf(const RunningApplication& app, EditingKeys keys);
    std::optional<std::string> selectionWithoutCopyKey(const RunningApplication& app,
                                                       EditingKeys keys);

    FocusedText& text_;
    std::optional<RunningApplication> lastSource_;
};

} // namespace scribeon
