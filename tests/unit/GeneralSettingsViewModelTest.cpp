#include "ui/GeneralSettingsViewModel.h"

#include "platform/fake/FakeAutostartEntry.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace scribeon {
namespace {

class GeneralSettingsViewModelTest : public testing::Test {
protected:
    GeneralSettingsViewModel model(UpdateManager* updater) {
        return GeneralSettingsViewModel(
            updater, autostart, [this](std::string m) { failures.push_back(std::move(m)); });
    }
    FakeAutostartEntry autostart;
    std::vector<std::string> failures;
};

TEST_F(GeneralSettingsViewModelTest, WithoutAnUpdaterTheSwitchStartsOnAndDoesNothing) {
    auto general = model(nullptr);
    EXPECT_TRUE(general.autoCheckUpdates.get());
    general.setAutoCheckUpdates(false);
    general.checkForUpdatesNow();
    EXPECT_FALSE(general.autoCheckUpdates.get());
}

TEST_F(GeneralSettingsViewModelTest, StartAtLoginWritesTheEntryAndARefusalKeepsTheTruth) {
    auto general = model(nullptr);
    EXPECT_FALSE(general.startsAtLogin.get());
    general.setStartsAtLogin(true);
    EXPECT_TRUE(autostart.installed);
    EXPECT_TRUE(general.startsAtLogin.get());

    autostart.refusal = "~/.config/autostart is read-only";
    general.setStartsAtLogin(false);
    EXPECT_TRUE(general.startsAtLogin.get()) << "still installed, so still on";
    EXPECT_EQ(failures,
              (std::vector<std::string>{
                  "Could not change the start at login: ~/.config/autostart is read-only"}));
}

TEST_F(GeneralSettingsViewModelTest, VersionLineNamesAMissingValueWithAQuestionMark) {
    const struct {
        const char* version;
        const char* build;
        const char* expected;
    } cases[] = {
        {"1.3.0", "42", "1.3.0 (42)"},
        {"1.3.0", "", "1.3.0 (?)"},
        {"", "42", "? (42)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GeneralSettingsViewModel::appVersion(c.version, c.build), c.expected);
}

} // namespace
} // namespace scribeon
