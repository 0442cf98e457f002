#pragma once

#include <QLocalServer>
#include <QString>

#include <functional>

namespace scribeon {

// One Scribeon per user session. The running instance listens on a local
// socket in $XDG_RUNTIME_DIR; a second `scribeon` hands it a message
// ("trigger": run the shortcut's pipeline, "show": open the tray panel,
// "signed-in": a sign-in from the command line changed the credential store)
// and exits.
class SingleInstance {
public:
    enum class Message { trigger, show, signedIn };
    enum class HandOff { delivered, noInstance, noAnswer };

    static QString defaultSocketPath();

    // Runs without a Qt application object, before any display is opened.
    static HandOff handOff(Message message, const QString& socketPath = defaultSocketPath());

    enum class Listen { listening, otherInstance, failed };

    // Listens, replacing a socket left by an instance that is gone.
    Listen listen(std::function<void(Message)> onMessage,
                  const QString& socketPath = defaultSocketPath());
    QString errorString() const { return server_.errorString(); }

private:
    void acceptConnections();

    QLocalServer server_;
    std::function<void(Message)> onMessage_;
};

} // namespace scribeon
