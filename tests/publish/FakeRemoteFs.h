// A web space in memory for the sync tests: every connection of a test shares one FakeServer,
// whose faults the test sets (a connection limit, refused uploads, a link that drops).
#pragma once

#include "publish/remote/RemoteFs.h"
#include "support/TempDir.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace qle::test {

struct FakeServer
{
    std::mutex mutex;
    std::map<std::string, std::string> files; // absolute path -> bytes
    std::set<std::string> folders {"/"};      // absolute, ending in '/'
    std::vector<std::string> log;             // "PUT /a", "RENAME /a /b", "DELE /a", "MKD /a", "LIST /a", "RETR /a"
    int maxConnections = 64;
    int openConnections = 0;
    int mostConnections = 0;
    int putsBeforeDrop = -1;            // after this many uploads every call fails, as over a dropped link
    std::set<std::string> refusedPuts;  // uploads to these paths are refused (553)
    bool renameOntoFileRefused = false; // as servers on some systems do

    int count(const std::string& verb)
    {
        std::lock_guard lock(mutex);
        int n = 0;
        for (const auto& line : log)
            n += line.compare(0, verb.size() + 1, verb + " ") == 0 ? 1 : 0;
        return n;
    }
    // The files under a folder, relative to it.
    std::map<std::string, std::string> filesUnder(const std::string& folder)
    {
        std::lock_guard lock(mutex);
        std::map<std::string, std::string> under;
        for (const auto& [path, bytes] : files)
            if (path.compare(0, folder.size(), folder) == 0)
                under[path.substr(folder.size())] = bytes;
        return under;
    }
};

class FakeRemoteFs : public publish::RemoteFs
{
public:
    explicit FakeRemoteFs(FakeServer& server)
        : m_server(server)
    {
    }
    ~FakeRemoteFs() override
    {
        std::lock_guard lock(m_server.mutex);
        if (m_connected)
            --m_server.openConnections;
    }

    Status connect() override
    {
        std::lock_guard lock(m_server.mutex);
        if (m_server.putsBeforeDrop == 0)
            return Status::NetworkError("connection refused");
        if (m_connected)
            return Status::OK();
        if (m_server.openConnections >= m_server.maxConnections)
            return Status::NetworkError("421 Too many connections from this address");
        m_connected = true;
        m_server.mostConnections = std::max(m_server.mostConnections, ++m_server.openConnections);
        return Status::OK();
    }
    std::string homeFolder() const override { return "/"; }

    Status makeFolder(const std::string& path) override
    {
        std::lock_guard lock(m_server.mutex);
        if (Status s = usable("MKD " + path); !s.ok())
            return s;
        const std::string folder = path.back() == '/' ? path : path + '/';
        if (m_server.folders.count(folder) != 0)
            return Status::InvalidArgument("550 " + path + ": exists");
        if (!hasParent(folder.substr(0, folder.size() - 1)))
            return Status::IoError("550 no parent for " + path);
        m_server.folders.insert(folder);
        return Status::OK();
    }

    Status put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent) override
    {
        std::lock_guard lock(m_server.mutex);
        if (Status s = usable("PUT " + remotePath); !s.ok())
            return s;
        if (m_server.refusedPuts.count(remotePath) != 0 || !hasParent(remotePath))
            return Status::IoError("553 cannot store " + remotePath);
        if (m_server.putsBeforeDrop > 0)
            --m_server.putsBeforeDrop;
        const std::string bytes = ReadFile(localPath);
        m_server.files[remotePath] = bytes;
        bytesSent += bytes.size();
        return Status::OK();
    }

    Result<std::string> fetch(const std::string& remotePath) override
    {
        std::lock_guard lock(m_server.mutex);
        if (Status s = usable("RETR " + remotePath); !s.ok())
            return s;
        const auto it = m_server.files.find(remotePath);
        if (it == m_server.files.end())
            return Status::NotFound("550 " + remotePath);
        return it->second;
    }

    Status remove(const std::string& remotePath) override
    {
        std::lock_guard lock(m_server.mutex);
        if (Status s = usable("DELE " + remotePath); !s.ok())
            return s;
        return m_server.files.erase(remotePath) ? Status::OK() : Status::NotFound("550 " + remotePath);
    }

    Status rename(const std::string& from, const std::string& to) override
    {
        std::lock_guard lock(m_server.mutex);
        if (Status s = usable("RENAME " + from + " " + to); !s.ok())
            return s;
        const auto it = m_server.files.find(from);
        if (it == m_server.files.end())
            return Status::NotFound("550 " + from);
        if (m_server.renameOntoFileRefused && m_server.files.count(to) != 0)
            return Status::IoError("553 " + to + " exists");
        m_server.files[to] = it->second;
        m_server.files.erase(from);
        return Status::OK();
    }

    Result<std::vector<Entry>> list(const std::string& folder) override
    {
        std::lock_guard lock(m_server.mutex);
        if (Status s = usable("LIST " + folder); !s.ok())
            return s;
        const std::string prefix = folder.back() == '/' ? folder : folder + '/';
        if (m_server.folders.count(prefix) == 0)
            return Status::NotFound("550 " + folder);
        std::vector<Entry> entries;
        for (const auto& [path, bytes] : m_server.files)
            if (path.compare(0, prefix.size(), prefix) == 0 && path.find('/', prefix.size()) == std::string::npos)
                entries.push_back({path.substr(prefix.size()), false, bytes.size()});
        for (const auto& sub : m_server.folders)
            if (sub.size() > prefix.size() && sub.compare(0, prefix.size(), prefix) == 0 &&
                sub.find('/', prefix.size()) == sub.size() - 1)
                entries.push_back({sub.substr(prefix.size(), sub.size() - prefix.size() - 1), true, std::nullopt});
        return entries;
    }

    std::vector<std::string> takeServerLines() override { return {}; }

private:
    // REQUIRES: the server's mutex held.
    Status usable(const std::string& logLine)
    {
        if (!m_connected || m_server.putsBeforeDrop == 0)
            return Status::NetworkError("421 connection lost");
        m_server.log.push_back(logLine);
        return Status::OK();
    }
    bool hasParent(const std::string& path) const
    {
        return m_server.folders.count(path.substr(0, path.rfind('/') + 1)) != 0;
    }

    FakeServer& m_server;
    bool m_connected = false;
};

} // namespace qle::test
