#pragma once

#include <QEvent>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

namespace scribeon {

// Installed on the application, notes the first paint that `counts`
// accepts: the moment a user sees what is measured.
class FirstPaint : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    explicit FirstPaint(std::function<bool(QObject*)> counts) : counts_(std::move(counts)) {}
    std::optional<Clock::time_point> at;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (!at && event->type() == QEvent::Paint && counts_(object))
            at = Clock::now();
        return false;
    }

private:
    std::function<bool(QObject*)> counts_;
};

} // namespace scribeon
