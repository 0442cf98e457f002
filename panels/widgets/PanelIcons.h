#pragma once

#include <QIcon>
#include <QStyle>

namespace scribeon {

// The desktop's themed icon for each symbol the panels show, with the
// style's own icon where the theme has none.
namespace PanelIcons {
QIcon close();
QIcon warning();
QIcon empty();
QIcon next();
QIcon information();
QIcon done();
QIcon document();
QIcon copy();
QIcon replace();
} // namespace PanelIcons

} // namespace scribeon
