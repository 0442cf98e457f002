#pragma once

#include "panels/PanelPresenter.h"

#include <QObject>
#include <QPointer>

namespace scribeon {

class CommandPanelView;
class FloatingPanel;

// Builds the Qt panels; each handle closes its panel when dropped. The
// chooser's window is made once, while the program idles, and shown again
// for every chooser: the shortcut then only binds it and maps it. A chooser
// asked for while that one is still on screen gets a window of its own.
class QtPanelPresenter : public PanelPresenter {
public:
    QtPanelPresenter();
    ~QtPanelPresenter() override;
    QtPanelPresenter(const QtPanelPresenter&) = delete;
    QtPanelPresenter& operator=(const QtPanelPresenter&) = delete;

    std::unique_ptr<OpenPanel> showCommandPanel(std::shared_ptr<CommandPanelViewModel> model,
                                                CommandPanelActions actions) override;
    std::unique_ptr<OpenPanel> showResultPanel(ResultPanelContent content,
                                               ResultPanelActions actions) override;
    std::unique_ptr<OpenPanel> showHint(HintKind kind, HintActions actions) override;

    // The reusable chooser window, built now if it is not yet.
    FloatingPanel* preparedCommandPanel();

private:
    QObject idle_; // the preparation's timer dies with the presenter
    QPointer<FloatingPanel> chooser_;
    QPointer<CommandPanelView> chooserView_;
    bool chooserInUse_ = false;
};

} // namespace scribeon
