#include "platform/qt/SingleInstance.h"

#include "platform/linux/SessionBusCall.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <chrono>

namespace scribeon {

namespace {

// Long enough for an instance busy painting a window; short enough that a
// desktop shortcut bound to a hung instance gives up visibly.
constexpr std::chrono::milliseconds answerTimeout{5000};

const char* methodName(SingleInstance::Message message) {
    switch (message) {
    case SingleInstance::Message::trigger:
        return "Trigger";
    case SingleInstance::Message::accountChanged:
        return "AccountChanged";
    case SingleInstance::Message::show:
        break;
    }
    return "ShowPanel";
}

} // namespace

SingleInstance::HandOff SingleInstance::handOff(Message message, std::string* detail) {
    switch (
        callSessionBus(busName, objectPath, busName, methodName(message), answerTimeout, detail)) {
    case SessionBusCall::answered:
        return HandOff::delivered;
    case SessionBusCall::nobodyOwnsName:
    case SessionBusCall::noBus:
        return HandOff::noInstance;
    case SessionBusCall::failed:
        break;
    }
    return HandOff::noAnswer;
}

SingleInstance::Listen SingleInstance::listen(std::function<void(Message)> onMessage) {
    onMessage_ = std::move(onMessage);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Listen::noBus;
    // The object first: a call may arrive as soon as the name is ours.
    if (!bus.registerObject(QString::fromLatin1(objectPath), this,
                            QDBusConnection::ExportScriptableSlots))
        return Listen::noBus;
    const auto reply = bus.interface()->registerService(
        QString::fromLatin1(busName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Listen::listening;
    bus.unregisterObject(QString::fromLatin1(objectPath));
    return reply.isValid() ? Listen::otherInstance : Listen::noBus;
}

// The caller's reply goes out first; the work runs from the event loop.
void SingleInstance::deliverLater(Message message) {
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (onMessage_)
                onMessage_(message);
        },
        Qt::QueuedConnection);
}

void SingleInstance::Trigger() {
    deliverLater(Message::trigger);
}

void SingleInstance::ShowPanel() {
    deliverLater(Message::show);
}

void SingleInstance::AccountChanged() {
    deliverLater(Message::accountChanged);
}

} // namespace scribeon
