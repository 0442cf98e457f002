#pragma once

#include <QObject>

#include <functional>
#include <string>

namespace scribeon {

// One Scribeon per session bus. The running instance owns the name
// app.scribeon.Scribeon and exports Trigger() (the shortcut's pipeline),
// ShowPanel() (the tray panel) and AccountChanged() (a command line signed
// in or out, so the credential store changed). A later `scribeon` calls one
// of them and exits; desktops bind Trigger() to their own shortcuts.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.scribeon.Scribeon")
public:
    static constexpr const char* busName = "app.scribeon.Scribeon";
    static constexpr const char* objectPath = "/app/scribeon/Scribeon";

    enum class Message { trigger, show, accountChanged };
    enum class HandOff { delivered, noInstance, noAnswer };

    // Runs without a Qt application object, before any display is opened.
    // `detail` receives the bus's reason when the answer is noAnswer.
    static HandOff handOff(Message message, std::string* detail = nullptr);

    enum class Listen { listening, otherInstance, noBus };

    // Exports the interface and takes the name; otherInstance when a process
    // that started at the same moment took it first.
    Listen listen(std::function<void(Message)> onMessage);

public slots:
    Q_SCRIPTABLE void Trigger();
    Q_SCRIPTABLE void ShowPanel();
    Q_SCRIPTABLE void AccountChanged();

private:
    void deliverLater(Message message);

    std::function<void(Message)> onMessage_;
};

} // namespace scribeon
