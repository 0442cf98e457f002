#include "platform/wayland/GnomeCustomKeybinding.h"

#include <gio/gio.h>

#include <dlfcn.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace scribeon {

namespace {

// GSettings, opened at run time: only a GNOME session on Wayland uses it,
// and linking GIO would load it (with libmount, libblkid and libselinux)
// into every run.
struct Gio {
    decltype(&g_settings_schema_source_get_default) schemaSourceGetDefault = nullptr;
    decltype(&g_settings_schema_source_lookup) schemaSourceLookup = nullptr;
    decltype(&g_settings_schema_has_key) schemaHasKey = nullptr;
    decltype(&g_settings_schema_unref) schemaUnref = nullptr;
    decltype(&g_settings_new) settingsNew = nullptr;
    decltype(&g_settings_new_with_path) settingsNewWithPath = nullptr;
    decltype(&g_settings_get_strv) getStrv = nullptr;
    decltype(&g_settings_set_strv) setStrv = nullptr;
    decltype(&g_settings_set_string) setString = nullptr;
    decltype(&g_settings_reset) reset = nullptr;
    decltype(&g_settings_sync) sync = nullptr;

    // Null when the library or one of its functions is missing.
    static const Gio* get() {
        static const Gio* const loaded = load();
        return loaded;
    }

private:
    template <typename Function> static bool resolve(void* library, const char* name, Function& f) {
        f = reinterpret_cast<Function>(dlsym(library, name));
        return f != nullptr;
    }

    static const Gio* load() {
        // Kept open for the life of the process: GLib's types cannot be unloaded.
        void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static Gio gio;
        const bool complete =
            resolve(library, "g_settings_schema_source_get_default", gio.schemaSourceGetDefault) &&
            resolve(library, "g_settings_schema_source_lookup", gio.schemaSourceLookup) &&
            resolve(library, "g_settings_schema_has_key", gio.schemaHasKey) &&
            resolve(library, "g_settings_schema_unref", gio.schemaUnref) &&
            resolve(library, "g_settings_new", gio.settingsNew) &&
            resolve(library, "g_settings_new_with_path", gio.settingsNewWithPath) &&
            resolve(library, "g_settings_get_strv", gio.getStrv) &&
            resolve(library, "g_settings_set_strv", gio.setStrv) &&
            resolve(library, "g_settings_set_string", gio.setString) &&
            resolve(library, "g_settings_reset", gio.reset) &&
            resolve(library, "g_settings_sync", gio.sync);
        return complete ? &gio : nullptr;
    }
};

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, ObjectUnref>;

const Gio& gio() {
    return *Gio::get(); // only called once the constructor found it
}

bool hasSchema(const char* id, std::initializer_list<const char*> keys) {
    GSettingsSchemaSource* source = gio().schemaSourceGetDefault();
    if (!source)
        return false;
    GSettingsSchema* schema = gio().schemaSourceLookup(source, id, TRUE);
    if (!schema)
        return false;
    bool complete = true;
    for (const char* key : keys)
        complete = complete && gio().schemaHasKey(schema, key);
    gio().schemaUnref(schema);
    return complete;
}

Settings listSettings() {
    return Settings(gio().settingsNew(GnomeCustomKeybinding::listSchema));
}

Settings entrySettings() {
    return Settings(gio().settingsNewWithPath(GnomeCustomKeybinding::entrySchema,
                                              GnomeCustomKeybinding::entryPath));
}

std::vector<std::string> listedPaths(GSettings* list) {
    std::vector<std::string> paths;
    gchar** values = gio().getStrv(list, "custom-keybindings");
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
    return gio().setStrv(list, "custom-keybindings", values.data());
}

bool isOurs(const std::string& path) {
    return path == GnomeCustomKeybinding::entryPath;
}

} // namespace

GnomeCustomKeybinding::GnomeCustomKeybinding()
    : available_(Gio::get() && hasSchema(listSchema, {"custom-keybindings"}) &&
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
    bool written = gio().setString(entry.get(), "name", binding.name.c_str()) &&
                   gio().setString(entry.get(), "command", binding.command.c_str()) &&
                   gio().setString(entry.get(), "binding", binding.binding.c_str());
    const Settings list = listSettings();
    std::vector<std::string> paths = listedPaths(list.get());
    if (written && std::none_of(paths.begin(), paths.end(), isOurs)) {
        paths.emplace_back(entryPath);
        written = writeList(list.get(), paths);
    }
    gio().sync();
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
        gio().reset(entry.get(), key);
    gio().sync();
    return written && !isInstalled();
}

} // namespace scribeon
