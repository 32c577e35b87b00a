// The saved queries of the blank template site and the application database.
#include "app/Paths.h"
#include "store/Database.h"
#include "store/RecordSet.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace qle::store {
namespace {

using test::TempDir;

class TemplateViews : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto opened = Database::open(test::CopyBlankSite(m_dir / "site.qls"));
        ASSERT_TRUE(opened.ok()) << opened.status().message();
        m_db.emplace(std::move(opened.value()));
    }

    std::int64_t add(const Value& category, const Value& section, const std::string& title = "t")
    {
        auto id = m_db->insert("Articles", {{"Category", category}, {"Section", section}, {"Title", title}});
        EXPECT_TRUE(id.ok());
        return *id;
    }

    std::vector<std::map<std::string, Value>> rows(const std::string& source, const Params& params = {})
    {
        std::vector<std::map<std::string, Value>> out;
        auto rs = m_db->query(source, params);
        EXPECT_TRUE(rs.ok()) << source << ": " << rs.status().message();
        if (!rs)
            return out;
        for (; !rs->eof(); (void)rs->next()) {
            std::map<std::string, Value> row;
            for (const auto& name : rs->columnNames())
                row[name] = rs->field(name);
            out.push_back(row);
        }
        return out;
    }

    TempDir m_dir;
    std::optional<Database> m_db;
};

TEST_F(TemplateViews, ReturnTheFieldsTheGeneratorReads)
{
    add("TV", "Sport");
    const std::map<std::string, std::vector<std::string>> required = {
        {"Article_Pages", {"artid", "Category", "Section", "title", "link", "para", "body", "image", "image_strap"}},
        {"Category_Pages", {"Category"}},
        {"Section_Pages", {"Category", "Section"}},
        {"Mini_Articles", {"Category", "Section", "title", "link", "para", "image"}},
        {"List_Categories", {"Text", "link"}},
        {"List_Sections", {"category", "Text", "link"}},
        {"firstpage", {"minofartid"}},
    };
    for (const auto& [view, fields] : required) {
        auto rs = m_db->query(view);
        ASSERT_TRUE(rs.ok()) << view;
        for (const auto& field : fields)
            EXPECT_GE(rs->columnIndex(field), 0) << view << " lacks " << field;
        EXPECT_FALSE(rs->eof()) << view;
    }
}

TEST_F(TemplateViews, FirstPageIsEmptyWithoutArticlesThenTheLowestId)
{
    EXPECT_TRUE(rows("select * from firstpage").empty());
    const auto a = add("A", "x");
    const auto b = add("B", "y");
    ASSERT_TRUE(m_db->remove("Articles", a).ok());
    add("C", "z");
    auto r = rows("select * from firstpage");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]["minofartid"], std::to_string(b));
}

TEST_F(TemplateViews, LinksFollowThePageFileNames)
{
    add("Home Garden", "Formula One");
    add("O'Brien", "Side/Back\\Slash");
    add("UPPER case", "50% off #1?");

    // Each list link names the file the generator writes for that category or section,
    // with the characters that would end an address escaped.
    auto decoded = [](std::string link) {
        for (auto [from, to] : {std::pair {"%27", "'"}, {"%22", "\""}, {"%23", "#"}, {"%3F", "?"}, {"%25", "%"}}) {
            for (std::size_t at; (at = link.find(from)) != std::string::npos;)
                link.replace(at, 3, to);
        }
        return link;
    };
    for (auto& row : rows("List_Categories")) {
        const std::string expected = "../categories/cat-" + app::PageNamePart(*row["Text"]) + ".htm";
        EXPECT_EQ(decoded(*row["link"]), expected);
        EXPECT_EQ(row["link"]->find_first_of(" '\"#?"), std::string::npos) << *row["link"];
    }
    for (auto& row : rows("List_Sections")) {
        const std::string expected = "../sections/sect-" + app::PageNamePart(*row["Text"]) + ".htm";
        EXPECT_EQ(decoded(*row["link"]), expected);
    }
    for (auto& row : rows("Article_Pages"))
        EXPECT_EQ(row["link"], "../articles/art-" + *row["artid"] + ".htm");
    EXPECT_EQ(rows("List_Categories")[1]["link"], "../categories/cat-o%27brien.htm");
}

TEST_F(TemplateViews, NamesDifferingOnlyInCaseAreOneCategoryAndSection)
{
    add("Sport", "Football");
    add("sport", "FOOTBALL");
    add("Sport", "Tennis");
    add(std::nullopt, std::nullopt);
    EXPECT_EQ(rows("Category_Pages").size(), 1u);
    EXPECT_EQ(rows("List_Categories").size(), 1u);
    EXPECT_EQ(rows("Section_Pages").size(), 2u);
    EXPECT_EQ(rows("select * from List_Sections where category=?", {"SPORT"}).size(), 2u);
    EXPECT_EQ(rows("select * from Mini_Articles where Category=? and section=?", {"SPORT", "football"}).size(), 2u);
    EXPECT_EQ(rows("Article_Pages").size(), 4u) << "an article without a category still gets its page";
}

TEST(ApplicationDatabase, ShipsSettingsRecentListAndProviders)
{
    auto db = Database::open(test::ProgramFolder() + "Quillon Engine.mdb");
    ASSERT_TRUE(db.ok()) << db.status().message();
    auto options = db->query("select * from [Options]");
    ASSERT_TRUE(options.ok() && !options->eof());
    EXPECT_EQ(options->field("localbasedir"), "");
    auto recent = db->query("select * from last_5_sites");
    ASSERT_TRUE(recent.ok());
    EXPECT_TRUE(recent->eof());

    auto all = db->query("select provider as field1 from providers;");
    auto free = db->query("select provider as field1 from providers where free=true;");
    ASSERT_TRUE(all.ok() && free.ok());
    int total = 0, freeCount = 0;
    for (; !all->eof(); (void)all->next())
        ++total;
    for (; !free->eof(); (void)free->next())
        ++freeCount;
    EXPECT_GT(freeCount, 0);
    EXPECT_LT(freeCount, total);

    auto rs = db->query("providers");
    ASSERT_TRUE(rs.ok());
    for (; !rs->eof(); (void)rs->next()) {
        for (const auto& name : rs->columnNames())
            EXPECT_TRUE(rs->field(name).has_value()) << name << " empty for " << *rs->field("provider");
        const std::string server = *rs->field("ftp_server");
        EXPECT_TRUE(server.ends_with("example.com") || server.ends_with("example.net") ||
                    server.ends_with("example.org"))
            << server;
    }
}

} // namespace
} // namespace qle::store
