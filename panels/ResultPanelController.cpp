#include "panels/ResultPanelController.h"

#include "base/UnicodeText.h"
#include "base/WeakCallback.h"

namespace scribeon {

std::shared_ptr<ResultPanelController> ResultPanelController::create(Collaborators collaborators) {
    return std::shared_ptr<ResultPanelController>(new ResultPanelController(collaborators));
}

ResultPanelController::ResultPanelController(Collaborators collaborators) : c_(collaborators) {}

void ResultPanelController::show(std::shared_ptr<ResultRun> run,
                                 std::optional<RunningApplication> sourceApp,
                                 std::optional<std::string> message) {
    close(false);
    sourceApp_ = std::move(sourceApp);
    run_ = std::move(run);

    auto self = shared_from_this();
    auto dismissOut = [weak = std::weak_ptr<ResultPanelController>(self)] {
        if (auto strong = weak.lock())
            strong->close(true);
    };
    ResultPanelActions actions;
    actions.close = dismissOut;
    actions.deactivated = dismissOut;
    actions.stop = weakly(self, [](ResultPanelController& me) { me.run_->stop(); });
    actions.key = [dismissOut, stop = actions.stop,
                   run = std::weak_ptr<ResultRun>(run_)](PanelKey key) {
        if (key != PanelKey::escape)
            return false; // Ctrl+C and Ctrl+Return reach the buttons
        if (auto writing = run.lock(); writing && writing->isWriting())
            stop(); // the first Escape stops the run, the next one closes
        else
            dismissOut();
        return true;
    };
    actions.copy = weakly(self, [](ResultPanelController& me) { me.copy(); });
    actions.replace = weakly(self, [](ResultPanelController& me) { me.replace(); });

    const ProcessResult& result = run_->result();
    ResultPanelContent content{result.name, result.originalText, graphemeCount(result.originalText),
                               std::move(message), run_};
    panel_ = c_.presenter.showResultPanel(std::move(content), std::move(actions));
}

void ResultPanelController::close(bool reactivate) {
    if (run_)
        run_->stop(); // nobody would see the rest
    panel_.reset();
    if (reactivate && sourceApp_)
        c_.workspace.activate(sourceApp_->pid);
}

void ResultPanelController::copy() {
    if (!run_ || run_->isWriting())
        return;
    c_.clipboard.setText(run_->result().processedText); // before closing: see replace
    close(true);
    showCopyHintIfNeeded();
}

void ResultPanelController::replace() {
    if (!run_ || run_->isWriting())
        return;
    const std::string text = run_->result().processedText;
    // While the panel still has the keyboard: a Wayland compositor takes a
    // clipboard only from the focused window.
    c_.clipboard.setText(text);
    close(false);
    replaceInSourceApp(text);
}

void ResultPanelController::replaceInSourceApp(const std::string& text) {
    c_.log.write("replaceInSourceApp: sourcePid=" +
                 std::to_string(sourceApp_ ? sourceApp_->pid : 0) + ", app=" +
                 (sourceApp_ && !sourceApp_->name.empty() ? sourceApp_->name : std::string("nil")));
    if (sourceApp_)
        c_.workspace.activate(sourceApp_->pid);
    c_.queue.postAfter(
        replaceDelay, weakly(shared_from_this(), [text](ResultPanelController& self) {
            const auto front = self.c_.workspace.frontmostApplication();
            self.c_.log.write("after 0.3s: frontmost=" +
                              (front && !front->name.empty() ? front->name : std::string("nil")) +
                              " pid=" + std::to_string(front ? front->pid : 0));
            std::optional<std::string> original;
            if (self.run_)
                original = self.run_->result().originalText;
            std::optional<int> sourcePid;
            if (self.sourceApp_)
                sourcePid = self.sourceApp_->pid;
            const ReplaceResult outcome =
                self.c_.replacement.replaceSelectedText(text, original, sourcePid);
            if (outcome == ReplaceResult::clipboardOnly && !self.c_.replacement.canPaste())
                self.showHint(HintKind::pasteByHand, hideReplaceHintKey);
            else
                self.showReplaceHintIfNeeded(outcome == ReplaceResult::clipboardOnly);
        }));
}

void ResultPanelController::showCopyHintIfNeeded() {
    if (c_.preferences.boolean(hideCopyHintKey).value_or(false))
        return;
    showHint(HintKind::copy, hideCopyHintKey);
}

void ResultPanelController::showReplaceHintIfNeeded(bool force) {
    // A replacement that did not happen is told even to a user who hid the hint.
    if (!force && c_.preferences.boolean(hideReplaceHintKey).value_or(false))
        return;
    showHint(HintKind::replace, hideReplaceHintKey);
}

void ResultPanelController::showHint(HintKind kind, const char* key) {
    dismissHintPanel();
    auto self = shared_from_this();
    HintActions actions;
    actions.dismiss = weakly(self, [](ResultPanelController& me) { me.dismissHintPanel(); });
    actions.dontShowAgainChanged = weakly(self, [key](ResultPanelController& me, bool hide) {
        me.c_.preferences.setBoolean(key, hide);
    });
    hintPanel_ = c_.presenter.showHint(kind, std::move(actions));
    hintDismissWork_ = c_.queue.postAfter(
        hintLifetime, weakly(self, [](ResultPanelController& me) { me.dismissHintPanel(); }));
}

void ResultPanelController::dismissHintPanel() {
    hintDismissWork_.cancel();
    hintDismissWork_ = Cancel();
    hintPanel_.reset();
}

} // namespace scribeon
