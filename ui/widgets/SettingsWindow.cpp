#include "ui/widgets/SettingsWindow.h"

#include "ui/widgets/MenuBarIcon.h"
#include "ui/widgets/WindowPlacement.h"

namespace scribeon {

SettingsWindow::~SettingsWindow() {
    delete window_.data();
}

void SettingsWindow::show() {
    if (window_)
        window_->broughtForward();
    else
        window_ = create();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

SettingsView* SettingsWindow::create() {
    auto* view = new SettingsView(collaborators_);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    view->setWindowTitle(QStringLiteral("Scribeon \u2014 Settings"));
    view->setWindowIcon(applicationIcon());
    view->setMinimumSize(minimumWidth, minimumHeight);
    view->resize(contentWidth, contentHeight);
    centreOnPrimaryScreen(*view);
    return view;
}

} // namespace scribeon
