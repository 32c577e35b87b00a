// A web space in memory for the sync tests: every connection of a test shares one FakeServer,
// whose ways the test sets (a connection limit, case-insensitive names, renames it refuses) and
// into which it injects one fault at one step of a run: refused for good, transient, the link
// lost, the reply lost after the server acted, or the program killed there.
#pragma once

#include "publish/remote/RemoteError.h"
#include "publish/remote/RemoteFs.h"
#include "publish/script/FtpScript.h"
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncPlan.h"
#include "support/TempDir.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qle::test {

// The steps a run takes on the server, as the fault matrix names them.
enum class Step {
    Connect,
    List,
    ReadRecord,
    MakeFolder,
    PutTemporary, // a file that replaces one, under its temporary name
    Rename,       // the temporary renamed into place
    PutDirect,    // a new file, straight to its name
    Delete,
    PutRecord,
    RenameRecord,
};

enum class Fault {
    Refused,     // refused for good; nothing happens
    Transient,   // the connection drops before the server acts; a new one works
    LinkLost,    // nothing answers any more, on any connection
    ReplyLost,   // the server acts, then the connection drops before its reply
    Killed,      // the program is killed as it makes the call: the server sees nothing more
    KilledAfter, // the server acts, and the program is killed before it hears back
};

struct FaultAt
{
    Step step;
    Fault fault;
    int nth = 1; // the fault hits the nth call of that step
};

inline std::string FileNameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

struct FakeServer
{
    std::mutex mutex;
    std::map<std::string, std::string> files; // absolute path -> bytes
    std::set<std::string> folders {"/"};      // absolute, ending in '/'
    std::vector<std::string> log;             // "PUT /a", "RENAME /a /b", "DELE /a", "MKD /a", "LIST /a", "RETR /a"
    int maxConnections = 64;
    int openConnections = 0;
    int mostConnections = 0;
    int putsBeforeDrop = -1;             // after this many uploads every call fails, as over a dropped link
    std::set<std::string> refusedPuts;   // uploads to these paths are refused (553)
    bool renameOntoFileRefused = false;  // a rename onto a file is refused, saying the name is taken
    bool renamesRefused = false;         // no rename at all ("502 Command not implemented")
    bool caseInsensitive = false;        // names match whatever their case; a file keeps the case it was made with
    std::vector<std::string> extraNames; // listed in every folder besides what is there (a hostile server)

    std::optional<FaultAt> fault;
    std::string cutAfter; // a killed upload keeps the bytes up to the end of this text (else half)
    int stepsSeen = 0;
    bool faultFired = false;
    bool linkDown = false;
    bool killed = false;
    std::function<void()> onKill;                       // called at the kill, with the server locked
    std::function<void(const std::string&)> beforeCall; // called before each call, unlocked

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

    // REQUIRES: the mutex held. The stored name of a file (its own case on a case-insensitive server).
    std::map<std::string, std::string>::iterator findFile(const std::string& path)
    {
        if (!caseInsensitive)
            return files.find(path);
        return std::find_if(files.begin(), files.end(), [&](const auto& entry) {
            return publish::AsciiLowerCase(entry.first) == publish::AsciiLowerCase(path);
        });
    }
    bool hasFolder(const std::string& folder) const
    {
        if (!caseInsensitive)
            return folders.count(folder) != 0;
        return std::any_of(folders.begin(), folders.end(), [&](const std::string& f) {
            return publish::AsciiLowerCase(f) == publish::AsciiLowerCase(folder);
        });
    }
};

