#pragma once

#include "platform/Notifier.h"

class QSystemTrayIcon;

namespace scribeon {

// Notifications through the desktop's notification service
// (org.freedesktop.Notifications); where none runs, the tray icon's balloon.
class DesktopNotifier final : public Notifier {
public:
    explicit DesktopNotifier(QSystemTrayIcon& trayIcon) : trayIcon_(trayIcon) {}
    void notify(const std::string& title, const std::string& message,
                std::optional<std::chrono::milliseconds> shownFor) override;

private:
    QSystemTrayIcon& trayIcon_;
};

} // namespace scribeon
