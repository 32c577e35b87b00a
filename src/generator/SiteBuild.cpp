#include "generator/SiteBuild.h"

#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "generator/BuildHTMLTags.h"
#include "generator/HtmlText.h"
#include "generator/OutputSink.h"
#include "store/Database.h"
#include "store/RecordSet.h"

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
    return "../categories/cat-" + LinkEscaped(PageName(category)) + ".htm";
}

std::string SectionLink(const store::Value& section)
{
    return "../sections/sect-" + LinkEscaped(PageName(section)) + ".htm";
}

SiteBuild::SiteBuild(store::Database& db, OutputSink& sink)
    : m_db(db)
    , m_sink(sink)
    , m_pictures(sink)
{
}

Status SiteBuild::load()
{
    if (Status s = app::CheckSiteFile(m_db); !s.ok())
        return s;
    auto options = m_db.query("select * from [Options]");
    if (!options)
        return options.status();
    if (!options->eof()) {
        m_look.banner = store::TextOf(options->field("Banner"));
        for (int kind = 0; kind < 3; ++kind)
            for (int panel = 0; panel < 3; ++panel)
                m_look.colours[kind][panel] = PanelColour(store::TextOf(options->field(kColourFields[kind][panel])));
    }
    auto style = app::ReadSiteStyle(m_db);
    if (!style)
        return style.status();
    m_style = style.value();
    m_look.siteName = app::SiteName(m_db.path());
    m_look.hasFeed = m_style.style == app::PageStyle::Modern && !m_style.homepage.empty();
    m_writer = MakeTagWriter(m_style.style, m_look);
    auto categories = ReadPanel(m_db, "List_Categories", {});
    if (!categories)
        return categories.status();
    m_contents = m_writer->panelList("Contents", *categories);
    return Status::OK();
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
    // A null category selects nothing, as the empty name does.
    auto entries = ReadPanel(m_db, "select * from List_Sections where category=?", {name});
    if (!entries)
        return entries.status();
    auto [it, inserted] = m_sections.emplace(name, m_writer->panelList("Sections", *entries));
    return &it->second;
}

std::string SiteBuild::listPagePath(std::string_view folder, std::string_view prefix, std::string_view what,
                                    const store::Value& name)
{
    bool shortened = false;
    std::string path = std::string(folder) + "/" + app::PageFileName(prefix, store::TextOf(name), &shortened);
    // A section of that name under another category has the same page; one warning says it.
    if (shortened && !m_written.contains(path))
        m_warnings.push_back("The " + std::string(what) + " \"" + store::TextOf(name) +
                             "\" is too long for a file name; its page is " + path + ".");
    return path;
}

Status SiteBuild::writePage(const std::string& relativePath, PageKind kind, const store::Value& category,
                            const PageHead& head, std::string_view middle)
{
    auto sections = sectionsPanel(category);
    if (!sections)
        return sections.status();
    m_page.clear();
    m_writer->page(m_page, kind, head, m_contents, middle, **sections, m_pictures);
    // The banner is shown after the page's own pictures, so it wins a clash of file names.
    m_pictures.add(m_look.banner);
    m_pictures.shownOn(relativePath, PlainText(head.title));
    m_page += NewLine();
    if (m_written.insert(relativePath).second)
        m_pagePaths.push_back(relativePath);
    return m_sink.writeFile(relativePath, m_page);
}

} // namespace qle::generator
