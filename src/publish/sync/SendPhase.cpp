// MakeFolders, CleanTemporaries and SendChanged: everything a run adds to the server before it
// deletes anything.
#include "publish/sync/SyncRun.h"

#include "app/Paths.h"

#include <algorithm>

namespace qle::publish {

namespace {

// "/a/b/c/" -> "/a/", "/a/b/", "/a/b/c/".
std::vector<std::string> Levels(const std::string& folder)
{
    std::vector<std::string> levels;
    for (auto slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        levels.push_back(folder.substr(0, slash + 1));
    return levels;
}

} // namespace

// Folders come before the files in them, each level before the next. Only folders that something
// is sent into and that are not known to exist are made, so a republish spends no round trip on them.
void SyncRun::makeFolders()
{
    std::vector<std::string> targets;
    for (const auto& send : m_plan.send)
        targets.push_back(remote(send.file.path));
    for (const auto& put : m_outside)
        targets.push_back(put.remotePath);
    std::set<std::string> known = m_existingFolders;
    for (const auto& entry : m_record)
        for (const auto& level : Levels(FolderPart(remote(entry.first))))
            known.insert(level);
    for (const auto& raw : m_job.folders) {
        const std::string folder = app::WithTrailingSlash(raw);
        const bool needed = !m_recordText || std::any_of(targets.begin(), targets.end(),
                                                         [&](const std::string& t) { return IsUnder(t, folder); });
        if (!needed || known.count(folder) != 0)
            continue;
        for (const auto& level : Levels(folder))
            if (known.insert(level).second && !makeFolder(level))
                break;
    }
}

bool SyncRun::makeFolder(const std::string& folder)
{
    const std::string path = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
    Status s = onPrimary([&] { return m_primary.makeFolder(path); });
    if (s.ok() || KindOf(s) == RemoteErrorKind::AlreadyExists)
        return true;
    // The files meant for it then fail on their own, and are told.
    m_reporter.line("Cannot make the folder " + path + ": " + s.message());
    return false;
}

void SyncRun::cleanTemporaries()
{
    for (const auto& path : m_plan.cleanup) {
        Status s = m_primary.remove(remote(path));
        if (s.ok())
            m_reporter.line("Removed the temporary file " + path + " of an interrupted publish.");
    }
}

void SyncRun::sendChanged()
{
    m_report.unchanged = static_cast<int>(m_plan.unchanged.size());
    m_sendStarted = std::chrono::steady_clock::now();
    m_progress.filesToSend = static_cast<int>(m_plan.send.size() + m_outside.size());
    m_progress.bytesToSend = m_plan.bytesToSend;
    const std::size_t inside = m_plan.send.size();
    m_pool.run(
        inside + m_outside.size(),
        [&](RemoteFs& fs, std::size_t i) {
            return i < inside ? sendOne(fs, m_plan.send[i]) : sendOutside(fs, m_outside[i - inside]);
        },
        [&](std::size_t i, const Status& s) {
            const std::string name = i < inside ? m_plan.send[i].file.path : m_outside[i - inside].remotePath;
            std::lock_guard lock(m_mutex);
            ++m_report.failures;
            m_reporter.line("Failed: " + name + ": " + s.message());
        });
    (void)m_journal.sync();
}

Status SyncRun::sendOne(RemoteFs& fs, const PlannedSend& send)
{
    const std::string target = remote(send.file.path);
    std::uint64_t bytes = 0;
    Replaced replaced;
    Status s = send.replace ? ReplaceFile(fs, send.file.localPath, target, m_renames, bytes, replaced)
                            : fs.put(send.file.localPath, target, bytes);
    // A server that will not overwrite says the name is taken: the file is replaced instead.
    if (!send.replace && KindOf(s) == RemoteErrorKind::AlreadyExists)
        s = ReplaceFile(fs, send.file.localPath, target, m_renames, bytes, replaced);
    if (!replaced.temporaryLeft.ok()) {
        // Left behind, the temporary would stay until a run happens to list its folder: this run
        // fails, so that the next one does.
        std::lock_guard lock(m_mutex);
        ++m_report.failures;
        m_reporter.line("Cannot remove the temporary file of " + send.file.path + ": " +
                        replaced.temporaryLeft.message());
    }
    if (!s.ok())
        return s;
    std::lock_guard lock(m_mutex);
    (void)m_journal.append({false, send.file.path, send.file.digest});
    m_record[send.file.path] = send.file.digest;
    m_report.replacedInPlace += replaced.inPlace ? 1 : 0;
    confirmSent(send.file.path, bytes);
    return Status::OK();
}

Status SyncRun::sendOutside(RemoteFs& fs, const UploadPut& put)
{
    std::uint64_t bytes = 0;
    Status s = fs.put(put.localPath, put.remotePath, bytes);
    if (s.ok()) {
        std::lock_guard lock(m_mutex);
        confirmSent(put.remotePath, bytes);
    }
    return s;
}

void SyncRun::confirmSent(const std::string& name, std::uint64_t bytes)
{
    ++m_report.sent;
    m_report.bytes += bytes;
    m_progress.filesDone = m_report.sent;
    m_progress.bytesDone = m_report.bytes;
    m_progress.currentFile = name;
    m_progress.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_sendStarted).count();
    m_reporter.progress(m_progress);
}

} // namespace qle::publish
