#include "platform/qt/QtPreferences.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace scribeon {

namespace {

QString key(const std::string& name) {
    return QString::fromStdString(name);
}

std::optional<QJsonDocument> parseJson(const QString& text) {
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

QString compact(const QJsonDocument& document) {
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
}

} // namespace

QtPreferences::QtPreferences()
    : QtPreferences(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/Scribeon/Scribeon.conf")) {}

QtPreferences::QtPreferences(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    settings_->allKeys(); // the file is parsed, and its status known, on first access
    if (settings_->status() == QSettings::FormatError)
        setAsideUnreadableFile();
}

// QSettings refuses to write over a file it could not parse, which would
// leave every later change unsaved. Keep the damaged file next to the new one
// for the user and carry over every value that could be read.
void QtPreferences::setAsideUnreadableFile() {
    const QString path = settings_->fileName();
    QVariantMap readable;
    for (const QString& name : settings_->allKeys())
        readable.insert(name, settings_->value(name));
    settings_.reset();
    const QString aside = path + QStringLiteral(".unreadable");
    QFile::remove(aside);
    const bool kept = QFile::rename(path, aside);
    qWarning("[Scribeon] Preferences file %s could not be read; %s", qUtf8Printable(path),
             kept ? qUtf8Printable(QStringLiteral("kept it as ") + aside)
                  : "it could not be moved aside");
    settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
    for (auto it = readable.cbegin(); it != readable.cend(); ++it)
        settings_->setValue(it.key(), it.value());
    settings_->sync();
}

std::optional<QString> QtPreferences::text(const std::string& name) {
    const QVariant value = settings_->value(key(name));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<std::string> QtPreferences::data(const std::string& name) {
    const QVariant value = settings_->value(key(name));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray().toStdString();
}

std::optional<std::vector<std::string>> QtPreferences::textList(const std::string& name) {
    const auto stored = text(name);
    const auto document = stored ? parseJson(*stored) : std::nullopt;
    if (!document || !document->isArray())
        return std::nullopt;
    std::vector<std::string> items;
    for (const auto& item : document->array()) {
        if (!item.isString())
            return std::nullopt;
        items.push_back(item.toString().toStdString());
    }
    return items;
}

std::optional<std::map<std::string, std::string>> QtPreferences::textMap(const std::string& name) {
    const auto stored = text(name);
    const auto document = stored ? parseJson(*stored) : std::nullopt;
    if (!document || !document->isObject())
        return std::nullopt;
    std::map<std::string, std::string> entries;
    const QJsonObject object = document->object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return std::nullopt;
        entries[it.key().toStdString()] = it.value().toString().toStdString();
    }
    return entries;
}

std::optional<std::int64_t> QtPreferences::integer(const std::string& name) {
    const auto stored = text(name);
    if (!stored)
        return std::nullopt;
    bool ok = false;
    const qlonglong value = stored->trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

std::optional<bool> QtPreferences::boolean(const std::string& name) {
    const auto stored = text(name);
    if (stored == QStringLiteral("true"))
        return true;
    if (stored == QStringLiteral("false"))
        return false;
    return std::nullopt;
}

bool QtPreferences::write(const std::string& name, const QVariant& value) {
    settings_->setValue(key(name), value);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool QtPreferences::setData(const std::string& name, const std::string& bytes) {
    return write(name, QByteArray::fromStdString(bytes));
}

bool QtPreferences::setTextList(const std::string& name, const std::vector<std::string>& value) {
    QJsonArray array;
    for (const auto& item : value)
        array.append(QString::fromStdString(item));
    return write(name, compact(QJsonDocument(array)));
}

bool QtPreferences::setTextMap(const std::string& name,
                               const std::map<std::string, std::string>& value) {
    QJsonObject object;
    for (const auto& [entryKey, entryValue] : value)
        object.insert(QString::fromStdString(entryKey), QString::fromStdString(entryValue));
    return write(name, compact(QJsonDocument(object)));
}

bool QtPreferences::setInteger(const std::string& name, std::int64_t value) {
    return write(name, QString::number(value));
}

bool QtPreferences::setBoolean(const std::string& name, bool value) {
    return write(name, value ? QStringLiteral("true") : QStringLiteral("false"));
}

bool QtPreferences::remove(const std::string& name) {
    settings_->remove(key(name));
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

} // namespace scribeon
