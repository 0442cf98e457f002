#pragma once

#include "server/storage/SqliteConnection.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace scribeon::server {

// Copies the write-ahead log back into the database on a thread of its own.
// Left to SQLite, the checkpoint runs inside whichever commit crosses the
// threshold, and its fsync (tens to hundreds of milliseconds on a busy disk)
// holds up that commit and every request queued behind it. A passive
// checkpoint here takes no writer's lock, so commits go on meanwhile. Under
// steady writes it never catches the last frames, though, and the log only
// starts over once all of them are back: so the few left are copied with
// the writers held, which is short because the bulk is done.
class SqliteCheckpointer {
public:
    static constexpr int framesBeforeCheckpoint = 1000; // SQLite's own default
    // A thread that cannot keep up (a starved core, a slow disk) would let the
    // log grow without end; past this the commit that crosses it copies the
    // log back itself, as SQLite would have every time.
    static constexpr int framesBeforeWriterCheckpoints = 4 * framesBeforeCheckpoint;

    // writers is held by whoever writes through the watched connections.
    SqliteCheckpointer(const std::string& path, std::mutex& writers);
    ~SqliteCheckpointer();
    SqliteCheckpointer(const SqliteCheckpointer&) = delete;
    SqliteCheckpointer& operator=(const SqliteCheckpointer&) = delete;

    // Makes the connection's commits report here instead of checkpointing.
    void watch(SqliteConnection& connection);
    int checkpointsDone() const;

private:
    void walGrew(sqlite3* writer, int frames);
    void run(const std::stop_token& stop);

    void checkpoint();

    SqliteConnection connection_;
    std::mutex& writers_;
    mutable std::mutex mutex_;
    std::condition_variable_any wanted_;
    bool due_ = false;
    bool committed_ = false; // since the last checkpoint
    int done_ = 0;
    std::jthread thread_; // last: stopped and joined before the rest goes
};

} // namespace scribeon::server
