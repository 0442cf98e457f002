#pragma once

#include "panels/PanelPresenter.h"

namespace scribeon {

// Builds the Qt panels; each handle closes its panel when dropped.
class QtPanelPresenter : public PanelPresenter {
public:
    QtPanelPresenter();
    std::unique_ptr<OpenPanel> showCommandPanel(std::shared_ptr<CommandPanelViewModel> model,
                                                CommandPanelActions actions) override;
    std::unique_ptr<OpenPanel> showResultPanel(ResultPanelContent content,
                                               ResultPanelActions actions) override;
    std::unique_ptr<OpenPanel> showHint(HintKind kind, HintActions actions) override;
};

} // namespace scribeon
