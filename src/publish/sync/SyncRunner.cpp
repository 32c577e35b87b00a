#include "publish/sync/SyncRunner.h"

#include "publish/sync/ConnectionPool.h"
#include "publish/sync/SyncJournal.h"
#include "publish/sync/SyncText.h"

#include "app/Paths.h"
#include "app/TextFiles.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>

namespace qle::publish {

namespace {

using Clock = std::chrono::steady_clock;

// Serialises the callbacks of the worker threads.
class Reporter
{
public:
    explicit Reporter(const SyncCallbacks& callbacks)
        : m_callbacks(callbacks)
    {
    }
    void line(const std::string& text)
    {
        std::lock_guard lock(m_mutex);
        if (m_callbacks.output)
            m_callbacks.output(text);
    }
    void progress(const SyncProgress& progress)
    {
        std::lock_guard lock(m_mutex);
        if (m_callbacks.progress)
            m_callbacks.progress(progress);
    }

private:
    const SyncCallbacks& m_callbacks;
    std::mutex m_mutex;
};

std::string FolderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsUnder(const std::string& path, const std::string& folder)
{
    const std::string prefix = app::WithTrailingSlash(folder);
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

class SyncRun
{
public:
    SyncRun(const UploadJob& job, RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
            const SyncCallbacks& callbacks)
        : m_job(job)
        , m_primary(primary)
        , m_settings(settings)
        , m_callbacks(callbacks)
        , m_reporter(callbacks)
        , m_pool(primary, more, settings.connections, [this](const std::string& line) { m_reporter.line(line); })
        , m_journal(settings.stateFolder, settings.server, settings.userName, job.recordFolder)
    {
    }

    SyncReport run()
    {
        hashLocalFiles();
        if (!readRecord())
            return m_report;
        if (!m_recordText && !m_settings.dryRun)
            m_pool.openAhead(m_files.size() + m_outside.size()); // a first publish sends everything
        const bool resumed = applyJournal();
        RemoteListing listing;
        const bool listed = !m_recordText || resumed || m_settings.verify || m_damaged;
        if (listed)
            listing = listFolders();
        if (m_settings.verify) {
            std::vector<std::string> changed;
            m_record = CheckedAgainstListing(m_record, listing, changed);
            for (const auto& path : changed)
                m_reporter.line("Changed on the server since the last publish, sent again: " + path);
        }
        m_plan = PlanSync(m_files, m_record, listed ? &listing : nullptr, m_settings.options);
        if (m_plan.removalsHeld && !m_plan.remove.empty() && m_callbacks.confirmDeletes &&
            m_callbacks.confirmDeletes(m_plan.remove.size(), m_record.size()))
            m_plan.removalsHeld = false;
        if (m_settings.dryRun) {
            printDryRun();
            return m_report;
        }

        if (Status s = m_journal.open(m_recordSha, resumed); !s.ok()) {
            // Without a journal an interruption costs a full resend, nothing more: go on.
            m_reporter.line(s.message());
        }
        makeFolders();
        cleanUp();
        sendFiles();
        m_report.unchanged = static_cast<int>(m_plan.unchanged.size());
        if (m_report.failures > 0) {
            m_reporter.line("Some files were not sent: nothing was deleted, and the next publish sends the rest.");
        } else {
            removeStale();
            writeRecord();
        }
        m_report.connectionsUsed = m_pool.used();
        return m_report;
    }

private:
    std::string remote(const std::string& path) const { return m_job.recordFolder + path; }

    void hashLocalFiles()
    {
        for (const UploadPut& put : m_job.puts) {
            auto digest = DigestFile(put.localPath);
            if (!digest) {
                m_reporter.line("Not sent: " + digest.status().message());
                ++m_report.failures;
                continue;
            }
            std::string path;
            if (IsUnder(put.remotePath, m_job.recordFolder))
                path = put.remotePath.substr(m_job.recordFolder.size());
            if (IsRecordPath(path) && path != kRecordFileName)
                m_files.push_back({put.localPath, path, std::move(digest.value())});
            else
                m_outside.push_back(put);
        }
    }

    // False when the record cannot be read although the server holds one: deciding without it
    // could send everything or, worse, lose track of what is ours.
    bool readRecord()
    {
        std::optional<std::uint64_t> serverSize;
        auto entries = m_primary.list(m_job.recordFolder);
        m_rootMissing = !entries && entries.status().code() == Status::Code::NotFound;
        if (entries) {
            m_rootListing = std::move(entries.value());
            for (const auto& entry : *m_rootListing)
                if (!entry.folder && entry.name == kRecordFileName)
                    serverSize = entry.size;
        }
        const auto copy = m_journal.recordCopy();
        if (copy && serverSize && *serverSize == copy->size()) {
            m_recordText = copy;
        } else if (m_rootMissing) {
            m_recordText.reset(); // no site folder yet: a first publish
        } else {
            // Some servers hide dot files from listings: fetch even when the record was not listed.
            auto fetched = m_primary.fetch(remote(kRecordFileName));
            if (fetched) {
                m_recordText = std::move(fetched.value());
            } else if (fetched.status().code() != Status::Code::NotFound) {
                m_reporter.line("Cannot read the record of published files " + remote(kRecordFileName) + ": " +
                                fetched.status().message());
                ++m_report.failures;
                return false;
            }
        }
        if (m_recordText) {
            ParsedRecord parsed = ParseRecord(*m_recordText);
            m_record = std::move(parsed.files);
            m_damaged = parsed.damagedLines > 0;
            if (m_damaged)
                m_reporter.line("The record of published files on the server has " +
                                std::to_string(parsed.damagedLines) +
                                " damaged lines; the files they named are checked and sent again.");
            if (!copy || *copy != *m_recordText)
                (void)m_journal.saveRecordCopy(*m_recordText); // only a cache: a failure costs a download
        }
        m_recordSha = Sha256Hex(m_recordText.value_or(std::string()));
        return true;
    }

    bool applyJournal()
    {
        const auto journal = m_journal.load();
        if (!journal || journal->recordSha256 != m_recordSha)
            return false;
        m_record = ApplyJournal(std::move(m_record), journal->entries);
        m_reporter.line("Resuming the interrupted publish: " + std::to_string(journal->entries.size()) +
                        " steps were already done.");
        return true;
    }

    RemoteListing listFolders()
    {
        std::set<std::string> folders {""};
        for (const auto& file : m_files)
            folders.insert(FolderPart(file.path));
        for (const auto& entry : m_record)
            folders.insert(FolderPart(entry.first));
        RemoteListing listing;
        // Parents sort before their sub-folders: a folder its parent's listing lacks is not asked
        // for, which spares a first publish a round trip or more per folder.
        for (const auto& folder : folders) {
            Result<std::vector<RemoteFs::Entry>> entries = std::vector<RemoteFs::Entry>();
            if (folder.empty() && m_rootListing)
                entries = *m_rootListing;
            else if (folder.empty() ? m_rootMissing : m_existingFolders.count(remote(folder)) == 0)
                continue;
            else
                entries = m_primary.list(remote(folder));
            if (!entries) {
                if (entries.status().code() != Status::Code::NotFound)
                    m_reporter.line("Cannot list " + remote(folder) + ": " + entries.status().message());
                continue;
            }
            for (const auto& entry : entries.value()) {
                if (entry.folder)
                    m_existingFolders.insert(remote(folder + entry.name) + '/');
                else
                    listing[folder + entry.name] = entry.size;
            }
        }
        return listing;
    }

    void printDryRun()
    {
        for (const auto& send : m_plan.send)
            m_reporter.line("would send: " + send.file.path);
        for (const auto& put : m_outside)
            m_reporter.line("would send: " + put.remotePath);
        for (const auto& path : m_plan.remove)
            m_reporter.line(
                (m_plan.removalsHeld ? "would keep (too many to delete without confirmation): " : "would delete: ") +
                path);
        for (const auto& path : m_plan.cleanup)
            m_reporter.line("would delete the temporary file: " + path);
        m_reporter.line("Dry run: " + std::to_string(m_plan.send.size() + m_outside.size()) + " to send (" +
                        std::to_string(m_plan.bytesToSend) + " bytes), " + std::to_string(m_plan.unchanged.size()) +
                        " unchanged, " + std::to_string(m_plan.removalsHeld ? 0 : m_plan.remove.size()) +
                        " to delete. Nothing was changed on the server.");
        m_report.unchanged = static_cast<int>(m_plan.unchanged.size());
        m_report.removalsHeld = m_plan.removalsHeld && !m_plan.remove.empty();
    }

    // Folders come before the files in them. Only folders that something is sent into and that
    // are not known to exist are made, so a republish spends no round trip on them.
    void makeFolders()
    {
        std::vector<std::string> targets;
        for (const auto& send : m_plan.send)
            targets.push_back(remote(send.file.path));
        for (const auto& put : m_outside)
            targets.push_back(put.remotePath);
        std::set<std::string> known = m_existingFolders;
        for (const auto& entry : m_record)
            for (std::string folder = FolderPart(remote(entry.first)); !folder.empty() && known.insert(folder).second;
                 folder = FolderPart(folder.substr(0, folder.size() - 1)))
                ;
        for (const auto& raw : m_job.folders) {
            const std::string folder = app::WithTrailingSlash(raw);
            if (known.count(folder) != 0)
                continue;
            const bool needed = !m_recordText || std::any_of(targets.begin(), targets.end(),
                                                             [&](const std::string& t) { return IsUnder(t, folder); });
            if (!needed)
                continue;
            Status s = m_primary.makeFolder(raw);
            if (!s.ok() && s.code() != Status::Code::InvalidArgument)
                m_reporter.line("Cannot make the folder " + raw + ": " + s.message());
            known.insert(folder);
        }
    }

    void cleanUp()
    {
        for (const auto& path : m_plan.cleanup) {
            Status s = m_primary.remove(remote(path));
            if (s.ok())
                m_reporter.line("Removed the temporary file " + path + " of an interrupted publish.");
        }
    }

    Status sendOne(RemoteFs& fs, const PlannedSend& send)
    {
        const std::string target = remote(send.file.path);
        std::uint64_t bytes = 0;
        if (send.replace) {
            // Visitors keep seeing the old page until the new one is complete.
            const std::string temporary = remote(TemporaryPathFor(send.file.path));
            Status s = fs.put(send.file.localPath, temporary, bytes);
            if (s.ok()) {
                s = fs.rename(temporary, target);
                // Servers on some systems rename only onto a free name: the old page goes first.
                if (!s.ok() && s.code() != Status::Code::Cancelled && fs.remove(target).ok())
                    s = fs.rename(temporary, target);
            }
            if (!s.ok()) {
                if (s.code() != Status::Code::NetworkError)
                    (void)fs.remove(temporary);
                return s;
            }
        } else if (Status s = fs.put(send.file.localPath, target, bytes); !s.ok()) {
            return s;
        }
        std::lock_guard lock(m_mutex);
        (void)m_journal.append({false, send.file.path, send.file.digest});
        m_record[send.file.path] = send.file.digest;
        confirmSent(send.file.path, bytes);
        return Status::OK();
    }

    // REQUIRES: m_mutex held.
    void confirmSent(const std::string& name, std::uint64_t bytes)
    {
        ++m_report.sent;
        m_report.bytes += bytes;
        m_progress.filesDone = m_report.sent;
        m_progress.bytesDone = m_report.bytes;
        m_progress.currentFile = name;
        m_progress.seconds = std::chrono::duration<double>(Clock::now() - m_sendStarted).count();
        m_reporter.progress(m_progress);
    }

    void sendFiles()
    {
        m_sendStarted = Clock::now();
        m_progress.filesToSend = static_cast<int>(m_plan.send.size() + m_outside.size());
        m_progress.bytesToSend = m_plan.bytesToSend;
        const std::size_t inside = m_plan.send.size();
        m_pool.run(
            inside + m_outside.size(),
            [&](RemoteFs& fs, std::size_t i) {
                if (i < inside)
                    return sendOne(fs, m_plan.send[i]);
                const UploadPut& put = m_outside[i - inside];
                std::uint64_t bytes = 0;
                Status s = fs.put(put.localPath, put.remotePath, bytes);
                if (s.ok()) {
                    std::lock_guard lock(m_mutex);
                    confirmSent(put.remotePath, bytes);
                }
                return s;
            },
            [&](std::size_t i, const Status& s) {
                const std::string name = i < inside ? m_plan.send[i].file.path : m_outside[i - inside].remotePath;
                std::lock_guard lock(m_mutex);
                ++m_report.failures;
                m_reporter.line("Failed: " + name + ": " + s.message());
            });
    }

    void removeStale()
    {
        if (m_plan.remove.empty())
            return;
        if (m_plan.removalsHeld) {
            m_report.removalsHeld = true;
            m_reporter.line(DeletionsHeldLine(m_plan.remove.size(), m_record.size()));
            return;
        }
        m_pool.run(
            m_plan.remove.size(),
            [&](RemoteFs& fs, std::size_t i) {
                const std::string& path = m_plan.remove[i];
                Status s = fs.remove(remote(path));
                if (!s.ok() && s.code() != Status::Code::NotFound && !isListed(fs, path))
                    s = Status::OK(); // already gone (removed by hand): FTP servers refuse that like a denial
                if (!s.ok() && s.code() != Status::Code::NotFound)
                    return s;
                std::lock_guard lock(m_mutex);
                (void)m_journal.append({true, path, {}});
                m_record.erase(path);
                ++m_report.removed;
                m_reporter.line("removed " + path);
                return Status::OK();
            },
            [&](std::size_t i, const Status& s) {
                std::lock_guard lock(m_mutex);
                ++m_report.failures;
                m_reporter.line("Failed to remove " + m_plan.remove[i] + ": " + s.message());
            });
    }

    // True when the server lists the file, or when it cannot be told.
    bool isListed(RemoteFs& fs, const std::string& path)
    {
        auto entries = fs.list(remote(FolderPart(path)));
        if (!entries)
            return entries.status().code() != Status::Code::NotFound;
        const std::string name = path.substr(FolderPart(path).size());
        return std::any_of(entries->begin(), entries->end(),
                           [&name](const RemoteFs::Entry& entry) { return !entry.folder && entry.name == name; });
    }

    // The record goes last: while it is missing or old, the next run still knows what is ours.
    void writeRecord()
    {
        const std::string text = FormatRecord(m_record);
        if (m_recordText && text == *m_recordText) {
            (void)m_journal.finish();
            m_report.recordWritten = true;
            return;
        }
        const std::string upload = m_settings.stateFolder + "record-upload.tmp";
        std::uint64_t bytes = 0;
        Status s = app::WriteOwnerOnlyFile(upload, text);
        if (s.ok())
            s = m_primary.put(upload, remote(kRecordFileName), bytes);
        std::error_code ignored;
        std::filesystem::remove(upload, ignored);
        if (!s.ok()) {
            ++m_report.failures;
            m_reporter.line("Cannot upload the record of published files: " + s.message());
            return;
        }
        (void)m_journal.saveRecordCopy(text); // only a cache: a failure costs a download next time
        (void)m_journal.finish();
        m_report.recordWritten = true;
    }

    const UploadJob& m_job;
    RemoteFs& m_primary;
    const SyncSettings& m_settings;
    const SyncCallbacks& m_callbacks;
    Reporter m_reporter;
    ConnectionPool m_pool;
    SyncJournal m_journal;

    std::vector<LocalFile> m_files;
    std::vector<UploadPut> m_outside;
    std::optional<std::vector<RemoteFs::Entry>> m_rootListing;
    bool m_rootMissing = false; // the site's folder does not exist yet
    std::optional<std::string> m_recordText;
    std::string m_recordSha;
    bool m_damaged = false;
    std::set<std::string> m_existingFolders;
    PublishedRecord m_record; // what the server holds now, as far as this run knows
    SyncPlan m_plan;

    std::mutex m_mutex; // guards m_record, m_report, m_progress and the journal during the parallel phases
    SyncReport m_report;
    SyncProgress m_progress;
    Clock::time_point m_sendStarted;
};

} // namespace

SyncReport RunSync(const UploadJob& job, RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
                   const SyncCallbacks& callbacks)
{
    return SyncRun(job, primary, more, settings, callbacks).run();
}

} // namespace qle::publish
