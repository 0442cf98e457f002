#pragma once

#include "platform/Preferences.h"

#include <QSettings>

#include <memory>

namespace scribeon {

// The preferences as an INI file (by default $XDG_CONFIG_HOME/Scribeon/
// Scribeon.conf). Lists and maps are written as JSON text so that a value
// keeps its kind in a file a user may edit; data is QSettings' @ByteArray.
// Every write is synced and reports whether it reached the file. A file that
// cannot be parsed is kept aside as Scribeon.conf.unreadable.
class QtPreferences : public Preferences {
public:
    QtPreferences();
    explicit QtPreferences(const QString& iniPath);

    std::optional<std::string> data(const std::string& name) override;
    std::optional<std::vector<std::string>> textList(const std::string& name) override;
    std::optional<std::map<std::string, std::string>> textMap(const std::string& name) override;
    std::optional<std::int64_t> integer(const std::string& name) override;
    std::optional<bool> boolean(const std::string& name) override;

    bool setData(const std::string& name, const std::string& bytes) override;
    bool setTextList(const std::string& name, const std::vector<std::string>& value) override;
    bool setTextMap(const std::string& name,
                    const std::map<std::string, std::string>& value) override;
    bool setInteger(const std::string& name, std::int64_t value) override;
    bool setBoolean(const std::string& name, bool value) override;
    bool remove(const std::string& name) override;

private:
    std::optional<QString> text(const std::string& name);
    bool write(const std::string& name, const QVariant& value);
    void setAsideUnreadableFile();

    std::unique_ptr<QSettings> settings_;
};

} // namespace scribeon
