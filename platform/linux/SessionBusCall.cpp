#include "platform/linux/SessionBusCall.h"

#include <gio/gio.h>

#include <memory>

namespace scribeon {

namespace {

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

SessionBusCall classify(const GError& error) {
    if (error.domain == G_DBUS_ERROR && (error.code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
                                         error.code == G_DBUS_ERROR_NAME_HAS_NO_OWNER))
        return SessionBusCall::nobodyOwnsName;
    return SessionBusCall::failed;
}

} // namespace

SessionBusCall callSessionBus(const char* busName, const char* objectPath, const char* interface,
                              const char* method, std::chrono::milliseconds timeout,
                              std::string* detail) {
    GError* rawError = nullptr;
    const std::unique_ptr<GDBusConnection, ObjectUnref> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &rawError));
    ErrorPtr error(rawError);
    if (!bus) {
        if (detail && error)
            *detail = error->message;
        return SessionBusCall::noBus;
    }
    rawError = nullptr;
    // No auto-start: the caller decides whether it becomes the instance itself.
    GVariant* reply = g_dbus_connection_call_sync(
        bus.get(), busName, objectPath, interface, method, nullptr, nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, static_cast<gint>(timeout.count()), nullptr, &rawError);
    error.reset(rawError);
    if (reply) {
        g_variant_unref(reply);
        return SessionBusCall::answered;
    }
    if (detail && error)
        *detail = error->message;
    return error ? classify(*error) : SessionBusCall::failed;
}

} // namespace scribeon