class FakeRemoteFs : public publish::RemoteFs
{
public:
    using Kind = publish::RemoteErrorKind;

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
        return call(Step::Connect, "CONNECT", [this]() -> Status {
            if (m_connected)
                return Status::OK();
            if (m_server.openConnections >= m_server.maxConnections)
                return publish::RemoteError(Kind::Transient, "Cannot connect", "421 Too many connections",
                                            "the server refused more connections");
            m_connected = true;
            m_server.mostConnections = std::max(m_server.mostConnections, ++m_server.openConnections);
            return Status::OK();
        });
    }
    std::string homeFolder() const override { return "/"; }

    Status makeFolder(const std::string& path) override
    {
        return call(Step::MakeFolder, "MKD " + path, [&]() -> Status {
            const std::string folder = path.back() == '/' ? path : path + '/';
            if (m_server.hasFolder(folder))
                return publish::RemoteError(Kind::AlreadyExists, "mkdir " + path, "550 exists");
            if (!hasParent(folder.substr(0, folder.size() - 1)))
                return publish::RemoteError(Kind::NotFound, "mkdir " + path, "550 no parent");
            m_server.folders.insert(folder);
            return Status::OK();
        });
    }

    Status put(const std::string& localPath, const std::string& remotePath, std::uint64_t& bytesSent) override
    {
        return call(StepOfPut(remotePath), "PUT " + remotePath, [&]() -> Status {
            if (m_server.refusedPuts.count(remotePath) != 0 || !hasParent(remotePath))
                return publish::RemoteError(Kind::Refused, "put " + remotePath, "553 cannot store " + remotePath);
            if (m_server.putsBeforeDrop > 0)
                --m_server.putsBeforeDrop;
            const std::string bytes = ReadFile(localPath);
            const auto existing = m_server.findFile(remotePath);
            (existing == m_server.files.end() ? m_server.files[remotePath] : existing->second) = bytes;
            bytesSent += bytes.size();
            return Status::OK();
        });
    }

    Result<std::string> fetch(const std::string& remotePath) override { return read(remotePath, 0, false); }
    Result<std::string> fetchFrom(const std::string& remotePath, std::uint64_t offset) override
    {
        return read(remotePath, offset, true);
    }

    Status remove(const std::string& remotePath) override
    {
        return call(Step::Delete, "DELE " + remotePath, [&]() -> Status {
            const auto it = m_server.findFile(remotePath);
            if (it == m_server.files.end())
                return publish::RemoteError(Kind::NotFound, "delete " + remotePath, "550 No such file");
            m_server.files.erase(it);
            return Status::OK();
        });
    }

    Status rename(const std::string& from, const std::string& to) override
    {
        const Step step =
            FileNameOf(from) == publish::TemporaryPathFor(publish::kRecordFileName) ? Step::RenameRecord : Step::Rename;
        return call(step, "RENAME " + from + " " + to, [&]() -> Status {
            if (m_server.renamesRefused)
                return publish::RemoteError(Kind::Refused, "rename " + from, "502 Command not implemented");
            const auto source = m_server.findFile(from);
            if (source == m_server.files.end())
                return publish::RemoteError(Kind::NotFound, "rename " + from, "550 No such file");
            const auto target = m_server.findFile(to);
            if (target != m_server.files.end() && target != source && m_server.renameOntoFileRefused)
                return publish::RemoteError(Kind::AlreadyExists, "rename " + from, "553 " + to + " exists");
            const std::string bytes = source->second;
            m_server.files.erase(source);
            if (const auto old = m_server.findFile(to); old != m_server.files.end())
                m_server.files.erase(old);
            m_server.files[to] = bytes;
            return Status::OK();
        });
    }

    Result<std::vector<Entry>> list(const std::string& folder) override
    {
        std::vector<Entry> entries;
        Status s = call(Step::List, "LIST " + folder, [&]() -> Status {
            const std::string prefix = folder.back() == '/' ? folder : folder + '/';
            if (!m_server.hasFolder(prefix))
                return publish::RemoteError(Kind::NotFound, "list " + folder, "550 No such folder");
            for (const auto& [path, bytes] : m_server.files)
                if (LowerStarts(path, prefix) && path.find('/', prefix.size()) == std::string::npos)
                    entries.push_back({path.substr(prefix.size()), false, bytes.size()});
            for (const auto& sub : m_server.folders)
                if (sub.size() > prefix.size() && LowerStarts(sub, prefix) &&
                    sub.find('/', prefix.size()) == sub.size() - 1)
                    entries.push_back({sub.substr(prefix.size(), sub.size() - prefix.size() - 1), true, std::nullopt});
            for (const auto& name : m_server.extraNames)
                entries.push_back({name, false, 1});
            return Status::OK();
        });
        if (!s.ok())
            return s;
        return entries;
    }

    std::vector<std::string> takeServerLines() override { return {}; }

