#pragma once

#include <QTimer>
#include <QWidget>

class QPainter;

namespace scribeon {

// A small spinning arc, for work whose length nobody knows. Turns only while
// shown.
class BusySpinner final : public QWidget {
    Q_OBJECT
public:
    static constexpr int frameIntervalMs = 80;
    static constexpr int frames = 12;

    explicit BusySpinner(int diameter = 16, QWidget* parent = nullptr);

    // One frame of the arc in `area`, for painters that draw it themselves.
    static void paintFrame(QPainter& painter, const QRectF& area, int frame, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int frame_ = 0;
};

} // namespace scribeon
