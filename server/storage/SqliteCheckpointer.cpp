#include "server/storage/SqliteCheckpointer.h"

#include <chrono>

namespace scribeon::server {

namespace {

// Also a floor for an idle server: what the last commits left is written back
// within this time even if no further commit arrives to ask for it.
constexpr auto idleCheckpoint = std::chrono::seconds(5);

} // namespace

SqliteCheckpointer::SqliteCheckpointer(const std::string& path, std::mutex& writers)
    : connection_(path), writers_(writers),
      thread_([this](const std::stop_token& stop) { run(stop); }) {}

SqliteCheckpointer::~SqliteCheckpointer() {
    thread_.request_stop();
    if (thread_.joinable())
        thread_.join();
}

void SqliteCheckpointer::watch(SqliteConnection& connection) {
    // A hook of our own replaces the automatic checkpoint.
    sqlite3_wal_hook(
        connection.handle(),
        [](void* self, sqlite3* writer, const char*, int frames) {
            static_cast<SqliteCheckpointer*>(self)->walGrew(writer, frames);
            return SQLITE_OK;
        },
        this);
}

int SqliteCheckpointer::checkpointsDone() const {
    std::lock_guard lock(mutex_);
    return done_;
}

void SqliteCheckpointer::walGrew(sqlite3* writer, int frames) {
    if (frames >= framesBeforeWriterCheckpoints &&
        sqlite3_wal_checkpoint_v2(writer, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr) ==
            SQLITE_OK) {
        std::lock_guard lock(mutex_);
        ++done_;
    }
    const bool pastThreshold = frames >= framesBeforeCheckpoint;
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        wake = !committed_ || (pastThreshold && !due_);
        committed_ = true;
        due_ = due_ || pastThreshold;
    }
    if (wake)
        wanted_.notify_one();
}

void SqliteCheckpointer::run(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        // With nothing new in the log an idle server sleeps until a commit,
        // rather than waking every few seconds for nothing.
        wanted_.wait(lock, stop, [this] { return committed_; });
        wanted_.wait_for(lock, stop, idleCheckpoint, [this] { return due_; });
        if (stop.stop_requested())
            return;
        due_ = false;
        committed_ = false;
        lock.unlock();
        checkpoint();
        lock.lock();
        ++done_;
    }
}

// Busy or incomplete means a reader still needs old frames; the next commit
// asks again.
void SqliteCheckpointer::checkpoint() {
    int logged = 0;
    int copied = 0;
    const auto passive = [&] {
        return sqlite3_wal_checkpoint_v2(connection_.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE,
                                         &logged, &copied);
    };
    if (passive() != SQLITE_OK || copied >= logged)
        return;
    std::lock_guard quiet(writers_);
    passive();
}

} // namespace scribeon::server
