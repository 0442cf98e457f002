#pragma once

#include "platform/AutostartEntry.h"

#include <QString>

namespace scribeon {

// The XDG autostart entry in $XDG_CONFIG_HOME/autostart, made from the
// program's desktop entry with Exec naming the running binary. Where the
// system starts the program for everyone (an entry of the same name in
// $XDG_CONFIG_DIRS), switching it off writes a Hidden entry over it, as the
// freedesktop autostart rules ask; otherwise the user's file is removed.
class XdgAutostartEntry final : public AutostartEntry {
public:
    static constexpr const char* fileName = "scribeon.desktop";

    XdgAutostartEntry(QString templatePath, QString executable);

    bool isInstalled() override;
    Result<Done, std::string> install() override;
    Result<Done, std::string> remove() override;

    QString userPath() const;
    // An Exec argument quoted by the desktop entry format's rules.
    static QString quotedExecArgument(const QString& argument);

private:
    QString systemEntry() const;
    Result<Done, std::string> write(const QString& text) const;

    QString templatePath_;
    QString executable_;
};

} // namespace scribeon