private:
    static Step StepOfPut(const std::string& path)
    {
        const std::string name = FileNameOf(path);
        if (name == publish::kRecordFileName || name == publish::TemporaryPathFor(publish::kRecordFileName))
            return Step::PutRecord;
        return publish::IsTemporaryName(name) ? Step::PutTemporary : Step::PutDirect;
    }

    bool LowerStarts(const std::string& path, const std::string& prefix) const
    {
        return m_server.caseInsensitive
                   ? publish::AsciiLowerCase(path).compare(0, prefix.size(), publish::AsciiLowerCase(prefix)) == 0
                   : path.compare(0, prefix.size(), prefix) == 0;
    }

    Result<std::string> read(const std::string& remotePath, std::uint64_t offset, bool ranged)
    {
        std::string bytes;
        Status s = call(Step::ReadRecord, (ranged ? "TAIL " : "RETR ") + remotePath, [&]() -> Status {
            const auto it = m_server.findFile(remotePath);
            if (it == m_server.files.end())
                return publish::RemoteError(Kind::NotFound, "read " + remotePath, "550 No such file");
            if (offset > it->second.size())
                return publish::RemoteError(Kind::Refused, "read " + remotePath, "554 Invalid REST parameter");
            bytes = it->second.substr(offset);
            return Status::OK();
        });
        if (!s.ok())
            return s;
        return bytes;
    }

    // Carries out one call as the server's state and the injected fault have it.
    Status call(Step step, const std::string& logLine, const std::function<Status()>& act)
    {
        if (m_server.beforeCall)
            m_server.beforeCall(logLine);
        std::lock_guard lock(m_server.mutex);
        if (m_server.killed || m_server.linkDown || m_server.putsBeforeDrop == 0)
            return publish::RemoteError(Kind::Transient, logLine, "421 connection lost");
        if (!m_connected && step != Step::Connect)
            return publish::RemoteError(Kind::Transient, logLine, "not connected");
        if (step != Step::Connect)
            m_server.log.push_back(logLine);
        if (!m_server.fault || m_server.faultFired || m_server.fault->step != step ||
            ++m_server.stepsSeen != m_server.fault->nth)
            return act();
        m_server.faultFired = true;
        return injected(m_server.fault->fault, logLine, act);
    }

    // REQUIRES: the server's mutex held.
    Status injected(Fault fault, const std::string& logLine, const std::function<Status()>& act)
    {
        const Status lost = publish::RemoteError(Kind::Transient, logLine, "421 connection lost");
        switch (fault) {
        case Fault::Refused:
            return publish::RemoteError(Kind::Refused, logLine, "550 Permission denied");
        case Fault::Transient:
            drop();
            return lost;
        case Fault::LinkLost:
            m_server.linkDown = true;
            return lost;
        case Fault::ReplyLost:
            (void)act();
            drop();
            return lost;
        case Fault::KilledAfter:
            (void)act();
            cut(logLine);
            [[fallthrough]];
        case Fault::Killed:
            m_server.killed = true;
            if (m_server.onKill)
                m_server.onKill();
            return lost;
        }
        return lost;
    }

    // An upload the kill broke off: the server keeps only the bytes that had arrived.
    void cut(const std::string& logLine)
    {
        if (!logLine.starts_with("PUT "))
            return;
        const auto it = m_server.files.find(logLine.substr(4));
        if (it == m_server.files.end())
            return;
        const auto at = m_server.cutAfter.empty() ? std::string::npos : it->second.find(m_server.cutAfter);
        it->second.resize(at == std::string::npos ? it->second.size() / 2 : at + m_server.cutAfter.size());
    }

    void drop()
    {
        if (m_connected)
            --m_server.openConnections;
        m_connected = false;
    }

    bool hasParent(const std::string& path) const { return m_server.hasFolder(path.substr(0, path.rfind('/') + 1)); }

    FakeServer& m_server;
    bool m_connected = false;
};

} // namespace qle::test
