#pragma once

#include <QPointer>
#include <QPropertyAnimation>
#include <QString>
#include <QWidget>

class QLabel;
class QGraphicsOpacityEffect;

namespace scribeon {

// A passing warning at the bottom centre of its parent: slides up and fades
// in, and goes the same way. A click on it asks for it to go.
class ErrorToastView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int animationMs = 250;
    static constexpr int bottomMargin = 12;
    static constexpr int maximumWidth = 460;

    explicit ErrorToastView(QWidget* parent);

    // Empty hides it.
    void setMessage(const QString& message);
    QString message() const { return message_; }
    // The visible text: the message in at most two lines.
    QString shownText() const;
    // Where it rests inside a parent of that size.
    QPoint restingPosition() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void animate(bool entering);

    QString message_;
    QLabel* text_;
    QGraphicsOpacityEffect* opacity_;
    QPropertyAnimation slide_;
    QPropertyAnimation fade_;
};

// `text` broken into at most `lines` lines of `width` pixels, the last one
// elided when it does not fit.
QString elidedLines(const QString& text, const QFont& font, int width, int lines);

} // namespace scribeon
