#include "generator/CreateWebSite.h"

#include "app/Folders.h"
#include "app/Paths.h"
#include "generator/BuildArticles.h"
#include "generator/BuildCategories.h"
#include "generator/BuildSections.h"
#include "generator/HomePage.h"
#include "generator/OutputSink.h"
#include "generator/SiteBuild.h"
#include "generator/SiteFeeds.h"
#include "store/Database.h"

namespace qle::generator {

namespace {

constexpr int kClearProgressMs = 2000;

} // namespace

Status PrepareOutputFolders(const std::string& webFolder)
{
    const std::string web = app::WithTrailingSlash(webFolder);
    // Parents before children: EnsureFolder makes one level only.
    const std::string base = app::WithTrailingSlash(app::FolderOfPath(web.substr(0, web.size() - 1)));
    if (!base.empty()) {
        if (Status s = app::EnsureFolder(base); !s.ok())
            return s;
    }
    if (Status s = app::EnsureFolder(web); !s.ok())
        return s;
    for (const char* name : kPageFolders) {
        const std::string folder = web + name + "/";
        if (Status s = app::EnsureFolder(folder); !s.ok())
            return s;
        app::ClearFolder(folder);
    }
    return Status::OK();
}

Status BuildPages(store::Database& db, OutputSink& sink, std::vector<std::string>* warnings)
{
    SiteBuild build(db, sink);
    Status status = build.load();
    // Articles first, then categories, then sections: where names collide, the later page wins.
    if (status.ok())
        status = BuildArticles(build);
    if (status.ok())
        status = BuildCategories(build);
    if (status.ok())
        status = BuildSections(build);
    // The pages already written keep their pictures even when the build stopped.
    build.pictures().copyAll();
    // After the pictures, so that the stylesheet wins a clash of names in images/.
    if (status.ok())
        status = WriteSiteFiles(build);
    if (warnings)
        warnings->insert(warnings->end(), build.warnings().begin(), build.warnings().end());
    return status;
}

Status CreateWebSite(const std::string& sitePath, const std::string& webFolder, std::vector<std::string>* warnings)
{
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    if (Status s = PrepareOutputFolders(webFolder); !s.ok())
        return s;
    DiskSink sink(app::WithTrailingSlash(webFolder));
    return BuildPages(*db, sink, warnings);
}

void CommitEdits(SiteEditor& editor, SiteEditor::DataSource source)
{
    editor.commitEdits(source);
}

Status UpdateSite(SiteEditor& editor, const std::string& sitePath, const std::string& webFolder,
                  std::vector<std::string>* warnings)
{
    editor.setProgressText("Updating site, please wait ...");
    CommitEdits(editor, SiteEditor::DataSource::Pages);
    CommitEdits(editor, SiteEditor::DataSource::Options);
    editor.processEvents();

    Status status = CreateWebSite(sitePath, webFolder, warnings);
    Result<std::string> home = std::string();
    if (status.ok()) {
        home = HomePagePath(true, editor, sitePath, webFolder);
        status = home.status();
    }
    if (!status.ok()) {
        editor.setProgressText(kUpdateFailedText);
        return status;
    }
    editor.setProgressText("Done");
    editor.startClearProgressTimer(kClearProgressMs);
    editor.navigateBrowser("file://" + home.value());
    return Status::OK();
}

} // namespace qle::generator
