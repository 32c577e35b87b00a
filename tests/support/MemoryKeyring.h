// A keyring in memory for tests: items by key, a switch for "no keyring runs", and a failure to
// hand out on the next store.
#pragma once

#include "app/Keyring.h"

#include <map>
#include <string>

namespace qle::test {

class MemoryKeyring : public app::Keyring
{
public:
    // "FTP|host|21|jo": an item's key as text, for comparing in tests.
    static std::string Text(const app::KeyringKey& key)
    {
        return key.protocol + "|" + key.server + "|" + std::to_string(key.port) + "|" + key.user;
    }

    Result<std::optional<std::string>> lookup(const app::KeyringKey& key) override
    {
        ++lookups;
        if (!running)
            return Status::Unavailable("No keyring is running on this desktop (test)");
        const auto found = items.find(Text(key));
        if (found == items.end())
            return std::optional<std::string>();
        return std::optional<std::string>(found->second);
    }

    Status store(const app::KeyringKey& key, const std::string& password, const std::string& label) override
    {
        if (!running)
            return Status::Unavailable("No keyring is running on this desktop (test)");
        if (!storeFailure.ok())
            return storeFailure;
        items[Text(key)] = password;
        labels[Text(key)] = label;
        return Status::OK();
    }

    Status forget(const app::KeyringKey& key) override
    {
        if (!running)
            return Status::Unavailable("No keyring is running on this desktop (test)");
        items.erase(Text(key));
        return Status::OK();
    }

    bool running = true;
    Status storeFailure;                       // handed out by every store while not OK
    std::map<std::string, std::string> items;  // Text(key) -> password
    std::map<std::string, std::string> labels; // Text(key) -> label
    int lookups = 0;
};

} // namespace qle::test
