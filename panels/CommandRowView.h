#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QLabel;

namespace scribeon {

// One command in the chooser: emoji, name and, when selected, a chevron,
// on the accent colour when selected or under the pointer.
class CommandRowView : public QWidget {
    Q_OBJECT
public:
    CommandRowView(const std::string& emoji, const std::string& name, bool isSelected);
    std::function<void()> onClicked;
    bool isHighlighted() const { return isSelected_ || isHovered_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void restyle();

    bool isSelected_;
    bool isHovered_ = false;
    QLabel* name_;
};

} // namespace scribeon
