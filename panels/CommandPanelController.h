#pragma once

#include "panels/CommandChooser.h"
#include "panels/PanelPresenter.h"
#include "platform/Workspace.h"

#include <memory>

namespace scribeon {

// Opens, drives and closes the command chooser. Every callback it hands out
// holds it weakly.
class CommandPanelController : public CommandChooser,
                               public std::enable_shared_from_this<CommandPanelController> {
public:
    static std::shared_ptr<CommandPanelController> create(PanelPresenter& presenter,
                                                          Workspace& workspace,
                                                          CommandService& service,
                                                          MainQueue& queue);

    void show(std::string text, std::optional<RunningApplication> source,
              std::function<void(std::shared_ptr<ResultRun>)> onResult) override;
    std::optional<RunningApplication> sourceApp() const override { return sourceApp_; }
    void close(bool reactivate);

    bool isOpen() const { return panel_ != nullptr; }
    std::shared_ptr<CommandPanelViewModel> viewModel() const { return viewModel_; }

private:
    CommandPanelController(PanelPresenter& presenter, Workspace& workspace, CommandService& service,
                           MainQueue& queue);

    PanelPresenter& presenter_;
    Workspace& workspace_;
    CommandService& service_;
    MainQueue& queue_;
    std::unique_ptr<OpenPanel> panel_;
    std::shared_ptr<CommandPanelViewModel> viewModel_;
    std::optional<RunningApplication> sourceApp_;
};

} // namespace scribeon
