#include "publish/sync/SyncPlan.h"

#include "publish/script/FtpScript.h"

#include <set>

namespace qle::publish {

namespace {

constexpr std::string_view kTemporaryPrefix = ".quillon-part.";

std::string_view FileNamePart(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string TemporaryPathFor(std::string_view path)
{
    const auto slash = path.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
    return std::string(folder) + std::string(kTemporaryPrefix) + std::string(FileNamePart(path));
}

bool IsTemporaryName(std::string_view fileName)
{
    return fileName.size() > kTemporaryPrefix.size() && fileName.substr(0, kTemporaryPrefix.size()) == kTemporaryPrefix;
}

bool DeletionNeedsConfirmation(std::size_t toDelete, std::size_t recorded)
{
    return toDelete > 20 && toDelete * 2 > recorded;
}

SyncPlan PlanSync(const std::vector<LocalFile>& files, const PublishedRecord& record, const RemoteListing* listing,
                  const SyncOptions& options)
{
    // The last file given for a path wins, kept at the place it was first given.
    std::vector<const LocalFile*> unique;
    std::map<std::string_view, std::size_t> slot;
    for (const LocalFile& file : files) {
        const auto [it, inserted] = slot.emplace(file.path, unique.size());
        if (inserted)
            unique.push_back(&file);
        else
            unique[it->second] = &file;
    }

    // Names in any letter case: a server that ignores case holds "Photo.JPG" for "photo.jpg".
    std::set<std::string> putAnyCase;
    for (const LocalFile* file : unique)
        putAnyCase.insert(AsciiLowerCase(file->path));
    std::set<std::string> onServerAnyCase;
    for (const auto& entry : record)
        onServerAnyCase.insert(AsciiLowerCase(entry.first));
    if (listing)
        for (const auto& entry : *listing)
            onServerAnyCase.insert(AsciiLowerCase(entry.first));

    SyncPlan plan;
    for (const LocalFile* file : unique) {
        const auto recorded = record.find(file->path);
        if (!options.sendAll && recorded != record.end() && recorded->second == file->digest) {
            plan.unchanged.push_back(*file);
            continue;
        }
        plan.send.push_back({*file, onServerAnyCase.count(AsciiLowerCase(file->path)) != 0});
        plan.bytesToSend += file->digest.size;
    }
    for (const auto& entry : record) {
        if (slot.count(entry.first) != 0)
            continue;
        (putAnyCase.count(AsciiLowerCase(entry.first)) != 0 ? plan.keptForCase : plan.remove).push_back(entry.first);
    }
    plan.removalsHeld = !options.allowMassDeletes && DeletionNeedsConfirmation(plan.remove.size(), record.size());
    if (listing)
        for (const auto& entry : *listing)
            if (IsTemporaryName(FileNamePart(entry.first)))
                plan.cleanup.push_back(entry.first);
    return plan;
}

PublishedRecord CheckedAgainstListing(const PublishedRecord& record, const RemoteListing& listing,
                                      std::vector<std::string>& changed)
{
    PublishedRecord checked;
    for (const auto& [path, digest] : record) {
        const auto listed = listing.find(path);
        if (listed == listing.end() || (listed->second && *listed->second != digest.size))
            changed.push_back(path);
        else
            checked.emplace(path, digest);
    }
    return checked;
}

} // namespace qle::publish
