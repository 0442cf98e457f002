#include "platform/wayland/GnomeCustomKeybinding.h"

#include <gio/gio.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace scribeon {

namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, ObjectUnref>;

bool hasSchema(const char* id, std::initializer_list<const char*> keys) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (!schema)
        return false;
    bool complete = true;
    for (const char* key : keys)
        complete = complete && g_settings_schema_has_key(schema, key);
    g_settings_schema_unref(schema);
    return complete;
}

Settings listSettings() {
    return Settings(g_settings_new(GnomeCustomKeybinding::listSchema));
}

Settings entrySettings() {
    return Settings(g_settings_new_with_path(GnomeCustomKeybinding::entrySchema,
                                             GnomeCustomKeybinding::entryPath));
}

std::vector<std::string> listedPaths(GSettings* list) {
    std::vector<std::string> paths;
    gchar** values = g_settings_get_strv(list, "custom-keybindings");
    for (gchar** value = values; value && *value; ++value)
        paths.emplace_back(*value);
    g_strfreev(values);
    return paths;
}

bool writeList(GSettings* list, const std::vector<std::string>& paths) {
    std::vector<const gchar*> values;
    values.reserve(paths.size() + 1);
    for (const std::string& path : paths)
        values.push_back(path.c_str());
    values.push_back(nullptr);
    return g_settings_set_strv(list, "custom-keybindings", values.data());
}

bool isOurs(const std::string& path) {
    return path == GnomeCustomKeybinding::entryPath;
}

} // namespace

GnomeCustomKeybinding::GnomeCustomKeybinding()
    : available_(hasSchema(listSchema, {"custom-keybindings"}) &&
                 hasSchema(entrySchema, {"name", "command", "binding"})) {}

bool GnomeCustomKeybinding::isInstalled() const {
    if (!available_)
        return false;
    const Settings list = listSettings();
    const std::vector<std::string> paths = listedPaths(list.get());
    return std::any_of(paths.begin(), paths.end(), isOurs);
}

bool GnomeCustomKeybinding::install(const CustomKeybinding& binding) {
    if (!available_)
        return false;
    const Settings entry = entrySettings();
    // The entry before the list: GNOME never sees a listed path without keys.
    bool written = g_settings_set_string(entry.get(), "name", binding.name.c_str()) &&
                   g_settings_set_string(entry.get(), "command", binding.command.c_str()) &&
                   g_settings_set_string(entry.get(), "binding", binding.binding.c_str());
    const Settings list = listSettings();
    std::vector<std::string> paths = listedPaths(list.get());
    if (written && std::none_of(paths.begin(), paths.end(), isOurs)) {
        paths.emplace_back(entryPath);
        written = writeList(list.get(), paths);
    }
    g_settings_sync();
    return written && isInstalled();
}

bool GnomeCustomKeybinding::remove() {
    if (!available_)
        return false;
    const Settings list = listSettings();
    std::vector<std::string> paths = listedPaths(list.get());
    const auto ours = std::remove_if(paths.begin(), paths.end(), isOurs);
    bool written = true;
    if (ours != paths.end()) {
        paths.erase(ours, paths.end());
        written = writeList(list.get(), paths);
    }
    const Settings entry = entrySettings();
    for (const char* key : {"name", "command", "binding"})
        g_settings_reset(entry.get(), key);
    g_settings_sync();
    return written && !isInstalled();
}

} // namespace scribeon
