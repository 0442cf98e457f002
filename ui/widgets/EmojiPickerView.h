#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QToolButton;
class QScrollArea;

namespace scribeon {

// "Choose Emoji": the fixed emoji table in sections, eight to a row, the
// current one highlighted. A click, Return or Space chooses; the arrow keys
// move; Escape or a click elsewhere closes it. It is a tool window rather
// than a popup so that screen readers find it.
class EmojiPickerView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int pickerWidth = 340;
    static constexpr int maximumScrollHeight = 350;
    static constexpr int cellSize = 36;
    static constexpr int columns = 8;

    EmojiPickerView(const QString& selected, QWidget* parent);

    // Shows it under `anchor` (global coordinates), or above it when the
    // screen has no room below.
    void popUp(const QRect& anchor);
    const std::vector<QToolButton*>& cells() const { return cells_; }

signals:
    void chosen(const QString& emoji);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* sections(const QString& selected);
    void choose(const QString& emoji);
    void moveFocus(int from, int step);

    QScrollArea* scroll_;
    std::vector<QToolButton*> cells_;
    bool wasActive_ = false;
};

} // namespace scribeon
