#pragma once

#include "accessibility/FocusedText.h"
#include "accessibility/TextReplacement.h"

#include <optional>
#include <string>

namespace scribeon {

// Writes text in place of the selection of the application in front: through
// the accessibility interface where the target allows it and the write can be
// checked (a write that fails its checks is taken back), else with the
// target's own paste key, posted only into the source application's window.
class AccessibilityReplacement : public TextReplacement {
public:
    explicit AccessibilityReplacement(FocusedText& text) : text_(text) {}

    ReplaceResult replaceSelectedText(const std::string& newText,
                                      const std::optional<std::string>& original,
                                      std::optional<int> sourcePid) override;
    bool canPaste() override { return text_.ports().keys.canPost(EditKey::paste); }

private:
    enum class AXWriteResult { success, failed, scopeUndone };

    AXWriteResult replaceSelectedTextViaAX(const std::string& newText,
                                           const std::optional<std::string>& original);
    bool reselectText(const std::string& original);
    void undoWrite(const FocusedText::Focus& focus, const TextEdit& edit,
                   const std::optional<std::string>& valueBefore);
    bool simulatePaste(int pid, EditKey key, bool global);
    bool simulateUndo(int pid);

    FocusedText& text_;
};

} // namespace scribeon
