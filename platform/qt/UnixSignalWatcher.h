#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <initializer_list>
#include <memory>

namespace scribeon {

// Turns SIGTERM / SIGINT into a call on the main thread. `catchSignals` is
// called first thing in main so that a signal that arrives before the event
// loop runs is still delivered once the watcher exists.
class UnixSignalWatcher : public QObject {
public:
    static void catchSignals(std::initializer_list<int> numbers);

    explicit UnixSignalWatcher(std::function<void(int)> onSignal);

private:
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace scribeon
