#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace scribeon::server {

// At most `size` connections, opened when first needed and handed out one
// caller at a time; a caller waits while all are out.
template <typename Connection> class ConnectionPool {
public:
    using Open = std::function<std::unique_ptr<Connection>()>;

    class Lease {
    public:
        Lease(ConnectionPool& pool, std::unique_ptr<Connection> connection)
            : pool_(&pool), connection_(std::move(connection)) {}
        ~Lease() {
            if (connection_)
                pool_->giveBack(std::move(connection_));
        }
        Lease(Lease&& other) noexcept = default;
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Lease& operator=(Lease&&) = delete;
        Connection& operator*() { return *connection_; }
        Connection* operator->() { return connection_.get(); }
        // A connection left in an unknown state is closed, not reused.
        void discard() {
            connection_.reset();
            pool_->forgetOne();
        }

    private:
        ConnectionPool* pool_;
        std::unique_ptr<Connection> connection_;
    };

    ConnectionPool(std::size_t size, Open open)
        : size_(size == 0 ? 1 : size), open_(std::move(open)) {}

    Lease borrow() {
        std::unique_lock lock(mutex_);
        available_.wait(lock, [this] { return !idle_.empty() || opened_ < size_; });
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(connection));
        }
        ++opened_;
        lock.unlock();
        try {
            return Lease(*this, open_());
        } catch (...) {
            forgetOne();
            throw;
        }
    }

    // Closes the connections no caller holds; those out are kept.
    void discardIdle() {
        std::lock_guard lock(mutex_);
        opened_ -= idle_.size();
        idle_.clear();
        available_.notify_all();
    }

private:
    void giveBack(std::unique_ptr<Connection> connection) {
        std::lock_guard lock(mutex_);
        idle_.push_back(std::move(connection));
        available_.notify_one();
    }
    void forgetOne() {
        std::lock_guard lock(mutex_);
        --opened_;
        available_.notify_one();
    }

    std::size_t size_;
    Open open_;
    std::mutex mutex_;
    std::condition_variable available_;
    std::vector<std::unique_ptr<Connection>> idle_;
    std::size_t opened_ = 0;
};

} // namespace scribeon::server
