#pragma once

#include <QIcon>
#include <QString>

namespace scribeon {

inline constexpr int menuBarIconSize = 18;

// The tray icon: the bundled "MenuBarIcon" drawn at 18 x 18 logical pixels,
// or a themed chat icon when the resource is missing.
QIcon menuBarIcon(const QString& resourcePath = QStringLiteral(":/MenuBarIcon.png"));

} // namespace scribeon
