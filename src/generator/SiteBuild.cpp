#include "generator/SiteBuild.h"

#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "generator/BuildHTMLTags.h"
#include "generator/BuildRecord.h"
#include "generator/BuiltFiles.h"
#include "generator/ChangeLog.h"
#include "generator/HtmlText.h"
#include "generator/OutputSink.h"
#include "generator/PictureCache.h"
#include "store/Database.h"
#include "store/RecordSet.h"

#include <algorithm>
#include <cstdlib>

namespace qle::generator {

namespace {

constexpr const char* kColourFields[3][3] = {
    {"CatPanel0", "CatPanel1", "CatPanel2"},
    {"SectPanel0", "SectPanel1", "SectPanel2"},
    {"DetPanel0", "DetPanel1", "DetPanel2"},
};

Result<std::vector<PanelEntry>> ReadPanel(store::Database& db, const std::string& source, const store::Params& params)
{
    auto rs = db.query(source, params);
    if (!rs)
        return rs.status();
    if (Status s = rs->requireFields({"Text", "link"}); !s.ok())
        return s.withContext(db.path());
    const int text = rs->columnIndex("Text");
    const int link = rs->columnIndex("link");
    std::vector<PanelEntry> entries;
    while (!rs->eof()) {
        entries.push_back({rs->field(text), rs->field(link)});
        if (Status s = rs->next(); !s.ok())
            return s;
    }
    return entries;
}

// A name as SQLite's NOCASE compares it: ASCII letters folded, nothing else.
std::string Folded(const store::Value& value)
{
    std::string text = store::TextOf(value);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string FoldedPair(const store::Value& category, const store::Value& section)
{
    const std::string folded = Folded(category);
    return std::to_string(folded.size()) + ":" + folded + Folded(section);
}

} // namespace

std::string PageName(const store::Value& value)
{
    return app::PageNamePart(store::TextOf(value));
}

namespace {

std::string LinkEscaped(const std::string& name)
{
    std::string out;
    for (char c : name) {
        if (c == '%')
            out += "%25";
        else if (c == '\'')
            out += "%27";
        else if (c == '#')
            out += "%23";
        else
            out += c;
    }
    return out;
}

} // namespace

std::string CategoryLink(const store::Value& category)
{
    return "../categories/" + LinkEscaped(app::PageFileName("cat-", store::TextOf(category)));
}

std::string SectionLink(const store::Value& section)
{
    return "../sections/" + LinkEscaped(app::PageFileName("sect-", store::TextOf(section)));
}

PictureSettings ReadPictureSettings(const store::RecordSet& options, app::PageStyle style)
{
    PictureSettings settings;
    settings.responsive = style == app::PageStyle::Modern;
    if (options.eof())
        return settings;
    const std::string keep = store::TextOf(options.field("Keep_Picture_Metadata"));
    settings.keepMetadata = keep == "1" || keep == "-1" || store::EqualsIgnoreCase(keep, "true");
    const std::string width = store::TextOf(options.field("Picture_Max_Width"));
    char* end = nullptr;
    const long value = std::strtol(width.c_str(), &end, 10);
    if (!width.empty() && *end == '\0' && value >= kMinMaxWidth && value <= kMaxMaxWidth)
        settings.maxWidth = static_cast<int>(value);
    return settings;
}

SiteBuild::SiteBuild(store::Database& db, OutputSink& sink, std::string pictureCache)
    : m_db(db)
    , m_sink(sink)
    , m_pictureCacheFolder(std::move(pictureCache))
    , m_pictures(sink)
{
}

SiteBuild::~SiteBuild() = default;

Status SiteBuild::load()
{
    if (Status s = app::CheckSiteFile(m_db); !s.ok())
        return s;
    auto options = m_db.query("select * from [Options]");
    if (!options)
        return options.status();
    m_siteInputs.add(ProgramIdentity());
    if (!options->eof()) {
        // Every field a page may be made from.
        const auto& columns = options->columnNames();
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (!IsPublishingField(columns[i]))
                m_siteInputs.add(columns[i]), m_siteInputs.addValue(options->field(static_cast<int>(i)));
        m_look.banner = store::TextOf(options->field("Banner"));
        for (int kind = 0; kind < 3; ++kind)
            for (int panel = 0; panel < 3; ++panel)
                m_look.colours[kind][panel] = PanelColour(store::TextOf(options->field(kColourFields[kind][panel])));
    }
    auto style = app::ReadSiteStyle(m_db);
    if (!style)
        return style.status();
    m_style = style.value();
    m_pictureCache = std::make_unique<PictureCache>(m_pictureCacheFolder, ReadPictureSettings(*options, m_style.style));
    m_pictures.setCache(m_pictureCache.get());
    m_look.siteName = app::SiteName(m_db.path());
    m_look.hasFeed = m_style.style == app::PageStyle::Modern && !m_style.homepage.empty();
    m_writer = MakeTagWriter(m_style.style, m_look);
    auto categories = ReadPanel(m_db, "List_Categories", {});
    if (!categories)
        return categories.status();
    m_contents = m_writer->panelList("Contents", *categories);
    m_siteInputs.addNumber(static_cast<long long>(m_style.style));
    m_siteInputs.add(m_style.homepage);
    m_siteInputs.add(m_look.siteName);
    m_siteInputs.add(m_look.banner);
    m_siteInputs.addNumber(static_cast<long long>(m_look.hasFeed));
    m_siteInputs.add(m_contents);
    m_siteInputs.add(m_localImages);
    m_siteInputs.add(m_pictureCacheFolder);
    return compareWithLastRows();
}

Status SiteBuild::compareWithLastRows()
{
    m_rows.sitePath = m_db.path();
    m_rows.siteInputs = m_siteInputs.hex();
    auto position = ReadLogPosition(m_db);
    if (!position)
        return position.status();
    m_rows.position = *position;
    RowSummary* last = m_last;
    m_last = nullptr;
    // Rows read by another build of the program, of another file or with other settings say
    // nothing of this build's pages.
    if (!last || !last->position || !m_rows.position || last->sitePath != m_rows.sitePath ||
        last->siteInputs != m_rows.siteInputs)
        return Status::OK();
    auto changed = ArticlesChangedSince(m_db, *last->position, *m_rows.position);
    if (!changed)
        return changed.status();
    // Reading many articles one by one costs more than reading them all in one pass.
    if (!*changed || (*changed)->size() > last->articles.size() / 4 + 100)
        return Status::OK();
    const auto touch = [this](const store::Value& category, const store::Value& section) {
        m_changedCategories.insert(Folded(category));
        m_changedSections.insert(FoldedPair(category, section));
    };
    for (const long long id : **changed) {
        if (const auto it = last->articles.find(id); it != last->articles.end())
            touch(it->second.category, it->second.section);
        auto now = m_db.query("SELECT Category, Section FROM Articles WHERE ArtID = ?", {std::to_string(id)});
        if (!now)
            return now.status();
        if (!now->eof())
            touch(now->field(0), now->field(1));
    }
    m_last = last;
    m_changed = std::move(*changed);
    m_rows.articles = std::move(last->articles);
    return Status::OK();
}

const std::string* SiteBuild::unchangedList(const store::Value& category, const store::Value* section) const
{
    if (!incremental() || (section ? m_changedSections.contains(FoldedPair(category, *section))
                                   : m_changedCategories.contains(Folded(category))))
        return nullptr;
    const auto it = m_last->lists.find(ListKey(category, section));
    return it == m_last->lists.end() ? nullptr : &it->second;
}

void SiteBuild::addTextPictures(std::string_view html)
{
    if (m_localImages.empty())
        return;
    for (const std::string& name : ImagesFolderPictures(html))
        m_pictures.add(m_localImages + name);
}

void SiteBuild::addTextPictures(const std::vector<MiniArticle>& rows)
{
    for (const MiniArticle& row : rows)
        addTextPictures(store::TextOf(row.para));
}

Result<const std::string*> SiteBuild::sectionsPanel(const store::Value& category)
{
    const std::string& name = store::TextOf(category);
    if (auto it = m_sections.find(name); it != m_sections.end())
        return &it->second;
    // A category no changed article was or is in lists the sections it listed last time.
    if (incremental() && !m_changedCategories.contains(Folded(category)))
        if (const auto last = m_last->panels.find(name); last != m_last->panels.end()) {
            m_rows.panels[name] = last->second;
            return &m_sections.emplace(name, last->second).first->second;
        }
    // A null category selects nothing, as the empty name does.
    auto entries = ReadPanel(m_db, "select * from List_Sections where category=?", {name});
    if (!entries)
        return entries.status();
    auto [it, inserted] = m_sections.emplace(name, m_writer->panelList("Sections", *entries));
    m_rows.panels[name] = it->second;
    return &it->second;
}

std::string SiteBuild::listPagePath(std::string_view folder, std::string_view prefix, std::string_view what,
                                    const store::Value& name)
{
    bool shortened = false;
    std::string path = std::string(folder) + "/" + app::PageFileName(prefix, store::TextOf(name), &shortened);
    // A section of that name under another category has the same page; one warning says it.
    if (shortened && m_shortened.insert(path).second)
        m_warnings.push_back("The " + std::string(what) + " \"" + store::TextOf(name) +
                             "\" is too long for a file name; its page is " + path + ".");
    return path;
}

Status SiteBuild::framePage(PageKind kind, const store::Value& category, const PageHead& head, std::string_view middle)
{
    auto sections = sectionsPanel(category);
    if (!sections)
        return sections.status();
    m_page.clear();
    m_writer->page(m_page, kind, head, m_contents, middle, **sections, m_pictures);
    m_page += NewLine();
    return Status::OK();
}

BuiltFile SiteBuild::pageWritten(const std::string& relativePath, const PageHead& head, const InputHash* inputs)
{
    // The banner is shown after the page's own pictures, so it wins a clash of file names.
    m_pictures.add(m_look.banner);
    BuiltFile origin;
    if (inputs) {
        origin.pictures = m_pictures.pending();
        origin.inputs = withPictures(*inputs, origin.pictures).hex();
    }
    m_pictures.shownOn(relativePath, head.title);
    pagePlaced(relativePath);
    return origin;
}

void SiteBuild::pagePlaced(const std::string& relativePath)
{
    // Only the sitemap needs them: on a large site, holding every path costs a good part of a rebuild.
    if (!m_look.hasFeed)
        return;
    if (m_written.empty())
        m_written.reserve(m_rows.articles.size());
    if (m_written.insert(relativePath).second)
        m_pagePaths.push_back(relativePath);
}

// A page's inputs with what it shows of each of its pictures, which the pictures' files decide.
InputHash SiteBuild::withPictures(InputHash inputs, const SharedNames& pictures)
{
    for (const std::string& picture : pictures) {
        inputs.add(picture);
        inputs.addPicture(m_pictures.files(picture));
    }
    return inputs;
}

Result<InputHash> SiteBuild::pageInputs(const std::string& relativePath, PageKind kind, const store::Value& category)
{
    auto sections = sectionsPanel(category);
    if (!sections)
        return sections.status();
    InputHash inputs = m_siteInputs;
    inputs.add(relativePath);
    inputs.addNumber(static_cast<long long>(kind));
    inputs.add(**sections);
    return inputs;
}

bool SiteBuild::keepPage(const std::string& relativePath, const InputHash& inputs, const PageHead& head)
{
    const BuiltFile* last = m_sink.lastBuilt(relativePath);
    // The pictures the page showed last time are those it shows now, as long as its rows and the
    // site are unchanged; what it shows of them is checked here.
    if (!last || last->inputs.empty() || withPictures(inputs, last->pictures).hex() != last->inputs ||
        !m_sink.keepPage(relativePath, *last))
        return false;
    for (const std::string& picture : last->pictures)
        m_pictures.add(picture);
    m_pictures.shownOn(relativePath, head.title);
    pagePlaced(relativePath);
    return true;
}

Status SiteBuild::writePage(const std::string& relativePath, PageKind kind, const store::Value& category,
                            const PageHead& head, std::string_view middle, const InputHash* inputs)
{
    if (Status s = framePage(kind, category, head, middle); !s.ok())
        return s;
    return m_sink.writePage(relativePath, m_page, pageWritten(relativePath, head, inputs));
}

Status SiteBuild::writePageAroundText(const std::string& relativePath, PageKind kind, const store::Value& category,
                                      const PageHead& head, std::string_view middle, std::string_view mainText,
                                      bool& placed, const InputHash* inputs)
{
    placed = false;
    if (Status s = framePage(kind, category, head, middle); !s.ok())
        return s;
    const auto marker = FindMarker(m_page, kMainTextMarker);
    if (!marker)
        return Status::OK();
    const std::string_view page = m_page;
    const std::string_view before = page.substr(0, marker->offset);
    const std::string_view after = page.substr(marker->offset + marker->length);
    // A CR before the text or a LF after it would pair with the text's own line ends.
    if ((!before.empty() && before.back() == '\r') || (!after.empty() && after.front() == '\n'))
        return Status::OK();
    placed = true;
    const BuiltFile origin = pageWritten(relativePath, head, inputs);

    const int indent = marker->indent;
    const auto make = [this, before, after, indent, mainText](const OutputSink::PieceWriter& write) {
        if (Status s = write(before); !s.ok())
            return s;
        for (std::size_t at = 0; at < mainText.size();) {
            std::size_t end = std::min(mainText.size(), at + m_pieceSize);
            // A CR and its LF stay in one piece: both writers treat the pair as one line break.
            if (end < mainText.size() && mainText[end - 1] == '\r' && mainText[end] == '\n')
                ++end;
            m_piece.clear();
            m_writer->appendMainText(m_piece, mainText.substr(at, end - at));
            at = end;
            if (indent > 0) {
                m_indented.clear();
                AppendIndentedLines(m_indented, indent, m_piece);
            }
            if (Status s = write(indent > 0 ? m_indented : m_piece); !s.ok())
                return s;
        }
        return write(after);
    };
    if (mainText.size() > m_pieceSize)
        return m_sink.writePieces(relativePath, make, origin);
    m_whole.clear();
    (void)make([this](std::string_view piece) {
        m_whole += piece;
        return Status::OK();
    });
    return m_sink.writePage(relativePath, m_whole, origin);
}

} // namespace qle::generator
