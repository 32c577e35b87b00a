#include "publish/sync/SyncText.h"

#include <cinttypes>
#include <cstdio>

namespace qle::publish {

namespace {

std::string Plural(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

// What the counts alone do not tell: files kept or sent otherwise than asked, and why.
std::string Caveats(const SyncReport& report)
{
    std::string text;
    if (report.removalsHeld)
        text += "; " + Plural(report.removalsKept, "stale file", "stale files") +
                " kept on the server: deleting so many needs your confirmation (--allow-deletes)";
    if (report.recordDamaged)
        text += "; the record of published files on the server was damaged, so nothing was deleted";
    if (report.replacedInPlace > 0)
        text += "; " + Plural(static_cast<std::uint64_t>(report.replacedInPlace), "file", "files") +
                " replaced in place: the server allows no renames";
    return text;
}

} // namespace

std::string SyncSummaryLine(const SyncReport& report, double seconds)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    return Plural(static_cast<std::uint64_t>(report.sent), "file", "files") + " sent, " +
           std::to_string(report.unchanged) + " unchanged, " + std::to_string(report.removed) + " removed, " +
           Plural(static_cast<std::uint64_t>(report.failures), "failure", "failures") + ", " +
           Plural(report.bytes, "byte", "bytes") + ", " + time + " seconds" + Caveats(report);
}

std::string ProgressLine(const SyncProgress& progress)
{
    std::string line = "Sent " + std::to_string(progress.filesDone) + " of " + std::to_string(progress.filesToSend) +
                       " files, " + std::to_string(progress.bytesDone) + " of " + std::to_string(progress.bytesToSend) +
                       " bytes";
    if (progress.seconds > 0.05 && progress.bytesDone > 0) {
        const double rate = static_cast<double>(progress.bytesDone) / progress.seconds;
        const double left =
            static_cast<double>(progress.bytesToSend - std::min(progress.bytesDone, progress.bytesToSend)) / rate;
        char text[64];
        std::snprintf(text, sizeof text, ", %.0f KB/s, about %.0f s left", rate / 1024, left);
        line += text;
    }
    return line + ": " + progress.currentFile;
}

namespace {
constexpr std::string_view kDeletionsHeld = "Not deleted: ";
}

std::string DeletionsHeldLine(std::size_t toDelete, std::size_t recorded)
{
    return std::string(kDeletionsHeld) + std::to_string(toDelete) + " of the " + std::to_string(recorded) +
           " published files are no longer part of the site. Deleting so many needs your confirmation "
           "(--allow-deletes).";
}

bool IsDeletionsHeldLine(std::string_view line)
{
    return line.substr(0, kDeletionsHeld.size()) == kDeletionsHeld;
}

std::optional<SyncProgress> ParseProgressLine(std::string_view line)
{
    const std::string text(line);
    SyncProgress progress;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "Sent %d of %d files, %" SCNu64 " of %" SCNu64 " bytes%n", &progress.filesDone,
                    &progress.filesToSend, &done, &total, &consumed) != 4)
        return std::nullopt;
    const auto colon = text.find(": ", static_cast<std::size_t>(consumed));
    if (colon == std::string::npos)
        return std::nullopt;
    progress.bytesDone = done;
    progress.bytesToSend = total;
    progress.currentFile = text.substr(colon + 2);
    return progress;
}

} // namespace qle::publish
