#include "platform/qt/XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace scribeon {

namespace {

QString readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// A line "Hidden=true", white space allowed around the parts. Plain code
// rather than a regular expression, which would load and JIT-compile PCRE
// at start.
bool isHidden(const QString& entry) {
    const QString key = QStringLiteral("Hidden");
    const auto lines = QStringView(entry).split(u'\n');
    return std::any_of(lines.begin(), lines.end(), [&key](QStringView line) {
        const QStringView rest =
            line.startsWith(key) ? line.mid(key.size()).trimmed() : QStringView();
        return rest.startsWith(u'=') && rest.mid(1).trimmed() == u"true";
    });
}

bool isPlainExecCharacter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           QStringView(u"_@%+=:,./-").contains(c);
}

std::string failure(const QString& path, const QString& reason) {
    return (path + QStringLiteral(": ") + reason).toStdString();
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString templatePath, QString executable)
    : templatePath_(std::move(templatePath)), executable_(std::move(executable)) {}

QString XdgAutostartEntry::userPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QLatin1String(fileName);
}

QString XdgAutostartEntry::systemEntry() const {
    const QStringList dirs =
        QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    for (qsizetype i = 1; i < dirs.size(); ++i) { // the first is the user's own
        QString path = dirs[i] + QStringLiteral("/autostart/") + QLatin1String(fileName);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

bool XdgAutostartEntry::isInstalled() {
    if (QFileInfo::exists(userPath()))
        return !isHidden(readAll(userPath()));
    const QString system = systemEntry();
    return !system.isEmpty() && !isHidden(readAll(system));
}

QString XdgAutostartEntry::quotedExecArgument(const QString& argument) {
    if (!argument.isEmpty() && std::all_of(argument.begin(), argument.end(), isPlainExecCharacter))
        return argument;
    QString quoted = argument;
    // Inside quotes, " ` $ and \ take a backslash; the file format then
    // doubles every backslash once more.
    quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"))
        .replace(QStringLiteral("\""), QStringLiteral("\\\""))
        .replace(QStringLiteral("`"), QStringLiteral("\\`"))
        .replace(QStringLiteral("$"), QStringLiteral("\\$"));
    quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

Result<Done, std::string> XdgAutostartEntry::install() {
    QString entry = readAll(templatePath_);
    if (entry.isEmpty())
        return failure(templatePath_, QStringLiteral("the desktop entry to copy is missing"));
    QStringList lines = entry.split(u'\n');
    for (QString& line : lines)
        if (line.startsWith(u"Exec="))
            line = QStringLiteral("Exec=") + quotedExecArgument(executable_);
    return write(lines.join(u'\n'));
}

Result<Done, std::string> XdgAutostartEntry::remove() {
    if (!systemEntry().isEmpty())
        return write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Scribeon\n"
                                    "Hidden=true\n"));
    QFile file(userPath());
    if (file.exists() && !file.remove())
        return failure(userPath(), file.errorString());
    return Done{};
}

Result<Done, std::string> XdgAutostartEntry::write(const QString& text) const {
    const QString path = userPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return failure(QFileInfo(path).absolutePath(), QStringLiteral("cannot be created"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return failure(path, file.errorString());
    return Done{};
}

} // namespace scribeon
