#pragma once

#include <QIcon>
#include <QString>

namespace scribeon {

inline constexpr int menuBarIconSize = 18;

// The tray icon: the bundled "MenuBarIcon" drawn at 18 x 18 logical pixels,
// or a themed chat icon when the resource is missing.
QIcon menuBarIcon(const QString& resourcePath = QStringLiteral(":/MenuBarIcon.png"));

// The application's own icon, for its windows: the desktop theme's
// "app.scribeon.Scribeon" when installed, else the bundled picture.
QIcon applicationIcon();

} // namespace scribeon
