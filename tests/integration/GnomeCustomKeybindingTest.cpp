// GNOME's custom shortcut through the real GSettings, kept in a key file of
// the test's own HOME (GSETTINGS_BACKEND=keyfile).
#include "platform/wayland/GnomeCustomKeybinding.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace scribeon {
namespace {

constexpr const char* listKey = "custom-keybindings";
const std::string theirs =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

std::vector<std::string> listed() {
    std::unique_ptr<GSettings, Unref> list(g_settings_new(GnomeCustomKeybinding::listSchema));
    std::vector<std::string> paths;
    gchar** values = g_settings_get_strv(list.get(), listKey);
    for (gchar** value = values; *value; ++value)
        paths.emplace_back(*value);
    g_strfreev(values);
    return paths;
}

void setListed(const std::vector<std::string>& paths) {
    std::unique_ptr<GSettings, Unref> list(g_settings_new(GnomeCustomKeybinding::listSchema));
    std::vector<const gchar*> values;
    for (const std::string& path : paths)
        values.push_back(path.c_str());
    values.push_back(nullptr);
    g_settings_set_strv(list.get(), listKey, values.data());
    g_settings_sync();
}

std::string entryValue(const char* key) {
    std::unique_ptr<GSettings, Unref> entry(g_settings_new_with_path(
        GnomeCustomKeybinding::entrySchema, GnomeCustomKeybinding::entryPath));
    gchar* value = g_settings_get_string(entry.get(), key);
    std::string text = value;
    g_free(value);
    return text;
}

TEST(GnomeCustomKeybindingTest, InstallsOnceKeepsTheUsersOwnAndRemovesOnlyOurs) {
    GnomeCustomKeybinding keybinding;
    ASSERT_TRUE(keybinding.isAvailable());
    setListed({theirs});
    EXPECT_FALSE(keybinding.isInstalled());

    ASSERT_TRUE(keybinding.install({"Scribeon", "scribeon --trigger", "<Super><Shift>i"}));
    ASSERT_TRUE(keybinding.install({"Scribeon", "scribeon --trigger", "<Super>k"}));
    EXPECT_EQ(listed(), (std::vector<std::string>{theirs, GnomeCustomKeybinding::entryPath}));
    EXPECT_EQ(entryValue("command"), "scribeon --trigger");
    EXPECT_EQ(entryValue("binding"), "<Super>k");
    EXPECT_TRUE(keybinding.isInstalled());

    ASSERT_TRUE(keybinding.remove());
    EXPECT_EQ(listed(), std::vector<std::string>{theirs});
    EXPECT_EQ(entryValue("binding"), "");
    EXPECT_FALSE(keybinding.isInstalled());
    EXPECT_TRUE(keybinding.remove()); // nothing of ours left: still fine
}

// Run with no GNOME schemas on the search path: GSettings would abort the
// process on the unknown schema, so the binding must say unavailable first.
TEST(GnomeCustomKeybindingWithoutSchemasTest, IsUnavailableAndWritesNothing) {
    GnomeCustomKeybinding keybinding;
    EXPECT_FALSE(keybinding.isAvailable());
    EXPECT_FALSE(keybinding.isInstalled());
    EXPECT_FALSE(keybinding.install({"Scribeon", "scribeon --trigger", "<Super>i"}));
    EXPECT_FALSE(keybinding.remove());
}

} // namespace
} // namespace scribeon
