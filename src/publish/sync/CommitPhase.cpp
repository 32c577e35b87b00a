// RemoveStale and CommitRecord: what a run does once every file arrived.
#include "publish/sync/SyncRun.h"

#include "app/TextFiles.h"
#include "publish/sync/SyncText.h"

#include <algorithm>
#include <filesystem>

namespace qle::publish {

void SyncRun::removeStale()
{
    if (m_plan.remove.empty())
        return;
    if (m_plan.removalsHeld) {
        m_report.removalsHeld = true;
        m_report.removalsKept = m_plan.remove.size();
        m_reporter.line(DeletionsHeldLine(m_plan.remove.size(), m_record.size()));
        return;
    }
    m_pool.run(
        m_plan.remove.size(), [&](RemoteFs& fs, std::size_t i) { return removeOne(fs, m_plan.remove[i]); },
        [&](std::size_t i, const Status& s) {
            std::lock_guard lock(m_mutex);
            ++m_report.failures;
            m_reporter.line("Failed to remove " + m_plan.remove[i] + ": " + s.message());
        });
    (void)m_journal.sync();
}

Status SyncRun::removeOne(RemoteFs& fs, const std::string& path)
{
    Status s = fs.remove(remote(path));
    // Already gone (removed by hand): some FTP servers refuse that as they refuse a denial.
    if (!s.ok() && KindOf(s) == RemoteErrorKind::Refused && !isListed(fs, path))
        s = Status::OK();
    if (!s.ok() && KindOf(s) != RemoteErrorKind::NotFound)
        return s;
    std::lock_guard lock(m_mutex);
    (void)m_journal.append({true, path, {}});
    m_record.erase(path);
    ++m_report.removed;
    m_reporter.line("removed " + path);
    return Status::OK();
}

// True when the server lists the file, or when it cannot be told.
bool SyncRun::isListed(RemoteFs& fs, const std::string& path)
{
    auto entries = fs.list(remote(FolderPart(path)));
    if (!entries)
        return KindOf(entries.status()) != RemoteErrorKind::NotFound;
    const std::string name = path.substr(FolderPart(path).size());
    return std::any_of(entries->begin(), entries->end(),
                       [&name](const RemoteFs::Entry& entry) { return !entry.folder && entry.name == name; });
}

// The record goes last and whole: while it is old, the next run still knows what is ours; it is
// renamed into place, so it is never seen cut short.
void SyncRun::commitRecord()
{
    const std::string text = FormatRecord(m_record);
    if (m_recordText && text == *m_recordText) {
        (void)m_journal.finish();
        m_report.recordWritten = true;
        return;
    }
    (void)m_journal.sync(); // the steps survive even if the system goes down while the record goes up
    Status s = onPrimary([&] { return uploadRecord(text); });
    if (!s.ok()) {
        ++m_report.failures;
        m_reporter.line("Cannot upload the record of published files: " + s.message());
        return;
    }
    (void)m_journal.saveRecordCopy(text); // only a cache: a failure costs a download next time
    (void)m_journal.finish();
    m_report.recordWritten = true;
}

Status SyncRun::uploadRecord(const std::string& text)
{
    const std::string upload = m_settings.stateFolder + "record-upload.tmp";
    Status s = app::WriteOwnerOnlyFile(upload, text);
    std::uint64_t bytes = 0;
    Replaced replaced;
    if (s.ok())
        s = ReplaceFile(m_primary, upload, remote(kRecordFileName), m_renames, bytes, replaced);
    std::error_code ignored;
    std::filesystem::remove(upload, ignored);
    return s;
}

} // namespace qle::publish
