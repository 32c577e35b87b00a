// What a publish keeps on the local disk per destination (server, user, remote folder): a copy of
// the record the server holds, so that a publish need not download it, the journal of files
// confirmed by the server during a run, so that an interrupted run can be resumed, and the lock
// that lets one publish at a time use them.
#pragma once

#include "publish/sync/PublishedRecord.h"
#include "store/Status.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

struct JournalEntry
{
    bool removed = false; // a deletion; otherwise an upload of `digest`
    std::string path;     // relative to the record's folder
    FileDigest digest;
};

struct Journal
{
    std::string recordSha256; // the SHA-256 of the record text the journaled run started from
    std::vector<JournalEntry> entries;
};

// Journal text: "journal SHA256" then "+ SHA256 SIZE PATH" or "- PATH" per confirmed step. A torn
// last line (the program was killed while writing it) is dropped. Empty when there is no header.
std::optional<Journal> ParseJournal(std::string_view text);
std::string JournalLine(const JournalEntry& entry); // with its LF

// The record after the journaled steps.
PublishedRecord ApplyJournal(PublishedRecord record, const std::vector<JournalEntry>& entries);

// The files of one destination under `stateFolder` (created on first write).
class SyncJournal
{
public:
    SyncJournal(const std::string& stateFolder, const std::string& server, const std::string& userName,
                const std::string& remoteFolder);
    ~SyncJournal();
    SyncJournal(const SyncJournal&) = delete;
    SyncJournal& operator=(const SyncJournal&) = delete;

    // The destination's lock file (see DestinationLock); its folder is made when missing.
    Result<std::string> lockPath() const;

    // The local copy of the record; empty when there is none.
    std::optional<std::string> recordCopy() const;
    // Replaces the copy in one rename, once its bytes are on the disk.
    Status saveRecordCopy(const std::string& text);

    // The journal an interrupted run left; empty when there is none or it is unreadable.
    std::optional<Journal> load() const;

    // Starts a new journal for a run that starts from the record text with this SHA-256, or goes
    // on appending to the one left (keep = true).
    Status open(const std::string& recordSha256, bool keep);
    // Appends one confirmed step and hands it to the system at once, so that it survives the
    // program being killed. Safe to call from several threads.
    Status append(const JournalEntry& entry);
    // Puts the steps appended so far on the disk, so that they survive the system going down too.
    Status sync();
    // Removes the journal after a complete run.
    Status finish();

private:
    std::string m_folder;
    std::string m_recordPath;
    std::string m_journalPath;
    int m_fd = -1;
};

} // namespace qle::publish
