#pragma once

#include <QIcon>
#include <QString>

#include <functional>

class QLabel;
class QToolButton;
class QWidget;

namespace scribeon {

// Small pieces the panel views share.
namespace PanelParts {
QWidget* divider();
QLabel* titleLabel(const QString& text); // body size, medium weight
QLabel* captionLabel(const QString& text);
QLabel* iconLabel(const QIcon& icon, int size);
QToolButton* closeButton(std::function<void()> onClose);
} // namespace PanelParts

} // namespace scribeon
