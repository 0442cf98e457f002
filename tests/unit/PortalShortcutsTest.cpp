#include "hotkey/PortalShortcuts.h"
#include "tests/fakes/FakeGlobalShortcutsPortal.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

using State = PortalBinding::State;

PortalShortcut reported(std::string keys) {
    return {PortalShortcuts::shortcutId, PortalShortcuts::shortcutDescription, {}, std::move(keys)};
}

struct PortalShortcutsTest : ::testing::Test {
    FakeGlobalShortcutsPortal portal;
    FakeMainQueue queue;
    RecordingLog log;
    PortalShortcuts shortcuts{portal, queue, log};
    int presses = 0;

    void open(HotkeyPair pair = {}) {
        shortcuts.installPressHandler([this] { ++presses; });
        ASSERT_TRUE(shortcuts.registerHotkey(pair).has_value());
    }
};

TEST_F(PortalShortcutsTest, TheSessionRequestCarriesTheStoredKeys) {
    open({40, CarbonModifier::command | CarbonModifier::option});
    ASSERT_EQ(portal.requests.size(), 1u);
    ASSERT_EQ(portal.requests[0].shortcuts.size(), 1u);
    EXPECT_EQ(portal.requests[0].shortcuts[0].preferredTrigger, "LOGO+ALT+k");
    EXPECT_TRUE(shortcuts.registerHotkey({}).has_value());
    EXPECT_EQ(portal.requests.size(), 1u) << "one session at a time";
}

// The answers that leave no shortcut; Plasma's and newer desktops' orders, a
// refused session, double deliveries and changes run over the bus in the
// portal's own test.
TEST_F(PortalShortcutsTest, AnswersThatLeaveNoShortcut) {
    struct Row {
        const char* what;
        std::vector<std::pair<std::uint32_t, std::vector<PortalShortcut>>> answers;
    };
    const Row rows[] = {
        {"the user declines the desktop's dialog", {{0, {}}, {1, {}}}},
        {"the shortcut is known but the user removed its keys", {{0, {reported("")}}}},
        {"someone else's shortcut only", {{0, {}}, {0, {{"other", "", "", "Ctrl+K"}}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeGlobalShortcutsPortal rowPortal;
        PortalShortcuts rowShortcuts{rowPortal, queue, log};
        rowShortcuts.registerHotkey({});
        for (const auto& [code, reportedShortcuts] : row.answers)
            rowPortal.answer(code, reportedShortcuts);
        EXPECT_EQ(rowShortcuts.binding.get(), (PortalBinding{State::notSet, ""}));
    }
}

TEST_F(PortalShortcutsTest, AnActivationDuringTheTriggerIsDroppedButALaterOneCounts) {
    open();
    portal.answer(0, {reported("Meta+Shift+I")});
    shortcuts.installPressHandler([this] {
        ++presses;
        portal.activate("trigger"); // arrives while the capture runs
    });
    portal.activate("trigger");
    EXPECT_EQ(presses, 1);
    queue.advance(PortalShortcuts::repeatWindow); // a later press is a new one
    portal.activate("trigger");
    EXPECT_EQ(presses, 2);
}

TEST_F(PortalShortcutsTest, OtherShortcutsRemovedKeysAndClosedSessionsTriggerNothing) {
    open();
    portal.answer(0, {reported("Meta+Shift+I")});
    portal.activate("something-else");
    EXPECT_EQ(presses, 0);
    portal.change({reported("")}); // keys removed in the desktop
    EXPECT_EQ(shortcuts.binding.get().state, State::notSet);
    shortcuts.unregisterHotkey(1);
    EXPECT_EQ(portal.closeCount, 1);
    portal.activate("trigger");
    EXPECT_EQ(presses, 0);
}

TEST_F(PortalShortcutsTest, AnAnswerForAClosedSessionIsDropped) {
    open();
    shortcuts.unregisterHotkey(1);
    open();
    portal.answer(0, {reported("Meta+Shift+I")}); // the first session's late answer
    EXPECT_EQ(shortcuts.binding.get().state, State::pending);
    portal.answer(0, {reported("Alt+K")});
    EXPECT_EQ(shortcuts.binding.get(), (PortalBinding{State::bound, "Alt+K"}));
}

TEST_F(PortalShortcutsTest, TheDesktopSettingsAskToBindAndOnlyAChangeReplacesTheKeys) {
    open();
    portal.answer(0, {reported("Meta+Shift+I")});
    for (std::uint32_t code : {1u, 0u}) { // the dialog cancelled; an answer without the list
        SCOPED_TRACE(code);
        shortcuts.openDesktopSettings();
        portal.answer(code, {});
        EXPECT_EQ(shortcuts.binding.get(), (PortalBinding{State::bound, "Meta+Shift+I"}));
    }
    shortcuts.openDesktopSettings();
    portal.answer(0, {reported("Meta+J")});
    EXPECT_EQ(shortcuts.binding.get(), (PortalBinding{State::bound, "Meta+J"}));
}

TEST(PortalShortcutsLifetimeTest, AnswersAndTimersAfterDestructionDoNothing) {
    FakeGlobalShortcutsPortal portal;
    FakeMainQueue queue;
    RecordingLog log;
    auto shortcuts = std::make_unique<PortalShortcuts>(portal, queue, log);
    shortcuts->installPressHandler([] {});
    shortcuts->registerHotkey({});
    portal.requests[0].reply({0, {reported("Meta+Shift+I")}});
    portal.activate("trigger");
    auto lateReply = portal.requests[0].reply;
    shortcuts.reset();
    EXPECT_EQ(portal.closeCount, 1);
    lateReply({0, {}});
    portal.activate("trigger");
    queue.advance(Milliseconds{1000});
}

} // namespace
} // namespace scribeon
