#pragma once

#include <QListView>
#include <QTimer>

#include <optional>

namespace scribeon {

class CommandSettingsListModel;
class CommandSettingsRowDelegate;

// The Commands page's list. A press on a row's emoji button or switch acts on
// it; a press elsewhere on a row and a drag moves the row, with a line where
// it will land. From the keyboard: Space switches, Return opens the emoji
// picker, Alt+Up and Alt+Down move the current row.
class CommandSettingsListView final : public QListView {
    Q_OBJECT
public:
    explicit CommandSettingsListView(CommandSettingsListModel& model, QWidget* parent = nullptr);

    // The row a drop at `point` (viewport coordinates) lands before; the
    // row count for the end of the list.
    int dropRow(const QPoint& point) const;

signals:
    void emojiButtonPressed(int row, const QRect& globalRect);
    void toggleRequested(int row);
    // Destination as in a list move: an index in the list before the move.
    void moveRequested(int row, int destination);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void requestMove(int row, int destination);
    void animateSpinner();

    CommandSettingsListModel& model_;
    CommandSettingsRowDelegate* delegate_;
    std::optional<int> pressedRow_;
    QPoint pressedAt_;
    std::optional<int> dropRow_;
    QString keepCurrent_;
    QTimer spinner_;
    int spinnerFrame_ = 0;
};

} // namespace scribeon
