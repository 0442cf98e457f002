#pragma once

#include "accessibility/ApplicationKeys.h"
#include "accessibility/ReplaceResult.h"
#include "accessibility/SelectionCapture.h"
#include "accessibility/TextReplacement.h"
#include "platform/AccessibilityBridge.h"
#include "platform/Clipboard.h"
#include "platform/DiagnosticLog.h"
#include "platform/KeySynth.h"
#include "platform/Sleeper.h"
#include "platform/Workspace.h"

#include <optional>
#include <string>

namespace scribeon {

// Reads the selection of the frontmost application and writes text in its
// place: through the accessibility interface where the target allows it and
// the write can be checked, else with the target's own copy and paste keys.
// Every step runs synchronously on the calling (main) thread and writes one
// diagnostic line.
class AccessibilityService : public SelectionCapture, public TextReplacement {
public:
    enum class AXWriteResult { success, failed, scopeUndone };

    struct Platform {
        Workspace& workspace;
        AccessibilityBridge& bridge;
        KeySynth& keys;
        Clipboard& clipboard;
        Sleeper& sleeper;
        DiagnosticLog& log;
    };

    explicit AccessibilityService(Platform platform, ApplicationKeys applicationKeys = {});

    std::optional<std::string> getSelectedText() override;
    std::optional<RunningApplication> lastSource() const override { return lastSource_; }
    ReplaceResult replaceSelectedText(const std::string& newText,
                                      const std::optional<std::string>& original,
                                      std::optional<int> sourcePid) override;
    bool canPaste() override { return platform_.keys.canPost(EditKey::paste); }

private:
    struct Focus {
        RunningApplication app;
        std::shared_ptr<AccessibleElement> element;
    };

    // `answered` tells whether the focused element gave its selection at
    // all, even an empty one.
    std::optional<std::string> getSelectedTextViaAX(bool* answered = nullptr);
    std::optional<std::string> getSelectedTextViaPasteboard(bool axAnswered);
    std::string checkedAgainstPrimary(const RunningApplication& app, std::string selection);
    std::optional<std::string> ownPrimarySelection(const RunningApplication& app, EditingKeys keys);
    bool primaryIsOf(const RunningApplication& app, EditingKeys keys);
    std::optional<std::string> selectionWithoutCopyKey(const RunningApplication& app,
                                                       EditingKeys keys);
    AXWriteResult replaceSelectedTextViaAX(const std::string& newText,
                                           const std::optional<std::string>& original);
    bool reselectText(const std::string& original);
    void undoWrite(const Focus& focus, const TextEdit& edit,
                   const std::optional<std::string>& valueBefore);

    void postCopy();
    bool simulatePaste(int pid, EditKey key);
    bool simulatePasteGlobal(int pid, EditKey key);
    bool simulateUndo(int pid);
    void post(EditKey key, std::chrono::microseconds pause);

    // The focused element of the frontmost application, or the platform's
    // code when there is none; `prefix` names the step in the log line.
    std::optional<Focus> focus(const std::string& prefix, std::optional<RunningApplication> app);
    EditingKeys keysOf(const RunningApplication& app, AccessibleElement* element) const;
    void log(const std::string& line);

    Platform platform_;
    ApplicationKeys applicationKeys_;
    std::optional<RunningApplication> lastSource_;
};

} // namespace scribeon
