#include "platform/linux/SessionBusCall.h"

#include <dbus/dbus.h>

#include <memory>

namespace scribeon {

namespace {

struct Error {
    DBusError value;
    Error() { dbus_error_init(&value); }
    ~Error() { dbus_error_free(&value); }
    Error(const Error&) = delete;
    Error& operator=(const Error&) = delete;
};

struct ConnectionClose {
    void operator()(DBusConnection* bus) const {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
};

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};

SessionBusCall classify(const DBusError& error) {
    if (dbus_error_has_name(&error, DBUS_ERROR_SERVICE_UNKNOWN) ||
        dbus_error_has_name(&error, DBUS_ERROR_NAME_HAS_NO_OWNER))
        return SessionBusCall::nobodyOwnsName;
    return SessionBusCall::failed;
}

} // namespace

SessionBusCall callSessionBus(const char* busName, const char* objectPath, const char* interface,
                              const char* method, std::chrono::milliseconds timeout,
                              std::string* detail) {
    Error error;
    // A private connection, closed at the end: the shared one would stay
    // open for the life of the process and exit it when the bus goes away.
    const std::unique_ptr<DBusConnection, ConnectionClose> bus(
        dbus_bus_get_private(DBUS_BUS_SESSION, &error.value));
    if (!bus) {
        if (detail && error.value.message)
            *detail = error.value.message;
        return SessionBusCall::noBus;
    }
    dbus_connection_set_exit_on_disconnect(bus.get(), FALSE);
    const std::unique_ptr<DBusMessage, MessageUnref> call(
        dbus_message_new_method_call(busName, objectPath, interface, method));
    if (!call)
        return SessionBusCall::failed;
    // No auto-start: the caller decides whether it becomes the instance itself.
    dbus_message_set_auto_start(call.get(), FALSE);
    const std::unique_ptr<DBusMessage, MessageUnref> reply(
        dbus_connection_send_with_reply_and_block(bus.get(), call.get(),
                                                  static_cast<int>(timeout.count()), &error.value));
    if (reply)
        return SessionBusCall::answered;
    if (detail && error.value.message)
        *detail = error.value.message;
    return classify(error.value);
}

} // namespace scribeon
