#pragma once

#include "accessibility/TextReplacement.h"
#include "panels/PanelPresenter.h"
#include "panels/ResultPresenter.h"
#include "platform/Clipboard.h"
#include "platform/DiagnosticLog.h"
#include "platform/MainQueue.h"
#include "platform/Preferences.h"
#include "platform/Workspace.h"

#include <memory>

namespace scribeon {

// The result panel with Copy and Replace, and the hint shown after either.
// While the run writes, Escape and Stop stop it; closing the panel stops it
// too. Every callback it hands out holds it weakly.
class ResultPanelController : public ResultPresenter,
                              public std::enable_shared_from_this<ResultPanelController> {
public:
    static constexpr const char* hideCopyHintKey = "hideCopyHint";
    static constexpr const char* hideReplaceHintKey = "hideReplaceHint";
    static constexpr Milliseconds replaceDelay{300};
    static constexpr Milliseconds hintLifetime{5000};

    struct Collaborators {
        PanelPresenter& presenter;
        Workspace& workspace;
        Clipboard& clipboard;
        TextReplacement& replacement;
        Preferences& preferences;
        MainQueue& queue;
        DiagnosticLog& log;
    };

    static std::shared_ptr<ResultPanelController> create(Collaborators collaborators);

    void show(std::shared_ptr<ResultRun> run, std::optional<RunningApplication> sourceApp,
              std::optional<std::string> message) override;
    void close(bool reactivate);

    bool isOpen() const { return panel_ != nullptr; }
    bool isHintShown() const { return hintPanel_ != nullptr; }

private:
    explicit ResultPanelController(Collaborators collaborators);
    void copy();
    void replace();
    void replaceInSourceApp(const std::string& text);
    void showCopyHintIfNeeded();
    void showReplaceHintIfNeeded(bool force);
    void showHint(HintKind kind, const char* key);
    void dismissHintPanel();

    Collaborators c_;
    std::unique_ptr<OpenPanel> panel_;
    std::unique_ptr<OpenPanel> hintPanel_;
    Cancel hintDismissWork_;
    std::optional<RunningApplication> sourceApp_;
    std::shared_ptr<ResultRun> run_;
};

} // namespace scribeon
