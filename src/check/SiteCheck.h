// The check before publishing: what in the author's pages would be broken on the live site.
#pragma once

#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::check {

struct Finding
{
    enum class Severity {
        Error,   // publishing asks first (the GUI) or refuses (the command line, unless --force)
        Warning, // said, never in the way
    };
    Severity severity = Severity::Error;
    std::string pageTitle; // the page's title as the author typed it; empty for the site as a whole
    std::string artId;     // the article to go to; empty when the finding is not an article's
    std::string place;     // "Main Text, line 3, column 7", "Picture", "Banner" ...
    std::string message;

    // "error: TITLE (PLACE): MESSAGE", or "warning: ...".
    std::string text() const;
};

struct CheckOptions
{
    bool external = false; // also ask the servers of http and https links
    int externalTimeoutSeconds = 10;
};

// The kinds of limits the check warns about.
inline constexpr long long kPictureSizeLimit = 1024 * 1024; // a picture a visitor downloads

// Checks the site file as the next build into the web folder `webFolder` (ending in '/') would
// publish it. Errors: a link or picture address in a First Paragraph or Main Text that points
// into the site and names no file the build writes (nor one the author keeps in the web folder),
// an #anchor that names no id on its page, a missing or unreadable picture, and HTML that leaves
// an element open. Warnings: a picture over kPictureSizeLimit, a Modern page whose First
// Paragraph is empty, a title used by several pages, and (when asked) an external link that does
// not answer. Pictures are looked up in the base folder's picture cache, never encoded. Findings
// are in page order. The error names the site file.
Result<std::vector<Finding>> CheckSite(const std::string& sitePath, const std::string& webFolder,
                                       const CheckOptions& options = {});

// True when any finding is an error.
bool HasErrors(const std::vector<Finding>& findings);

} // namespace qle::check
