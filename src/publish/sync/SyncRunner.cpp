#include "publish/sync/SyncRunner.h"

#include "app/Paths.h"

#include "publish/sync/SyncRun.h"
#include "publish/sync/SyncText.h"

#include <ctime>
#include <unistd.h>

namespace qle::publish {

void SyncReporter::line(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (m_callbacks.output)
        m_callbacks.output(text);
}

void SyncReporter::progress(const SyncProgress& progress)
{
    std::lock_guard lock(m_mutex);
    if (m_callbacks.progress)
        m_callbacks.progress(progress);
}

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

SyncRun::SyncRun(const UploadJob& job, RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
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

SyncReport SyncRun::run()
{
    // The order is what keeps the live site whole: nothing is sent before the server's state is
    // known, nothing is deleted before every file arrived, and the record, which says what is
    // ours, is committed last.
    if (!lockDestination() || !readServerState())
        return m_report;
    if (m_settings.dryRun) {
        printDryRun();
        return m_report;
    }
    if (Status s = m_journal.open(m_recordSha, m_resumed); !s.ok())
        m_reporter.line(s.message()); // without a journal an interruption costs a full resend, nothing more
    makeFolders();
    cleanTemporaries();
    sendChanged();
    if (m_report.failures > 0) {
        m_reporter.line("Some files were not sent: nothing was deleted, and the next publish sends the rest.");
    } else {
        removeStale();
        commitRecord();
    }
    (void)m_journal.sync();
    m_report.connectionsUsed = m_pool.used();
    return m_report;
}

Result<DestinationLock> LockDestination(const SyncSettings& settings, const std::string& remoteFolder)
{
    auto path = SyncJournal(settings.stateFolder, settings.server, settings.userName, remoteFolder).lockPath();
    if (!path)
        return path.status();
    char started[16] = "";
    const std::time_t now = std::time(nullptr);
    std::strftime(started, sizeof started, "%H:%M:%S", std::localtime(&now));
    return DestinationLock::acquire(path.value(), settings.server + " (" + remoteFolder + ")",
                                    "started at " + std::string(started) + " by process " + std::to_string(::getpid()));
}

bool SyncRun::lockDestination()
{
    auto lock = LockDestination(m_settings, m_job.recordFolder);
    if (lock) {
        m_lock.emplace(std::move(lock.value()));
        return true;
    }
    m_reporter.line(lock.status().message());
    ++m_report.failures;
    return false;
}

void SyncRun::printDryRun()
{
    for (const auto& send : m_plan.send)
        m_reporter.line("would send: " + send.file.path);
    for (const auto& put : m_outside)
        m_reporter.line("would send: " + put.remotePath);
    for (const auto& path : m_plan.remove)
        m_reporter.line(
            (m_plan.removalsHeld ? "would keep (too many to delete without confirmation): " : "would delete: ") + path);
    for (const auto& path : m_plan.cleanup)
        m_reporter.line("would delete the temporary file: " + path);
    m_reporter.line("Dry run: " + std::to_string(m_plan.send.size() + m_outside.size()) + " to send (" +
                    std::to_string(m_plan.bytesToSend) + " bytes), " + std::to_string(m_plan.unchanged.size()) +
                    " unchanged, " + std::to_string(m_plan.removalsHeld ? 0 : m_plan.remove.size()) +
                    " to delete. Nothing was changed on the server.");
    m_report.unchanged = static_cast<int>(m_plan.unchanged.size());
    m_report.removalsHeld = m_plan.removalsHeld && !m_plan.remove.empty();
}

SyncReport RunSync(const UploadJob& job, RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
                   const SyncCallbacks& callbacks)
{
    return SyncRun(job, primary, more, settings, callbacks).run();
}

} // namespace qle::publish
