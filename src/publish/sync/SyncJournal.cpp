#include "publish/sync/SyncJournal.h"

#include "app/Sha256.h"
#include "app/TextFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace qle::publish {

namespace {

constexpr std::string_view kJournalHeader = "journal ";

} // namespace

std::string JournalLine(const JournalEntry& entry)
{
    return entry.removed ? "- " + entry.path + '\n' : "+ " + RecordLine(entry.path, entry.digest) + '\n';
}

std::optional<Journal> ParseJournal(std::string_view text)
{
    const auto firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos || text.substr(0, kJournalHeader.size()) != kJournalHeader)
        return std::nullopt;
    Journal journal;
    journal.recordSha256 = std::string(text.substr(kJournalHeader.size(), firstEnd - kJournalHeader.size()));
    text.remove_prefix(firstEnd + 1);
    // Only whole lines count: a line without its LF was cut short when the program was killed.
    std::size_t end;
    while ((end = text.find('\n')) != std::string_view::npos) {
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        JournalEntry entry;
        if (line.substr(0, 2) == "- " && IsRecordPath(line.substr(2))) {
            entry.removed = true;
            entry.path = std::string(line.substr(2));
        } else if (line.substr(0, 2) != "+ " || !ParseRecordLine(line.substr(2), entry.path, entry.digest)) {
            continue;
        }
        journal.entries.push_back(std::move(entry));
    }
    return journal;
}

PublishedRecord ApplyJournal(PublishedRecord record, const std::vector<JournalEntry>& entries)
{
    for (const JournalEntry& entry : entries) {
        if (entry.removed)
            record.erase(entry.path);
        else
            record[entry.path] = entry.digest;
    }
    return record;
}

SyncJournal::SyncJournal(const std::string& stateFolder, const std::string& server, const std::string& userName,
                         const std::string& remoteFolder)
    : m_folder(stateFolder)
{
    // One pair of files per destination; the name is a digest so that any server or folder text is safe.
    const std::string key = app::Sha256Hex(server + '\n' + userName + '\n' + remoteFolder).substr(0, 24);
    m_recordPath = m_folder + key + ".record";
    m_journalPath = m_folder + key + ".journal";
}

SyncJournal::~SyncJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<std::string> SyncJournal::lockPath() const
{
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec)
        return Status::IoError("Cannot make the folder " + m_folder + ": " + ec.message());
    return m_journalPath.substr(0, m_journalPath.size() - std::string_view(".journal").size()) + ".lock";
}

std::optional<std::string> SyncJournal::recordCopy() const
{
    return app::ReadWholeFile(m_recordPath);
}

Status SyncJournal::saveRecordCopy(const std::string& text)
{
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec)
        return Status::IoError("Cannot make the folder " + m_folder + ": " + ec.message());
    return app::WriteOwnerOnlyFileDurably(m_recordPath, text);
}

std::optional<Journal> SyncJournal::load() const
{
    const auto text = app::ReadWholeFile(m_journalPath);
    return text ? ParseJournal(*text) : std::nullopt;
}

Status SyncJournal::open(const std::string& recordSha256, bool keep)
{
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec)
        return Status::IoError("Cannot make the folder " + m_folder + ": " + ec.message());
    if (m_fd >= 0)
        ::close(m_fd);
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (keep ? 0 : O_TRUNC);
    m_fd = ::open(m_journalPath.c_str(), flags, 0600);
    if (m_fd < 0)
        return Status::IoError("Cannot write the journal " + m_journalPath + ": " + std::strerror(errno));
    if (keep)
        return Status::OK();
    const std::string header = std::string(kJournalHeader) + recordSha256 + '\n';
    if (::write(m_fd, header.data(), header.size()) != static_cast<ssize_t>(header.size()))
        return Status::IoError("Cannot write the journal " + m_journalPath + ": " + std::strerror(errno));
    return Status::OK();
}

Status SyncJournal::append(const JournalEntry& entry)
{
    // One write per line on an O_APPEND file: lines from several threads never interleave.
    const std::string line = JournalLine(entry);
    if (m_fd < 0 || ::write(m_fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        return Status::IoError("Cannot write the journal " + m_journalPath);
    return Status::OK();
}

Status SyncJournal::sync()
{
    if (m_fd >= 0 && ::fdatasync(m_fd) != 0)
        return Status::IoError("Cannot write the journal " + m_journalPath + ": " + std::strerror(errno));
    return Status::OK();
}

Status SyncJournal::finish()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (::unlink(m_journalPath.c_str()) != 0 && errno != ENOENT)
        return Status::IoError("Cannot remove the journal " + m_journalPath + ": " + std::strerror(errno));
    return Status::OK();
}

} // namespace qle::publish
