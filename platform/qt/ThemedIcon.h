#pragma once

#include <QIcon>
#include <QStyle>

namespace scribeon {

// The desktop theme's icon of that freedesktop name, or the style's own
// picture when the theme has none.
QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback);

} // namespace scribeon
