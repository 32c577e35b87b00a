#include "app/Backups.h"

#include "app/Durable.h"
#include "app/Paths.h"
#include "app/TextFiles.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace qle::app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLastSnapshotFile = "last-snapshot";
// The backups found whole, each with its size and time, so that each is checked once, not at
// every snapshot: "name<TAB>size mtime" lines.
constexpr const char* kCheckedFile = "checked";
// A snapshot is written under ".<name>.partial" and renamed when whole; one left this long by a
// killed program is removed.
constexpr const char* kPartialEnding = ".partial";
constexpr std::time_t kStalePartialSeconds = 60 * 60;
constexpr std::size_t kStampLength = 19; // "2026-12-06_14-05-09"

std::string Stamp(std::time_t now)
{
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", &local);
    return text;
}

bool IsDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "2026-12-06_14-05-09.qls" or, for a second snapshot in the same second, "..._14-05-09-2.qls".
struct BackupName
{
    std::string stamp;
    int sequence = 1;
};

bool ParseBackupName(const std::string& name, BackupName& parsed)
{
    if (name.size() < kStampLength + 4 || name.compare(name.size() - 4, 4, ".qls") != 0)
        return false;
    const std::string stamp = name.substr(0, kStampLength);
    static const char kShape[] = "dddd-dd-dd_dd-dd-dd";
    for (std::size_t i = 0; i < kStampLength; ++i)
        if (kShape[i] == 'd' ? !(stamp[i] >= '0' && stamp[i] <= '9') : stamp[i] != kShape[i])
            return false;
    const std::string rest = name.substr(kStampLength, name.size() - 4 - kStampLength);
    parsed.stamp = stamp;
    parsed.sequence = 1;
    if (rest.empty())
        return true;
    if (rest[0] != '-' || !IsDigits(rest.substr(1)) || rest.size() > 6)
        return false;
    parsed.sequence = std::stoi(rest.substr(1));
    return true;
}

// The names that are backups, newest first.
std::vector<std::string> NewestFirst(const std::vector<std::string>& names)
{
    std::vector<std::pair<BackupName, std::string>> backups;
    for (const std::string& name : names) {
        BackupName parsed;
        if (ParseBackupName(name, parsed))
            backups.emplace_back(parsed, name);
    }
    std::sort(backups.begin(), backups.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.stamp, a.first.sequence) > std::tie(b.first.stamp, b.first.sequence);
    });
    std::vector<std::string> sorted;
    for (auto& backup : backups)
        sorted.push_back(std::move(backup.second));
    return sorted;
}

// What changes whenever the file is written: its size, its modification time and the change
// counter SQLite keeps in the file's header (read through `db`: opening the file again would drop
// the locks this program holds on it).
std::string Fingerprint(const std::string& path, const store::Database& db)
{
    struct stat info
    {
    };
    const std::string header = db.fileHeader();
    if (::stat(path.c_str(), &info) != 0 || header.size() < 28)
        return {};
    std::ostringstream text;
    text << info.st_size << ' ' << info.st_mtim.tv_sec << '.' << info.st_mtim.tv_nsec;
    for (std::size_t i = 24; i < 28; ++i)
        text << ' ' << static_cast<int>(static_cast<unsigned char>(header[i]));
    return text.str();
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec))
            names.push_back(entry.path().filename().string());
    return names;
}

