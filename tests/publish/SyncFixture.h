// A web folder on disk and a web space in memory for the sync tests: the job an upload script of
// that folder gives, one publish at a time, and what a visitor then finds on the server.
#pragma once

#include "publish/sync/SyncRunner.h"

#include "FakeRemoteFs.h"
#include "SiteFixture.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace qle::test {

inline const std::string kSite = "/www/site/";

class SyncFixture : public ::testing::Test
{
protected:
    SyncFixture()
    {
        for (int i = 1; i <= 6; ++i)
            writePage("articles/art-" + std::to_string(i) + ".htm", "article " + std::to_string(i));
        writePage("categories/cat-news.htm", "news");
        writePage("categories/cat-sport.htm", "sport");
        writePage("index.htm", "front");
        settings.stateFolder = dir / "state/";
        settings.server = "127.0.0.1:21";
        settings.userName = "jo";
    }

    void writePage(const std::string& path, const std::string& bytes)
    {
        std::filesystem::create_directories(std::filesystem::path(web + path).parent_path());
        WriteFile(web + path, bytes);
    }
    void removePage(const std::string& path) { std::filesystem::remove(web + path); }

    // The job an upload script of the web folder gives: every file, folders first.
    publish::UploadJob job() const
    {
        publish::UploadJob job;
        job.recordFolder = kSite;
        job.folders = {"/www",
                       "/www/site",
                       "/www/site/categories",
                       "/www/site/sections",
                       "/www/site/articles",
                       "/www/site/images"};
        for (const auto& [path, bytes] : FilesUnder(web))
            job.puts.push_back({web + path, kSite + path});
        return job;
    }

    publish::SyncReport publish()
    {
        output.clear();
        server.log.clear();
        FakeRemoteFs primary(server);
        publish::SyncCallbacks callbacks;
        callbacks.output = [this](const std::string& line) { output += line + "\n"; };
        callbacks.confirmDeletes = confirmDeletes;
        callbacks.progress = [this](const publish::SyncProgress& p) { lastProgress = p; };
        const publish::RemoteFsFactory more = [this] { return std::make_unique<FakeRemoteFs>(server); };
        if (!primary.connect().ok()) {
            publish::SyncReport refused;
            refused.failures = 1;
            return refused;
        }
        return publish::RunSync(job(), primary, more, settings, callbacks);
    }

    // The server's site folder without the record: what a visitor can reach.
    std::map<std::string, std::string> siteOnServer()
    {
        auto files = server.filesUnder(kSite);
        files.erase(publish::kRecordFileName);
        return files;
    }

    std::size_t logIndex(const std::string& line)
    {
        const auto it = std::find(server.log.begin(), server.log.end(), line);
        return it == server.log.end() ? std::string::npos : static_cast<std::size_t>(it - server.log.begin());
    }

    bool said(const std::string& text) const { return output.find(text) != std::string::npos; }

    TempDir dir;
    std::string web = dir / "web/";
    FakeServer server;
    publish::SyncSettings settings;
    std::function<bool(std::size_t, std::size_t)> confirmDeletes;
    std::string output;
    publish::SyncProgress lastProgress;
};

} // namespace qle::test
