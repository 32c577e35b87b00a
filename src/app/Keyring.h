// Passwords kept by the desktop's keyring (the session's Secret Service), never in a file. One unit
// for the program and the command line; no Qt, so the core and its tests stay without it.
#pragma once

#include "store/Status.h"

#include <memory>
#include <optional>
#include <string>

namespace qle::app {

// What a keyring item is found by: the protocol as its plain name ("FTP", "SFTP", "GIT"), the
// server's host name, its port and the user name.
struct KeyringKey
{
    std::string protocol;
    std::string server;
    int port = 0;
    std::string user;

    bool operator==(const KeyringKey&) const = default;
};

class Keyring
{
public:
    virtual ~Keyring() = default;

    // The password kept under `key`; nothing when none is. Status::Unavailable when no keyring
    // answers (no session bus, or nothing on it keeps secrets).
    virtual Result<std::optional<std::string>> lookup(const KeyringKey& key) = 0;

    // Keeps `password` under `key` in the default keyring, replacing any earlier one. `label` is
    // what the desktop's keyring manager shows for it.
    virtual Status store(const KeyringKey& key, const std::string& password, const std::string& label) = 0;

    // Removes the password kept under `key`; OK when there was none.
    virtual Status forget(const KeyringKey& key) = 0;
};

// The schema the items carry (the keyring's "xdg:schema" attribute), so that items of other
// programs with the same attributes are never read or removed.
inline constexpr const char* kKeyringSchema = "org.quillonengine.Password";

// The desktop's keyring through libsecret. Nothing is asked of the session until the first call.
std::unique_ptr<Keyring> DesktopKeyring();

} // namespace qle::app