// Why the backup cannot be restored, or empty text when it can: it must open as a database, pass
// SQLite's check (`PRAGMA integrity_check` when `thorough`, else the quicker `quick_check`) and hold
// a site's tables.
std::string Damage(const std::string& backup, bool thorough)
{
    auto db = store::Database::open(backup);
    if (!db)
        return db.status().message();
    auto check = db->query(thorough ? "PRAGMA integrity_check" : "PRAGMA quick_check");
    if (!check)
        return check.status().message();
    if (check->eof() || store::TextOf(check->field(0)) != "ok")
        return "the database is damaged (" +
               (check->eof() ? std::string("no answer") : store::TextOf(check->field(0))) + ")";
    auto tables = db->query("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                            "(name = 'Articles' COLLATE NOCASE OR name = 'Options' COLLATE NOCASE)");
    if (!tables || tables->eof() || store::TextOf(tables->field(0)) != "2")
        return "it holds no site (no Articles or no Options table)";
    return {};
}

int PageCount(const std::string& backup)
{
    auto db = store::Database::open(backup);
    if (!db)
        return -1;
    auto rs = db->query("select count(*) from Articles");
    if (!rs || rs->eof())
        return -1;
    return std::stoi(store::TextOf(rs->field(0)));
}

// A file's size and modification time: what changes when anything writes it.
std::string Identity(const std::string& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    return std::to_string(info.st_size) + ' ' + std::to_string(info.st_mtim.tv_sec) + '.' +
           std::to_string(info.st_mtim.tv_nsec);
}

// The backups of a folder known to be whole, by name, with their identity when found so.
class CheckedBackups
{
public:
    explicit CheckedBackups(std::string folder)
        : m_folder(std::move(folder))
    {
        std::ifstream in(m_folder + kCheckedFile);
        std::string line;
        while (std::getline(in, line))
            if (const auto tab = line.find('\t'); tab != std::string::npos)
                m_whole[line.substr(0, tab)] = line.substr(tab + 1);
    }

    // Why the backup cannot be restored (see Damage), checked only when it is new or was changed.
    std::string damage(const std::string& name)
    {
        const std::string identity = Identity(m_folder + name);
        if (!identity.empty() && m_whole[name] == identity)
            return {};
        std::string found = Damage(m_folder + name, false);
        m_whole[name] = found.empty() ? identity : std::string();
        return found;
    }
    // A backup this program has just written whole.
    void add(const std::string& name) { m_whole[name] = Identity(m_folder + name); }

    // Keeps what is known of the backups still there.
    void save(const std::vector<std::string>& names) const
    {
        std::string text;
        for (const std::string& name : names)
            if (const auto it = m_whole.find(name); it != m_whole.end() && !it->second.empty())
                text += name + '\t' + it->second + '\n';
        (void)WriteOwnerOnlyFile(m_folder + kCheckedFile, text); // without it, backups are checked again
    }

private:
    std::string m_folder;
    std::map<std::string, std::string> m_whole;
};

// Removes what killed snapshots left behind; one still being written is younger.
void RemoveStalePartials(const std::string& folder)
{
    const std::time_t now = std::time(nullptr);
    std::error_code ec;
    for (const std::string& name : FilesIn(folder)) {
        struct stat info
        {
        };
        if (name.size() > 1 && name[0] == '.' && name.ends_with(kPartialEnding) &&
            ::lstat((folder + name).c_str(), &info) == 0 && now - info.st_mtime > kStalePartialSeconds)
            fs::remove(folder + name, ec);
    }
}

// Removes the backups that fall out of those kept once `coming` (a backup about to be written, or
// none) is among them.
void Prune(const std::string& folder, CheckedBackups& checked, std::time_t now, const std::string& coming = {})
{
    std::vector<std::string> names = FilesIn(folder);
    std::set<std::string> damaged;
    for (const std::string& backup : NewestFirst(names))
        if (!checked.damage(backup).empty())
            damaged.insert(backup);
    if (!coming.empty())
        names.push_back(coming);
    std::error_code ec;
    for (const std::string& old : BackupsToPrune(names, now, damaged))
        fs::remove(folder + old, ec);
}

// Writes the snapshot under a temporary name, makes it durable and only then gives it the backup
// name `name` (or the next free one), so that no backup name ever holds a cut copy. Returns the
// name it got.
Result<std::string> WriteSnapshot(store::Database& db, const std::string& folder, std::string name,
                                  const std::string& stamp)
{
    const std::string partial = folder + "." + name + kPartialEnding;
    Status status = db.backupTo(partial);
    if (status.ok())
        status = SyncPath(partial);
    for (int sequence = 2; status.ok(); ++sequence) {
        // RENAME_NOREPLACE: a snapshot another program took in the same second keeps its name.
        if (::renameat2(AT_FDCWD, partial.c_str(), AT_FDCWD, (folder + name).c_str(), RENAME_NOREPLACE) == 0)
            return name;
        if (errno != EEXIST)
            status = Status::IoError("Cannot name the backup " + folder + name + ": " + std::strerror(errno));
        name = stamp + "-" + std::to_string(sequence) + ".qls";
    }
    std::error_code ec;
    fs::remove(partial, ec);
    return status;
}

} // namespace

std::string BackupFolder(const std::string& baseFolder, const std::string& sitePath)
{
    return WithTrailingSlash(baseFolder) + "Backups/" + SiteName(sitePath) + "/";
}

std::vector<std::string> BackupsToPrune(const std::vector<std::string>& names, std::time_t now,
                                        const std::set<std::string>& damaged)
{
    const std::string firstKeptDay = Stamp(now - static_cast<std::time_t>(kKeptDays - 1) * 24 * 60 * 60).substr(0, 10);
    std::set<std::string> days;
    std::vector<std::string> pruned;
    std::size_t kept = 0;
    for (const std::string& name : NewestFirst(names)) {
        // A damaged backup is kept only while it is newer than every whole one pruned.
        if (damaged.contains(name)) {
            if (!pruned.empty())
                pruned.push_back(name);
            continue;
        }
        const std::string day = name.substr(0, 10);
        const bool newestOfItsDay = days.insert(day).second;
        if (kept < kKeptBackups || (newestOfItsDay && day >= firstKeptDay)) {
            ++kept;
            continue;
        }
        pruned.push_back(name);
    }
    return pruned;
}

