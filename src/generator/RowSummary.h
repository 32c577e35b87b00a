// What the last build read of the site's articles, kept in the base folder beside the list of
// built files, so that a rebuild reads only the articles the site file's log names as changed.
#pragma once

#include "generator/ChangeLog.h"
#include "generator/HexDigest.h"
#include "store/Status.h"
#include "store/Value.h"

#include <map>
#include <optional>
#include <string>

namespace qle::generator {

inline constexpr const char* kRowSummaryFileName = "QuillonEngine_rows.dat";

// A summary describes the site file at one position of its log, read by one build: nothing in it
// depends on the web folder, so it is true for as long as the log says nothing changed.
struct RowSummary
{
    // What an article's page and the lists it is in need of its row.
    struct Article
    {
        store::Value category;
        store::Value section;
        std::string title;
        HexDigest<32> fields; // hash of the fields its page shows (InputHash)

        bool operator==(const Article&) const = default;
    };

    std::string sitePath;
    std::optional<LogPosition> position; // none: the summary vouches for nothing
    std::string siteInputs;              // what every page was made from besides its rows (InputHash hex)
    std::map<long long, Article> articles;
    std::map<std::string, std::string> lists;  // ListKey of a category's or section's page -> hash of its rows
    std::map<std::string, std::string> panels; // a category as pages name it -> its sections list as shown

    bool operator==(const RowSummary&) const = default;

    // The summary kept in the base folder; one without a position when there is none or it is damaged.
    static RowSummary load(const std::string& baseFolder);
    // Replaces the kept summary in one rename and returns once it is on the disk.
    Status save(const std::string& baseFolder) const;

    std::string text() const;
    static RowSummary parse(std::string_view text);
};

// The key of a list page in RowSummary::lists: its category and, on a section's page, its section.
std::string ListKey(const store::Value& category, const store::Value* section);

} // namespace qle::generator
