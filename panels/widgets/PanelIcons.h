#pragma once

#include <QIcon>
#include <QStyle>

class QLabel;

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
QIcon stop();
// The icon as a picture of `size` pixels square.
QLabel* label(const QIcon& icon, int size);
} // namespace PanelIcons

} // namespace scribeon
