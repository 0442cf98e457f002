#pragma once

#include "accessibility/ApplicationKeys.h"
#include "platform/AccessibilityBridge.h"
#include "platform/Clipboard.h"
#include "platform/DiagnosticLog.h"
#include "platform/KeySynth.h"
#include "platform/Sleeper.h"
#include "platform/Workspace.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace scribeon {

// What capture and replacement both work on: the focused element of the
// application in front, the keys that application takes, and the ports.
// Every step runs synchronously on the calling (main) thread and writes one
// diagnostic line.
class FocusedText {
public:
    struct Ports {
        Workspace& workspace;
        AccessibilityBridge& bridge;
        KeySynth& keys;
        Clipboard& clipboard;
        Sleeper& sleeper;
        DiagnosticLog& log;
    };

    struct Focus {
        RunningApplication app;
        std::shared_ptr<AccessibleElement> element;
    };

    explicit FocusedText(Ports ports, ApplicationKeys applicationKeys = {});

    Ports& ports() { return ports_; }
    void log(const std::string& line);

    // The focused element of `app`, waited for a moment while its window
    // takes the keyboard back; `prefix` names the step in the log line of a
    // failure, an empty one logs nothing.
    std::optional<Focus> focus(const std::string& prefix, std::optional<RunningApplication> app);
    EditingKeys keysOf(const RunningApplication& app, AccessibleElement* element = nullptr) const;

    // The selection of the application in front read through the
    // accessibility interface. `answered` tells whether the focused element
    // gave its selection at all, even an empty one; `source` the application
    // that was asked.
    std::optional<std::string> readSelection(bool* answered = nullptr,
                                             std::optional<RunningApplication>* source = nullptr);

    // Presses and releases the key, holding it `hold`.
    void post(EditKey key, std::chrono::microseconds hold);

private:
    std::string checkedAgainstPrimary(const RunningApplication& app, std::string selection);

    Ports ports_;
    ApplicationKeys applicationKeys_;
};

// The grapheme clusters of the text, as log lines count them.
std::string countOf(std::string_view text);
std::string nameOf(const std::optional<RunningApplication>& app);

} // namespace scribeon
