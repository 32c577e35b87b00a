#include "publish/sync/GitSync.h"

#include "app/Sha256.h"
#include "publish/sync/FileDigest.h"
#include "publish/sync/PublishedRecord.h"
#include "publish/sync/SyncPlan.h"
#include "publish/sync/SyncText.h"

#include <fstream>
#include <set>
#include <sstream>

namespace qle::publish {

namespace {

// A file of the site as the branch would hold it.
struct Prepared
{
    LocalFile file;       // path relative to the site's folder
    std::string treePath; // path in the branch's tree
    std::string blobId;
};

std::string TreePath(const std::string& remotePath)
{
    return remotePath.front() == '/' ? remotePath.substr(1) : remotePath;
}

Result<std::string> ReadLocal(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Status::IoError("Cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in.good() && !in.eof())
        return Status::IoError("Cannot read " + path);
    return bytes.str();
}

class GitRun
{
public:
    GitRun(const UploadJob& job, GitBranch& branch, const SyncSettings& settings, const SyncCallbacks& callbacks)
        : m_job(job)
        , m_branch(branch)
        , m_settings(settings)
        , m_callbacks(callbacks)
        , m_folder(TreePath(job.recordFolder))
    {
    }

    SyncReport run()
    {
        // One publish per destination: two at once would share the local repository and the journal.
        auto lock = LockDestination(m_settings, m_job.recordFolder);
        if (!lock)
            return failed(lock.status().message());
        if (!prepareFiles())
            return m_report;
        for (int attempt = 1; attempt <= kGitPublishTries; ++attempt) {
            if (Status s = m_branch.fetch(m_callbacks.output); !s.ok())
                return failed(s.message());
            if (!decide())
                return m_report;
            if (m_settings.dryRun) {
                printDryRun();
                return m_report;
            }
            if (m_write.empty() && m_remove.empty() && !m_recordChanged) {
                say("The branch " + m_branch.branchName() + " already holds this site: nothing to commit.");
                m_report.unchanged = m_unchanged;
                m_report.recordWritten = true;
                return m_report;
            }
            auto commit =
                m_branch.commit(m_write, m_remove, {{m_folder + kRecordFileName, m_recordText}},
                                CommitMessage(static_cast<int>(m_write.size()), static_cast<int>(m_remove.size())));
            if (!commit)
                return failed(commit.status().message());
            std::string why;
            switch (m_branch.push(commit.value(), why)) {
            case GitBranch::Pushed::Done:
                return published(commit.value());
            case GitBranch::Pushed::Moved:
                say("The branch " + m_branch.branchName() +
                    " moved while this publish was under way: building on its newest commit.");
                continue;
            case GitBranch::Pushed::Refused:
                return failed("The server refused the new commit on the branch " + m_branch.branchName() + ": " + why +
                              ". Nothing was published.");
            case GitBranch::Pushed::Failed:
                return failed(why + (why.ends_with('.') ? "" : ".") + " Nothing was published.");
            }
        }
        return failed("The branch " + m_branch.branchName() + " kept moving while this publish was under way (" +
                      std::to_string(kGitPublishTries) + " tries). Nothing was published; publish again.");
    }

private:
    void say(const std::string& line)
    {
        if (m_callbacks.output)
            m_callbacks.output(line);
    }

    SyncReport failed(const std::string& why)
    {
        say(why);
        m_report.sent = 0;
        m_report.removed = 0;
        m_report.bytes = 0;
        ++m_report.failures;
        return m_report;
    }

    // Sizes, SHA-256 (for the record) and blob ids (for the branch) of every file the script puts.
    bool prepareFiles()
    {
        for (const UploadPut& put : m_job.puts) {
            auto bytes = ReadLocal(put.localPath);
            if (!bytes) {
                say("Not sent: " + bytes.status().message());
                ++m_report.failures;
                continue;
            }
            Prepared prepared;
            prepared.treePath = TreePath(put.remotePath);
            prepared.blobId = GitBranch::BlobIdOf(bytes.value());
            prepared.file.localPath = put.localPath;
            prepared.file.digest = {bytes->size(), app::Sha256Hex(bytes.value())};
            const bool inside = put.remotePath.starts_with(m_job.recordFolder);
            prepared.file.path = inside ? put.remotePath.substr(m_job.recordFolder.size()) : std::string();
            if (inside && IsRecordPath(prepared.file.path) && prepared.file.path != kRecordFileName)
                m_files.push_back(std::move(prepared));
            else
                m_outside.push_back(std::move(prepared));
        }
        // A file that cannot be read would be removed as stale: publish nothing rather than that.
        if (m_report.failures > 0) {
            say("Some files of the site cannot be read: nothing was published.");
            return false;
        }
        return true;
    }

    // What the commit changes, from the record on the branch and the files the branch holds.
    bool decide()
    {
        m_write.clear();
        m_remove.clear();
        PublishedRecord record;
        auto recordText = m_branch.read(m_folder + kRecordFileName);
        if (recordText) {
            ParsedRecord parsed = ParseRecord(recordText.value());
            record = std::move(parsed.files);
            if (parsed.damagedLines > 0)
                say("The record of published files on the branch has " + std::to_string(parsed.damagedLines) +
                    " damaged lines; the files they named are kept.");
        } else if (recordText.status().code() != Status::Code::NotFound) {
            failed("Cannot read the record of published files: " + recordText.status().message());
            return false;
        }
        auto onBranch = m_branch.files(m_folder);
        if (!onBranch) {
            failed(onBranch.status().message());
            return false;
        }
        std::vector<LocalFile> files;
        for (const Prepared& p : m_files)
            files.push_back(p.file);
        SyncPlan plan = PlanSync(files, record, nullptr, m_settings.options);
        if (plan.removalsHeld && !plan.remove.empty() && m_callbacks.confirmDeletes &&
            m_callbacks.confirmDeletes(plan.remove.size(), record.size()))
            plan.removalsHeld = false;

        // Git knows each file's exact bytes: a file goes into the commit when its blob differs.
        PublishedRecord next;
        m_unchanged = 0;
        m_bytes = 0;
        for (const Prepared& p : m_files) {
            const auto held = onBranch->find(p.file.path);
            if (held != onBranch->end() && held->second.id == p.blobId) {
                ++m_unchanged;
            } else {
                m_write[p.treePath] = p.file.localPath;
                m_bytes += p.file.digest.size;
            }
            next[p.file.path] = p.file.digest;
        }
        if (!m_outside.empty()) {
            // Files the script puts outside the site's folder are compared with the whole tree.
            auto whole = m_branch.files("");
            if (!whole) {
                failed(whole.status().message());
                return false;
            }
            for (const Prepared& p : m_outside) {
                const auto held = whole->find(p.treePath);
                if (held != whole->end() && held->second.id == p.blobId)
                    ++m_unchanged;
                else
                    m_write[p.treePath] = p.file.localPath;
            }
        }
        m_held.clear();
        m_removalsHeld = plan.removalsHeld && !plan.remove.empty();
        for (const std::string& path : plan.remove) {
            if (m_removalsHeld) {
                next[path] = record.at(path); // still ours, still there
                m_held.push_back(m_folder + path);
            } else if (onBranch->count(path) != 0) {
                m_remove.push_back(m_folder + path);
            }
        }
        m_recorded = record.size();
        m_recordText = FormatRecord(next);
        m_recordChanged = !recordText || recordText.value() != m_recordText;
        return true;
    }

    void printDryRun()
    {
        for (const auto& [path, local] : m_write)
            say("would commit: " + path);
        for (const auto& path : m_remove)
            say("would remove: " + path);
        for (const auto& path : m_held)
            say("would keep (too many to delete without confirmation): " + path);
        say("Dry run: " + std::to_string(m_write.size()) + " to commit, " + std::to_string(m_unchanged) +
            " unchanged, " + std::to_string(m_remove.size()) + " to remove on the branch " + m_branch.branchName() +
            ". Nothing was changed on the server.");
        m_report.unchanged = m_unchanged;
        m_report.removalsHeld = m_removalsHeld;
    }

    SyncReport published(const std::string& commit)
    {
        if (m_removalsHeld)
            say(DeletionsHeldLine(m_held.size(), m_recorded));
        for (const auto& path : m_remove)
            say("removed " + path);
        say("Pushed " + commit.substr(0, 12) + " to the branch " + m_branch.branchName() + ": " +
            CommitMessage(static_cast<int>(m_write.size()), static_cast<int>(m_remove.size())) + ".");
        m_report.sent = static_cast<int>(m_write.size());
        m_report.removed = static_cast<int>(m_remove.size());
        m_report.unchanged = m_unchanged;
        m_report.bytes = m_bytes;
        m_report.removalsHeld = m_removalsHeld;
        m_report.recordWritten = true;
        m_report.connectionsUsed = 1;
        return m_report;
    }

    const UploadJob& m_job;
    GitBranch& m_branch;
    const SyncSettings& m_settings;
    const SyncCallbacks& m_callbacks;
    const std::string m_folder; // the site's folder in the branch's tree: "" or "a/b/"

    std::vector<Prepared> m_files;              // inside the site's folder, recorded
    std::vector<Prepared> m_outside;            // elsewhere in the branch, never recorded
    std::map<std::string, std::string> m_write; // tree path -> local file
    std::vector<std::string> m_remove;          // tree paths
    std::vector<std::string> m_held;            // tree paths the deletion guard keeps
    std::size_t m_recorded = 0;                 // files the record on the branch lists
    std::string m_recordText;
    bool m_recordChanged = false;
    bool m_removalsHeld = false;
    int m_unchanged = 0;
    std::uint64_t m_bytes = 0;
    SyncReport m_report;
};

} // namespace

std::string CommitMessage(int sent, int removed)
{
    return "Published " + std::to_string(sent) + (sent == 1 ? " page" : " pages") + ", removed " +
           std::to_string(removed);
}

SyncReport RunGitSync(const UploadJob& job, GitBranch& branch, const SyncSettings& settings,
                      const SyncCallbacks& callbacks)
{
    return GitRun(job, branch, settings, callbacks).run();
}

} // namespace qle::publish
