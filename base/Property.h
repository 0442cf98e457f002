#pragma once

#include "base/Subscription.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace scribeon {

enum class Notify { OnChange, Always };

// An observable value. With Notify::OnChange a write of an equal value is
// stored silently; with Notify::Always every write notifies. Observers are
// called synchronously, in subscription order, after the value is stored.
template <typename T, Notify Policy = Notify::OnChange> class Property {
public:
    using Observer = std::function<void(const T&)>;

    Property() : state_(std::make_shared<State>()) {}
    explicit Property(T initial) : state_(std::make_shared<State>()) {
        state_->value = std::move(initial);
    }
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;

    const T& get() const { return state_->value; }

    void set(T value) {
        if constexpr (Policy == Notify::OnChange) {
            if (state_->value == value)
                return;
        }
        state_->value = std::move(value);
        notify();
    }

    [[nodiscard]] Subscription observe(Observer observer) {
        auto entry = std::make_shared<Observer>(std::move(observer));
        state_->observers.push_back(entry);
        std::weak_ptr<State> weakState = state_;
        std::weak_ptr<Observer> weakEntry = entry;
        return Subscription([weakState, weakEntry] {
            auto state = weakState.lock();
            auto entry = weakEntry.lock();
            if (!state || !entry)
                return;
            auto& list = state->observers;
            list.erase(std::remove(list.begin(), list.end(), entry), list.end());
        });
    }

private:
    struct State {
        T value{};
        std::vector<std::shared_ptr<Observer>> observers;
    };

    void notify() {
        // Observers may subscribe or unsubscribe while being notified: walk a
        // snapshot and skip the ones that left meanwhile.
        // Every observer sees the value of this write, even when an earlier
        // observer writes again from inside its notification.
        auto keepAlive = state_;
        const auto snapshot = state_->observers;
        const T value = state_->value;
        for (const auto& observer : snapshot) {
            const auto& live = keepAlive->observers;
            if (std::find(live.begin(), live.end(), observer) != live.end())
                (*observer)(value);
        }
    }

    std::shared_ptr<State> state_;
};

} // namespace scribeon
