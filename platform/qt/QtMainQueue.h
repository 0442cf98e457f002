#pragma once

#include "platform/MainQueue.h"

#include <QObject>

namespace scribeon {

// Runs tasks on the thread that owns this object (the GUI thread).
class QtMainQueue : public MainQueue {
public:
    QtMainQueue();
    void post(std::function<void()> task) override;
    Cancel postAfter(Milliseconds delay, std::function<void()> task) override;

private:
    QObject context_;
};

} // namespace scribeon
