#include "check/SiteCheck.h"

#include "app/PageStyle.h"
#include "app/Paths.h"
#include "check/ExternalLinks.h"
#include "check/HtmlScan.h"
#include "check/SiteAddress.h"
#include "generator/BuildArticles.h"
#include "generator/BuildCategories.h"
#include "generator/BuildSections.h"
#include "generator/CreateWebSite.h"
#include "generator/HtmlText.h"
#include "generator/OutputSink.h"
#include "generator/SiteBuild.h"
#include "generator/SiteFeeds.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

namespace qle::check {

namespace {

// The forwarding page every publish writes beside the page folders.
constexpr const char* kForwardingPage = "Index.htm";
constexpr const char* kLinkCacheFile = "QuillonEngine_links.txt";

// Remembers which files a build would write, keeping the bytes of the pages asked for.
class ListingSink final : public generator::OutputSink
{
public:
    Status writeFile(const std::string& relativePath, std::string_view bytes) override
    {
        files.insert(relativePath);
        if (keep.count(relativePath))
            kept[relativePath] = std::string(bytes);
        return Status::OK();
    }
    Status writePieces(const std::string& relativePath, const PieceMaker& make,
                       const generator::BuiltFile& origin = {}) override
    {
        // A long page not asked for is never made.
        if (keep.count(relativePath))
            return OutputSink::writePieces(relativePath, make, origin);
        files.insert(relativePath);
        return Status::OK();
    }
    Status copyFile(const std::string& /*source*/, const std::string& relativePath) override
    {
        files.insert(relativePath);
        return Status::OK();
    }
    Status linkFile(const std::string& /*source*/, const std::string& relativePath) override
    {
        files.insert(relativePath);
        return Status::OK();
    }

    std::set<std::string> files;
    std::set<std::string> keep;
    std::map<std::string, std::string> kept;
};

struct TextOfPage
{
    const char* field; // as the editor names it
    std::string text;
    TextScan scan;
};

struct ArticleScan
{
    std::string artId;
    std::string title;
    std::string pagePath;
    store::Value image;
    std::vector<TextOfPage> texts;
};

std::string Place(const char* field, const TextPlace& place)
{
    return std::string(field) + ", line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
}

// Files the author keeps in the web folder beside what the build writes: every build keeps them.
void AddKeptFiles(const std::string& webFolder, std::set<std::string>& files)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(webFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string relative = fs::relative(it->path(), webFolder, ec).generic_string();
        const std::string top = relative.substr(0, relative.find('/'));
        if (std::find(std::begin(generator::kPageFolders), std::end(generator::kPageFolders), top) !=
            std::end(generator::kPageFolders)) {
            if (it->is_directory(ec))
                it.disable_recursion_pending();
            continue;
        }
        files.insert(it->is_directory(ec) ? relative + "/" : relative);
    }
}

bool FolderExists(const std::set<std::string>& files, const std::string& folder)
{
    if (folder.empty())
        return true;
    auto it = files.lower_bound(folder);
    return it != files.end() && it->compare(0, folder.size(), folder) == 0;
}

Result<std::vector<ArticleScan>> ReadArticles(store::Database& db, std::string_view context)
{
    auto rs = db.query("Article_Pages");
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields({"artid", "title", "para", "body", "image"}); !s.ok())
        return s.withContext(db.path());
    const int artid = rs->columnIndex("artid"), title = rs->columnIndex("title"), para = rs->columnIndex("para"),
              body = rs->columnIndex("body"), image = rs->columnIndex("image");
    std::vector<ArticleScan> articles;
    while (!rs->eof()) {
        ArticleScan article;
        article.artId = store::TextOf(rs->field(artid));
        article.title = store::TextOf(rs->field(title));
        article.pagePath = generator::ArticlePagePath(rs->field(artid));
        article.image = rs->field(image);
        for (auto [field, column] : {std::pair {"First Paragraph", para}, std::pair {"Main Text", body}})
            article.texts.push_back({field, std::string(rs->text(column)), {}});
        articles.push_back(std::move(article));
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    // Parsing is most of the check's work: on every core, and only texts that hold markup.
    std::vector<TextOfPage*> texts;
    for (auto& article : articles)
        for (auto& text : article.texts)
            if (text.text.find('<') != std::string::npos)
                texts.push_back(&text);
    std::atomic<std::size_t> next = 0;
    auto worker = [&] {
        for (std::size_t i; (i = next++) < texts.size();)
            texts[i]->scan = ScanText(texts[i]->text, context);
    };
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < std::thread::hardware_concurrency() && i < texts.size(); ++i)
        threads.emplace_back(worker);
    worker();
    for (auto& thread : threads)
        thread.join();
    return articles;
}

} // namespace

