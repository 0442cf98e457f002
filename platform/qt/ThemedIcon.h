#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QStyle>

namespace scribeon {

// The desktop theme's icon of that freedesktop name, or the style's own
// picture when the theme has none.
QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback);

// The same icon as a picture `side` pixels wide, for a label. Some themes
// keep a full-colour icon only at 512 px (Adwaita's keyboard), and Qt holds
// the decoded image, a megabyte, for as long as the program runs; such an
// icon is shown in its symbolic form instead, drawn in `ink` as GTK draws
// symbolic icons in the text's colour.
QPixmap themedPixmap(const char* name, QStyle::StandardPixmap fallback, int side,
                     const QColor& ink);

} // namespace scribeon
