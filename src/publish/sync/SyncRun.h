// One sync run, as RunSync carries it out: a short list of named phases over one destination.
// Internal to sync/: SyncRunner.cpp holds the run and its lock, ServerState.cpp reads the
// server's state and decides, SendPhase.cpp makes folders and sends, CommitPhase.cpp removes
// stale files and commits the record.
#pragma once

#include "publish/remote/RemoteError.h"
#include "publish/sync/ConnectionPool.h"
#include "publish/sync/DestinationLock.h"
#include "publish/sync/SafeReplace.h"
#include "publish/sync/SyncJournal.h"
#include "publish/sync/SyncPlan.h"
#include "publish/sync/SyncRunner.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qle::publish {

// Serialises the callbacks of the worker threads.
class SyncReporter
{
public:
    explicit SyncReporter(const SyncCallbacks& callbacks)
        : m_callbacks(callbacks)
    {
    }
    void line(const std::string& text);
    void progress(const SyncProgress& progress);

private:
    const SyncCallbacks& m_callbacks;
    std::mutex m_mutex;
};

// The folder part of a path, with its '/' ("a/b.htm" -> "a/"; "b.htm" -> "").
std::string FolderPart(const std::string& path);

// True for a path inside `folder` (with or without its trailing '/'), the folder itself excluded.
bool IsUnder(const std::string& path, const std::string& folder);

class SyncRun
{
public:
    SyncRun(const UploadJob& job, RemoteFs& primary, const RemoteFsFactory& more, const SyncSettings& settings,
            const SyncCallbacks& callbacks);

    SyncReport run();

private:
    // The phases, in the order run() takes them.
    bool lockDestination();
    bool readServerState();
    void printDryRun();
    void makeFolders();
    void cleanTemporaries();
    void sendChanged();
    void removeStale();
    void commitRecord();

    // ReadServerState's steps.
    void hashLocalFiles();
    bool readRecord();
    std::optional<std::string> serverRecord(const std::optional<std::string>& copy, bool& failed);
    void takeRecord(const std::string& text);
    bool applyJournal();
    bool listFolders(RemoteListing& listing);
    void decide(const RemoteListing* listing);

    // The other phases' steps.
    bool makeFolder(const std::string& folder);
    Status sendOne(RemoteFs& fs, const PlannedSend& send);
    Status sendOutside(RemoteFs& fs, const UploadPut& put);
    void confirmSent(const std::string& name, std::uint64_t bytes); // REQUIRES: m_mutex held
    Status removeOne(RemoteFs& fs, const std::string& path);
    bool isListed(RemoteFs& fs, const std::string& path);
    Status uploadRecord(const std::string& text);

    // A call on the primary connection, made once more on a new login when it failed for a
    // moment (the connection dropped, the server was busy).
    template <typename Call>
    auto onPrimary(const Call& call) -> decltype(call())
    {
        auto result = call();
        if (IsTransient(StatusOf(result)) && m_primary.connect().ok())
            result = call();
        return result;
    }
    static const Status& StatusOf(const Status& status) { return status; }
    template <typename T>
    static Status StatusOf(const Result<T>& result)
    {
        return result.status();
    }

    std::string remote(const std::string& path) const { return m_job.recordFolder + path; }

    const UploadJob& m_job;
    RemoteFs& m_primary;
    const SyncSettings& m_settings;
    const SyncCallbacks& m_callbacks;
    SyncReporter m_reporter;
    ConnectionPool m_pool;
    SyncJournal m_journal;
    std::optional<DestinationLock> m_lock;

    std::vector<LocalFile> m_files;
    std::vector<UploadPut> m_outside;
    bool m_rootMissing = false; // the site's folder does not exist yet
    std::optional<std::string> m_recordText;
    std::string m_recordSha;
    bool m_damaged = false; // a record without its valid trailer: nothing is deleted on its word
    int m_damagedLines = 0; // lines of an older record that were not understood
    bool m_resumed = false; // the journal of an interrupted run from the same record was applied
    std::set<std::string> m_existingFolders;
    PublishedRecord m_record; // what the server holds now, as far as this run knows
    SyncPlan m_plan;
    RenameSupport m_renames;

    std::mutex m_mutex; // guards m_record, m_report, m_progress and the journal during the parallel phases
    SyncReport m_report;
    SyncProgress m_progress;
    std::chrono::steady_clock::time_point m_sendStarted;
};

} // namespace qle::publish