std::string Finding::text() const
{
    std::string out = severity == Severity::Error ? "error: " : "warning: ";
    std::string where = pageTitle.empty() && !artId.empty() ? "(untitled page " + artId + ")" : pageTitle;
    if (!place.empty())
        where += (where.empty() ? "(" : " (") + place + ")";
    if (!where.empty())
        out += where + ": ";
    return out + message;
}

bool HasErrors(const std::vector<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Finding::Severity::Error; });
}

Result<std::vector<Finding>> CheckSite(const std::string& sitePath, const std::string& webFolder,
                                       const CheckOptions& options)
{
    using Severity = Finding::Severity;
    auto db = store::Database::open(sitePath);
    if (!db)
        return db.status();
    auto style = app::ReadSiteStyle(*db);
    if (!style)
        return style.status();
    const bool modern = style->style == app::PageStyle::Modern;
    // Each text is parsed where the page puts it: in a table cell, or in a div of its own.
    auto articles = ReadArticles(*db, modern ? "div" : "td");
    if (!articles)
        return articles.status();

    // Pages named with an anchor are kept when the build runs, to read their ids.
    ListingSink sink;
    for (const auto& article : *articles)
        for (const auto& text : article.texts)
            for (const auto& address : text.scan.addresses) {
                const ResolvedAddress target = ResolveAddress(article.pagePath, address.value);
                if (target.kind == ResolvedAddress::Kind::Site && target.hasFragment)
                    sink.keep.insert(target.path);
            }

    // The pages the build would write, run through the build's own builders.
    const std::string web = app::WithTrailingSlash(webFolder);
    const std::string base = app::WithTrailingSlash(app::FolderOfPath(web.substr(0, web.size() - 1)));
    generator::SiteBuild build(*db, sink, base + generator::kPictureCacheFolder);
    std::vector<std::string> ignored;
    Status built = build.load();
    if (built.ok())
        built = generator::BuildArticles(build);
    if (built.ok())
        built = generator::BuildCategories(build);
    if (built.ok())
        built = generator::BuildSections(build);
    if (built.ok())
        built = generator::WriteSiteFiles(build, ignored);
    if (!built.ok())
        return built;
    std::set<std::string> files = std::move(sink.files);
    for (const auto& [copyName, sources] : build.pictures().registered()) {
        files.insert("images/" + copyName);
        for (const auto& name : build.pictures().files(sources.back()).names)
            files.insert("images/" + name);
    }
    files.insert(kForwardingPage);
    AddKeptFiles(web, files);

    std::vector<Finding> findings;
    std::vector<std::string> externalUrl; // beside each finding: the address to ask, if external
    auto add = [&](Finding finding, std::string url = {}) {
        findings.push_back(std::move(finding));
        externalUrl.push_back(std::move(url));
    };
    std::map<std::string, std::set<std::string>> anchors; // by page path
    std::map<std::string, std::vector<const ArticleScan*>> titles;
    auto pictureFindings = [&](const std::string& title, const std::string& artId, const std::string& place,
                               const std::string& path) {
        const generator::PictureFiles& picture = build.pictures().files(path);
        if (picture.copyName.empty())
            return;
        if (!picture.problem.empty())
            add({Severity::Error, title, artId, place, "the picture " + path + " cannot be used: " + picture.problem});
        else if (picture.servedBytes > kPictureSizeLimit)
            add({Severity::Warning, title, artId, place,
                 "the picture " + path + " is " + std::to_string(picture.servedBytes / 1024) +
                     " KB on the site, more than " + std::to_string(kPictureSizeLimit / 1024) +
                     " KB for every visitor to download"});
    };
    pictureFindings("", "", "Banner", build.look().banner);

    for (const auto& article : *articles) {
        titles[article.title].push_back(&article);
        if (article.image)
            pictureFindings(article.title, article.artId, "Picture", *article.image);
        for (const auto& text : article.texts) {
            // Found in text order, whatever kind they are.
            struct Found
            {
                TextPlace at;
                std::string message;
                std::string url = {}; // an external address, asked about only on request
            };
            std::vector<Found> found;
            for (const auto& open : text.scan.open)
                found.push_back(
                    {open.place, "<" + open.tag + "> is never closed, so it runs on over the rest of the page"});
            for (const auto& address : text.scan.addresses) {
                const ResolvedAddress target = ResolveAddress(article.pagePath, address.value);
                const std::string what = (address.picture ? "the picture address " : "the link ") + address.value;
                if (target.kind == ResolvedAddress::Kind::External) {
                    found.push_back({address.place, what, target.url});
                    continue;
                }
                if (target.kind != ResolvedAddress::Kind::Site)
                    continue;
                const bool folder = target.path.empty() || target.path.back() == '/';
                if (folder ? !FolderExists(files, target.path) : !files.count(target.path)) {
                    found.push_back(
                        {address.place,
                         what + " names no file of the site (" + (target.path.empty() ? "/" : target.path) + ")",
                         {}});
                    continue;
                }
                // An empty fragment and "top" take a browser to the top of any page.
                if (!target.hasFragment || target.fragment.empty() || target.fragment == "top" ||
                    !sink.kept.count(target.path))
                    continue;
                auto page = anchors.find(target.path);
                if (page == anchors.end())
                    page = anchors.emplace(target.path, AnchorsOf(sink.kept[target.path])).first;
                if (!page->second.count(target.fragment))
                    found.push_back(
                        {address.place, what + " names no anchor \"" + target.fragment + "\" on " + target.path});
            }
            std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
                return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
            });
            for (auto& f : found)
                add({f.url.empty() ? Severity::Error : Severity::Warning, article.title, article.artId,
                     Place(text.field, f.at), std::move(f.message)},
                    std::move(f.url));
        }
        if (modern && generator::PlainText(article.texts.front().text).empty())
            add({Severity::Warning, article.title, article.artId, "First Paragraph",
                 "the First Paragraph is empty, so the page's description is its title"});
    }
    for (const auto& [title, pages] : titles)
        if (pages.size() > 1)
            for (const ArticleScan* page : pages)
                add({Severity::Warning, page->title, page->artId, "Title",
                     "the title is used by " + std::to_string(pages.size()) + " pages"});

    // External links are reported only when asked about, and then only those that failed.
    std::map<std::string, std::string> answers;
    if (options.external) {
        std::set<std::string> urls(externalUrl.begin(), externalUrl.end());
        urls.erase(std::string());
        if (!urls.empty())
            answers = CheckExternalLinks(std::vector<std::string>(urls.begin(), urls.end()), base + kLinkCacheFile,
                                         options.externalTimeoutSeconds, std::time(nullptr));
    }
    std::vector<Finding> kept;
    for (std::size_t i = 0; i < findings.size(); ++i) {
        if (!externalUrl[i].empty()) {
            const auto answer = answers.find(externalUrl[i]);
            if (answer == answers.end() || answer->second.empty())
                continue;
            findings[i].message += " does not answer: " + answer->second;
        }
        kept.push_back(std::move(findings[i]));
    }
    return kept;
}

} // namespace qle::check
