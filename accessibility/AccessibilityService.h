#pragma once

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

    explicit AccessibilityService(Platform platform);

    std::optional<std::string> getSelectedText() override;
    ReplaceResult replaceSelectedText(const std::string& newText,
                                      const std::optional<std::string>& original,
                                      std::optional<int> sourcePid) override;
    bool canPaste() override { return platform_.keys.canPost(EditKey::paste); }

private:
    struct Focus {
        RunningApplication app;
        std::shared_ptr<AccessibleElement> element;
    };

    std::optional<std::string> getSelectedTextViaAX();
    std::optional<std::string> getSelectedTextViaPasteboard();
    std::string checkedAgainstPrimary(const RunningApplication& app, std::string selection);
    std::optional<std::string> terminalSelection(const RunningApplication& app);
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
    bool isTerminal(const RunningApplication& app, AccessibleElement* element);
    void log(const std::string& line);

    Platform platform_;
};

} // namespace scribeon
