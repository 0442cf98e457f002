#include "platform/linux/LibsecretCredentialStore.h"

#include <libsecret/secret.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace scribeon {

namespace {

const SecretSchema* schema() {
    static const SecretSchema value = {"app.scribeon.Scribeon.Credential",
                                       SECRET_SCHEMA_NONE,
                                       {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                       0,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr,
                                       nullptr};
    return &value;
}

// Cancels `cancellable` unless the guarded call ends before the deadline.
class CancelAfter {
public:
    CancelAfter(GCancellable* cancellable, std::chrono::milliseconds deadline)
        : thread_([this, cancellable, deadline] {
              std::unique_lock lock(mutex_);
              if (!wake_.wait_for(lock, deadline, [this] { return done_; }))
                  g_cancellable_cancel(cancellable);
          }) {}
    ~CancelAfter() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

struct Cancellable {
    GCancellable* handle = g_cancellable_new();
    ~Cancellable() { g_object_unref(handle); }
};

} // namespace

bool LibsecretCredentialStore::save(const std::string& service, const std::string& account,
                                    const std::string& secret) {
    if (!g_utf8_validate(secret.data(), static_cast<gssize>(secret.size()), nullptr))
        return false;
    remove(service, account);
    Cancellable cancellable;
    GError* error = nullptr;
    gboolean stored = FALSE;
    {
        CancelAfter guard(cancellable.handle, deadline_);
        const std::string label = "Scribeon " + account;
        stored = secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                                            secret.c_str(), cancellable.handle, &error, "service",
                                            service.c_str(), "account", account.c_str(), nullptr);
    }
    if (error)
        g_error_free(error);
    return stored == TRUE;
}

std::optional<std::string> LibsecretCredentialStore::read(const std::string& service,
                                                          const std::string& account) {
    Cancellable cancellable;
    GError* error = nullptr;
    gchar* value = nullptr;
    {
        CancelAfter guard(cancellable.handle, deadline_);
        value = secret_password_lookup_sync(schema(), cancellable.handle, &error, "service",
                                            service.c_str(), "account", account.c_str(), nullptr);
    }
    if (error)
        g_error_free(error);
    if (!value)
        return std::nullopt;
    std::optional<std::string> result;
    if (g_utf8_validate(value, -1, nullptr))
        result = std::string(value);
    secret_password_free(value);
    return result;
}

void LibsecretCredentialStore::remove(const std::string& service, const std::string& account) {
    Cancellable cancellable;
    GError* error = nullptr;
    {
        CancelAfter guard(cancellable.handle, deadline_);
        secret_password_clear_sync(schema(), cancellable.handle, &error, "service", service.c_str(),
                                   "account", account.c_str(), nullptr);
    }
    if (error)
        g_error_free(error);
}

} // namespace scribeon
