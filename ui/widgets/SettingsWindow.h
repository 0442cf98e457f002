#pragma once

#include "ui/SettingsPresenter.h"
#include "ui/widgets/SettingsView.h"

#include <QPointer>

namespace scribeon {

// The settings window. A repeated show brings the same window forward;
// closing it forgets it, so the next show builds a new one with fresh
// state that loads the commands again and opens on General.
class SettingsWindow final : public SettingsPresenter {
public:
    static constexpr int contentWidth = 800;
    static constexpr int contentHeight = 500;
    static constexpr int minimumWidth = 600;
    static constexpr int minimumHeight = 400;

    explicit SettingsWindow(SettingsCollaborators collaborators)
        : collaborators_(std::move(collaborators)) {}
    ~SettingsWindow() override;

    void show() override;
    SettingsView* window() const { return window_; }

private:
    SettingsView* create();

    SettingsCollaborators collaborators_;
    QPointer<SettingsView> window_;
};

} // namespace scribeon
