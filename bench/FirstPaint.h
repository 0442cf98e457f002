#pragma once

#include <QEvent>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

namespace scribeon {

// Installed on the application, notes the first paint that `counts`
// accepts: the moment a user sees what is measured. Given another event
// type (exposeEvent: the window manager has mapped a window), the first
// such event instead.
class FirstPaint : public QObject {
public:
    using Clock = std::chrono::steady_clock;
    // Named here, before a benchmark includes Xlib, which defines Expose.
    static constexpr QEvent::Type exposeEvent = QEvent::Expose;

    explicit FirstPaint(std::function<bool(QObject*)> counts, QEvent::Type type = QEvent::Paint)
        : counts_(std::move(counts)), type_(type) {}
    std::optional<Clock::time_point> at;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!at && event->type() == type_ && counts_(object))
            at = Clock::now();
        return false;
    }

private:
    std::function<bool(QObject*)> counts_;
    QEvent::Type type_;
};

} // namespace scribeon
