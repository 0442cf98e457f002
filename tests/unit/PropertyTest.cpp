#include "base/Property.h"

#include <gtest/gtest.h>

#include <vector>

namespace scribeon {
namespace {

// Writes of an equal value stay silent; the view models' tests fail without
// that. A property that always notifies does so for an equal value too.
TEST(PropertyTest, AnAlwaysPropertyNotifiesAnEqualValue) {
    Property<int, Notify::Always> always{7};
    int notifications = 0;
    auto watch = always.observe([&](int) { ++notifications; });
    always.set(7);
    EXPECT_EQ(notifications, 1);
}

TEST(PropertyTest, SubscriptionEndsObservationWhenDestroyedOrMoved) {
    Property<int> value;
    int first = 0, second = 0;
    Subscription kept;
    {
        auto a = value.observe([&](int) { ++first; });
        kept = value.observe([&](int) { ++second; });
        value.set(1);
    }
    value.set(2);
    kept.reset();
    value.set(3);
    EXPECT_EQ(std::pair(first, second), std::pair(1, 2));
    // An observer that unsubscribes a later one during the notification stops it.
    auto stopper = value.observe([&](int) { kept.reset(); });
    kept = value.observe([&](int) { ++second; });
    value.set(4);
    EXPECT_EQ(second, 2);
}

TEST(PropertyTest, EveryObserverSeesTheValueOfItsWriteWhenAnEarlierOneWritesBack) {
    // The scene resets a request pulse from inside its notification.
    Property<bool> pulse{false};
    std::vector<bool> later;
    auto reset = pulse.observe([&](bool requested) {
        if (requested)
            pulse.set(false);
    });
    auto watcher = pulse.observe([&](bool requested) { later.push_back(requested); });
    pulse.set(true);
    EXPECT_FALSE(pulse.get());
    EXPECT_EQ(later, (std::vector<bool>{false, true}));
}

} // namespace
} // namespace scribeon
