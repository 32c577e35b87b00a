// ReadServerState: the local files, the record the server holds, the journal of an interrupted
// run, the server's listing where it is needed, and from them the plan.
#include "publish/sync/SyncRun.h"

#include "app/Paths.h"
#include "app/Sha256.h"
#include "publish/remote/RemoteListing.h"

namespace qle::publish {

namespace {

// The trailer of a record and a little more: the end of the record read to compare it with the copy.
constexpr std::uint64_t kRecordTail = 128;

} // namespace

bool SyncRun::readServerState()
{
    hashLocalFiles();
    if (!readRecord())
        return false;
    if (!m_recordText && !m_settings.dryRun)
        m_pool.openAhead(m_files.size() + m_outside.size()); // a first publish sends everything
    m_resumed = applyJournal();
    // The listing costs a round trip per folder: read only when the record cannot be relied on.
    const bool listed = !m_recordText || m_resumed || m_settings.verify || m_damaged || m_damagedLines > 0;
    RemoteListing listing;
    if (listed && !listFolders(listing))
        return false;
    if (m_settings.verify || m_damaged) {
        std::vector<std::string> changed;
        m_record = CheckedAgainstListing(m_record, listing, changed);
        for (const auto& path : changed)
            m_reporter.line("Changed on the server since the last publish, sent again: " + path);
    }
    decide(listed ? &listing : nullptr);
    return true;
}

void SyncRun::hashLocalFiles()
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

// False when the record cannot be read although the server may hold one: deciding without it
// could send everything or, worse, lose track of what is ours.
bool SyncRun::readRecord()
{
    const auto copy = m_journal.recordCopy();
    bool failed = false;
    m_recordText = serverRecord(copy, failed);
    if (failed)
        return false;
    if (m_recordText) {
        takeRecord(*m_recordText);
        if (!copy || *copy != *m_recordText)
            (void)m_journal.saveRecordCopy(*m_recordText); // only a cache: a failure costs a download
    }
    m_recordSha = app::Sha256Hex(m_recordText.value_or(std::string()));
    return true;
}

// The record the server holds: the local copy when the server's record ends in the same trailer
// (which stands for every byte before it), else the server's own, read whole. Nothing when the
// server holds none.
std::optional<std::string> SyncRun::serverRecord(const std::optional<std::string>& copy, bool& failed)
{
    const std::string path = remote(kRecordFileName);
    const auto whole = [](const std::string& text) {
        const ParsedRecord parsed = ParseRecord(text);
        return parsed.format == 2 && !parsed.damaged;
    };
    if (copy && whole(*copy)) {
        // Where the copy's trailer starts: a server record of another length is not the copy.
        const std::uint64_t from = copy->size() > kRecordTail ? copy->size() - kRecordTail : 0;
        auto tail = onPrimary([&] { return m_primary.fetchFrom(path, from); });
        if (tail && tail->size() == copy->size() - from && LastRecordLine(tail.value()) == LastRecordLine(*copy))
            return copy;
        if (!tail && KindOf(tail.status()) == RemoteErrorKind::NotFound)
            return std::nullopt;
    }
    auto fetched = onPrimary([&] { return m_primary.fetch(path); });
    if (fetched)
        return std::move(fetched.value());
    if (KindOf(fetched.status()) != RemoteErrorKind::NotFound) {
        m_reporter.line("Cannot read the record of published files " + path + ": " + fetched.status().message());
        ++m_report.failures;
        failed = true;
    }
    return std::nullopt;
}

void SyncRun::takeRecord(const std::string& text)
{
    ParsedRecord parsed = ParseRecord(text);
    m_record = std::move(parsed.files);
    m_damaged = parsed.format == 2 && parsed.damaged;
    m_damagedLines = parsed.format == 1 ? parsed.damagedLines : 0;
    if (m_damaged)
        m_reporter.line("The record of published files on the server is damaged (cut short or changed by hand): "
                        "its files are checked against the server, and nothing is deleted this time.");
    else if (m_damagedLines > 0)
        m_reporter.line("The record of published files on the server has " + std::to_string(m_damagedLines) +
                        " damaged lines; the files they named are checked and sent again.");
}

bool SyncRun::applyJournal()
{
    const auto journal = m_journal.load();
    if (!journal || journal->recordSha256 != m_recordSha)
        return false;
    m_record = ApplyJournal(std::move(m_record), journal->entries);
    m_reporter.line("Resuming the interrupted publish: " + std::to_string(journal->entries.size()) +
                    " steps were already done.");
    return true;
}

// The files of the site's folders on the server. False when a folder that exists cannot be
// listed: without its listing a file there could be overwritten in place.
bool SyncRun::listFolders(RemoteListing& listing)
{
    std::set<std::string> folders {""};
    for (const auto& file : m_files)
        folders.insert(FolderPart(file.path));
    for (const auto& entry : m_record)
        folders.insert(FolderPart(entry.first));
    // Parents sort before their sub-folders: a folder its parent's listing lacks is not asked
    // for, which spares a first publish a round trip or more per folder.
    for (const auto& folder : folders) {
        if (!folder.empty() && (m_rootMissing || m_existingFolders.count(remote(folder)) == 0))
            continue;
        auto entries = onPrimary([&] { return m_primary.list(remote(folder)); });
        if (!entries) {
            if (KindOf(entries.status()) == RemoteErrorKind::NotFound) {
                m_rootMissing = m_rootMissing || folder.empty();
                continue;
            }
            m_reporter.line("Cannot list " + remote(folder) + ": " + entries.status().message());
            ++m_report.failures;
            return false;
        }
        for (const auto& entry : entries.value()) {
            // Whatever the transport let through: a name must stay inside its folder.
            if (!IsSafeEntryName(entry.name) || !IsRecordPath(folder + entry.name))
                continue;
            if (entry.folder)
                m_existingFolders.insert(remote(folder + entry.name) + '/');
            else
                listing[folder + entry.name] = entry.size;
        }
    }
    return true;
}

void SyncRun::decide(const RemoteListing* listing)
{
    m_plan = PlanSync(m_files, m_record, listing, m_settings.options);
    if (m_damaged) {
        // A record cut short may lack files, and one changed by hand may name others' files:
        // its word deletes nothing. The files stay in the record, so a whole record can delete them.
        m_report.recordDamaged = true;
        m_report.removalsKept = m_plan.remove.size();
        m_plan.remove.clear();
        m_plan.removalsHeld = false;
    }
    if (m_plan.removalsHeld && !m_plan.remove.empty() && m_callbacks.confirmDeletes &&
        m_callbacks.confirmDeletes(m_plan.remove.size(), m_record.size()))
        m_plan.removalsHeld = false;
}

} // namespace qle::publish
