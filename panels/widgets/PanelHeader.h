#pragma once

#include <QString>

#include <functional>

class QBoxLayout;
class QLabel;
class QWidget;

namespace scribeon {

// How every floating panel is framed: a header row (title in medium weight,
// an optional caption under it, the close button) over a divider.
namespace PanelHeader {
// Appends the header row and its divider to `column`; the caption's label,
// if there is one, for a panel whose caption tells a changing state.
QLabel* add(QBoxLayout* column, const QString& title, const QString& caption,
            std::function<void()> onClose);
QWidget* divider();
// Small secondary text, as under the title.
QLabel* caption(const QString& text);
} // namespace PanelHeader

} // namespace scribeon
