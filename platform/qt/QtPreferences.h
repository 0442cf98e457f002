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

    std::optional<std::string> data(const std::string& key) override;
    std::optional<std::vector<std::string>> textList(const std::string& key) override;
    std::optional<std::map<std::string, std::string>> textMap(const std::string& key) override;
    std::optional<std::int64_t> integer(const std::string& key) override;
    std::optional<bool> boolean(const std::string& key) override;

    bool setData(const std::string& key, const std::string& bytes) override;
    bool setTextList(const std::string& key, const std::vector<std::string>& value) override;
    bool setTextMap(const std::string& key,
                    const std::map<std::string, std::string>& value) override;
    bool setInteger(const std::string& key, std::int64_t value) override;
    bool setBoolean(const std::string& key, bool value) override;
    bool remove(const std::string& key) override;

private:
    std::optional<QString> text(const std::string& key);
    bool write(const std::string& key, const QVariant& value);
    void setAsideUnreadableFile();

    std::unique_ptr<QSettings> settings_;
};

} // namespace scribeon