Result<std::string> TakeSnapshot(const std::string& sitePath, const std::string& baseFolder, std::time_t now)
{
    const std::string folder = BackupFolder(baseFolder, sitePath);
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    const std::string fingerprint = Fingerprint(sitePath, *db);
    {
        std::ifstream last(folder + kLastSnapshotFile);
        std::string name;
        std::string recorded;
        if (std::getline(last, name) && std::getline(last, recorded) && recorded == fingerprint &&
            !fingerprint.empty() && fs::is_regular_file(folder + name))
            return std::string();
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return Status::IoError("Cannot make the backup folder " + folder + ": " + ec.message());
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);

    RemoveStalePartials(folder);
    std::string name = Stamp(now) + ".qls";
    for (int sequence = 2; fs::exists(fs::symlink_status(folder + name, ec)); ++sequence)
        name = Stamp(now) + "-" + std::to_string(sequence) + ".qls";
    // Room first: the backups the new one pushes out of those kept go before it is written, so
    // that a disk with no room for one more copy of a large site still takes it. A copy that then
    // fails has cost only those: the next attempt finds the room made.
    CheckedBackups checked(folder);
    Prune(folder, checked, now, name);
    auto written = WriteSnapshot(*db, folder, name, Stamp(now));
    if (!written) {
        checked.save(NewestFirst(FilesIn(folder)));
        return written.status();
    }
    name = written.value();
    if (Status s = SyncPath(folder); !s.ok())
        return s;
    {
        std::ofstream last(folder + kLastSnapshotFile, std::ios::trunc);
        last << name << '\n' << fingerprint << '\n';
    }
    checked.add(name);
    Prune(folder, checked, now); // another program's snapshot may have come meanwhile
    checked.save(NewestFirst(FilesIn(folder)));
    return folder + name;
}

Result<std::string> TakeSnapshotBeside(const std::string& sitePath, const std::string& baseFolder, std::time_t now,
                                       const std::function<void()>& work)
{
    Result<std::string> snapshot = std::string();
    {
        // Joined when the block ends, whatever `work` does.
        std::jthread snapshotting([&] {
            try {
                snapshot = TakeSnapshot(sitePath, baseFolder, now);
            } catch (const std::exception& e) {
                snapshot = Status::IoError("Cannot take a snapshot of " + sitePath + ": " + e.what());
            }
        });
        work();
    }
    return snapshot;
}

std::string BackupContents(const BackupInfo& backup)
{
    return backup.damage.empty() ? std::to_string(backup.pages) + " pages" : "damaged: " + backup.damage;
}

Result<std::vector<BackupInfo>> ListBackups(const std::string& sitePath, const std::string& baseFolder)
{
    const std::string folder = BackupFolder(baseFolder, sitePath);
    CheckedBackups checked(folder);
    std::vector<BackupInfo> backups;
    const std::vector<std::string> names = NewestFirst(FilesIn(folder));
    for (const std::string& name : names) {
        BackupInfo info;
        info.path = folder + name;
        info.name = name;
        info.when = name.substr(0, 10) + ' ' + name.substr(11, 2) + ':' + name.substr(14, 2) + ':' + name.substr(17, 2);
        info.damage = checked.damage(name);
        if (info.damage.empty() && (info.pages = PageCount(info.path)) < 0)
            info.damage = "its pages cannot be counted";
        backups.push_back(std::move(info));
    }
    if (!names.empty())
        checked.save(names);
    return backups;
}

Status RestoreBackup(const std::string& sitePath, const std::string& backup, const std::string& baseFolder,
                     std::time_t now)
{
    const std::string source =
        backup.find('/') == std::string::npos ? BackupFolder(baseFolder, sitePath) + backup : backup;
    if (!fs::is_regular_file(source))
        return Status::NotFound("The backup " + source + " does not exist");
    // A damaged copy put over the site would ruin it: only a whole site is restored.
    if (const std::string damage = Damage(source, true); !damage.empty())
        return Status::InvalidArgument("The backup " + source + " cannot be restored: " + damage +
                                       ". The site was not changed.");
    // The state being replaced is itself kept first.
    if (auto current = TakeSnapshot(sitePath, baseFolder, now); !current)
        return current.status().withContext("The site was not restored");
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    return db->restoreFrom(source);
}

} // namespace qle::app
