#include "app/Keyring.h"

#include <libsecret/secret.h>

#include <string>

namespace qle::app {

namespace {

struct ErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct PasswordFree
{
    void operator()(gchar* password) const { secret_password_free(password); }
};
using PasswordPtr = std::unique_ptr<gchar, PasswordFree>;

const SecretSchema* PasswordSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema s {};
        s.name = kKeyringSchema;
        // Not SECRET_SCHEMA_DONT_MATCH_NAME: only items of this schema are ever found.
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"server", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[2] = {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER};
        s.attributes[3] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

// No session bus, or nothing on it that keeps secrets: the keyring is missing, not broken.
bool NoKeyring(const GError& error)
{
    if (error.domain == G_IO_ERROR || error.domain == G_SPAWN_ERROR)
        return true;
    if (error.domain != G_DBUS_ERROR)
        return false;
    switch (static_cast<GDBusError>(error.code)) {
    case G_DBUS_ERROR_SERVICE_UNKNOWN:
    case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
    case G_DBUS_ERROR_NO_SERVER:
    case G_DBUS_ERROR_DISCONNECTED:
    case G_DBUS_ERROR_FILE_NOT_FOUND:
    case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
    case G_DBUS_ERROR_SPAWN_FORK_FAILED:
    case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
    case G_DBUS_ERROR_SPAWN_CHILD_SIGNALED:
    case G_DBUS_ERROR_SPAWN_FAILED:
    case G_DBUS_ERROR_SPAWN_SERVICE_INVALID:
    case G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND:
        return true;
    default:
        return false;
    }
}

Status Failed(const std::string& doing, const ErrorPtr& error)
{
    const std::string why = error ? error->message : "no reason given";
    if (error && NoKeyring(*error))
        return Status::Unavailable("No keyring is running on this desktop (" + why + ")");
    return Status::IoError("The keyring could not " + doing + ": " + why);
}

class SecretServiceKeyring : public Keyring
{
public:
    Result<std::optional<std::string>> lookup(const KeyringKey& key) override
    {
        GError* raw = nullptr;
        PasswordPtr password(secret_password_lookup_sync(PasswordSchema(), nullptr, &raw, "protocol",
                                                         key.protocol.c_str(), "server", key.server.c_str(), "port",
                                                         key.port, "user", key.user.c_str(), nullptr));
        ErrorPtr error(raw);
        if (error)
            return Failed("be read", error);
        if (!password)
            return std::optional<std::string>();
        return std::optional<std::string>(password.get());
    }

    Status store(const KeyringKey& key, const std::string& password, const std::string& label) override
    {
        GError* raw = nullptr;
        const gboolean stored = secret_password_store_sync(
            PasswordSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &raw, "protocol",
            key.protocol.c_str(), "server", key.server.c_str(), "port", key.port, "user", key.user.c_str(), nullptr);
        ErrorPtr error(raw);
        if (error)
            return Failed("keep the password", error);
        // No error and nothing stored: the person dismissed the keyring's unlock prompt.
        if (!stored)
            return Status::Cancelled("The keyring stayed locked; the password was not kept");
        return Status::OK();
    }

    Status forget(const KeyringKey& key) override
    {
        GError* raw = nullptr;
        // False without an error only means there was nothing to remove.
        secret_password_clear_sync(PasswordSchema(), nullptr, &raw, "protocol", key.protocol.c_str(), "server",
                                   key.server.c_str(), "port", key.port, "user", key.user.c_str(), nullptr);
        ErrorPtr error(raw);
        if (error)
            return Failed("remove the password", error);
        return Status::OK();
    }
};

} // namespace

std::unique_ptr<Keyring> DesktopKeyring()
{
    return std::make_unique<SecretServiceKeyring>();
}

} // namespace qle::app
