// Where an address in a page leads, worked out as a browser resolves it against the page.
#pragma once

#include "generator/HtmlText.h"

#include <string>
#include <string_view>

namespace qle::check {

struct ResolvedAddress
{
    enum class Kind {
        Site,     // a file or folder of the site: `path`
        External, // an http or https address elsewhere: `url`
        Other,    // nothing to check: mailto:, javascript:, data:, or above the site's folder
    };
    Kind kind = Kind::Other;
    std::string path;     // below the web folder, '/' separated, percent-decoded; ends in '/' for a folder
    std::string fragment; // after '#', percent-decoded; empty when there is none
    bool hasFragment = false;
    std::string url; // Kind::External
};

// Resolves `address` found on the page at `pagePath` (below the web folder, e.g.
// "articles/art-1.htm"). As browsers do: blanks around it and tabs and line breaks in it are
// dropped, '\' is '/', the query is not part of the file, "." and ".." segments are applied,
// "%XX" escapes are decoded. An address starting with '/' starts at the site's folder, which is
// taken to be the root of the web space it is published to.
ResolvedAddress ResolveAddress(std::string_view pagePath, std::string_view address);

// The text with every "%XX" escape decoded, as the generator reads the addresses it copies pictures for.
using generator::PercentDecoded;

} // namespace qle::check
