#include "app/Backups.h"

#include "app/Paths.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace qle::app {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLastSnapshotFile = "last-snapshot";
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
// counter SQLite keeps in the file's header.
std::string Fingerprint(const std::string& path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return {};
    char header[28] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(header, sizeof header);
    std::ostringstream text;
    text << info.st_size << ' ' << info.st_mtim.tv_sec << '.' << info.st_mtim.tv_nsec;
    for (int i = 24; i < 28; ++i)
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

} // namespace

std::string BackupFolder(const std::string& baseFolder, const std::string& sitePath)
{
    return WithTrailingSlash(baseFolder) + "Backups/" + SiteName(sitePath) + "/";
}

std::vector<std::string> BackupsToPrune(const std::vector<std::string>& names, std::time_t now)
{
    const std::string firstKeptDay = Stamp(now - static_cast<std::time_t>(kKeptDays - 1) * 24 * 60 * 60).substr(0, 10);
    std::set<std::string> days;
    std::vector<std::string> pruned;
    const std::vector<std::string> sorted = NewestFirst(names);
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::string day = sorted[i].substr(0, 10);
        const bool newestOfItsDay = days.insert(day).second;
        if (i < kKeptBackups || (newestOfItsDay && day >= firstKeptDay))
            continue;
        pruned.push_back(sorted[i]);
    }
    return pruned;
}

Result<std::string> TakeSnapshot(const std::string& sitePath, const std::string& baseFolder, std::time_t now)
{
    const std::string folder = BackupFolder(baseFolder, sitePath);
    const std::string fingerprint = Fingerprint(sitePath);
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

    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    std::string name = Stamp(now) + ".qls";
    for (int sequence = 2; fs::exists(fs::symlink_status(folder + name, ec)); ++sequence)
        name = Stamp(now) + "-" + std::to_string(sequence) + ".qls";
    if (Status s = db->backupTo(folder + name); !s.ok())
        return s;
    {
        std::ofstream last(folder + kLastSnapshotFile, std::ios::trunc);
        last << name << '\n' << fingerprint << '\n';
    }
    for (const std::string& old : BackupsToPrune(FilesIn(folder), now))
        fs::remove(folder + old, ec);
    return folder + name;
}

Result<std::vector<BackupInfo>> ListBackups(const std::string& sitePath, const std::string& baseFolder)
{
    const std::string folder = BackupFolder(baseFolder, sitePath);
    std::vector<BackupInfo> backups;
    for (const std::string& name : NewestFirst(FilesIn(folder))) {
        BackupInfo info;
        info.path = folder + name;
        info.name = name;
        info.when = name.substr(0, 10) + ' ' + name.substr(11, 2) + ':' + name.substr(14, 2) + ':' + name.substr(17, 2);
        info.pages = PageCount(info.path);
        backups.push_back(std::move(info));
    }
    return backups;
}

Status RestoreBackup(const std::string& sitePath, const std::string& backup, const std::string& baseFolder,
                     std::time_t now)
{
    const std::string source =
        backup.find('/') == std::string::npos ? BackupFolder(baseFolder, sitePath) + backup : backup;
    if (!fs::is_regular_file(source))
        return Status::NotFound("The backup " + source + " does not exist");
    // The state being replaced is itself kept first.
    if (auto current = TakeSnapshot(sitePath, baseFolder, now); !current)
        return current.status().withContext("The site was not restored");
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    return db->restoreFrom(source);
}

} // namespace qle::app
