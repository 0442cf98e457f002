#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace scribeon {

// Polls, keeping this process's event loop running (focus events, and the
// clipboard that other applications read from us), until the deadline.
template <typename Condition> bool waitUntil(Condition condition, int milliseconds = 15000) {
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (condition())
            return true;
        QThread::msleep(15);
    }
    QCoreApplication::processEvents();
    return condition();
}

} // namespace scribeon
