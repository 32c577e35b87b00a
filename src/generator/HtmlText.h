// Text for the modern page style: author HTML made plain for titles, attributes and the feed,
// and addresses made valid in attributes and absolute in the sitemap and the feed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qle::generator {

// The text with every "%XX" escape decoded; other text unchanged.
std::string PercentDecoded(std::string_view text);

// The text a reader sees of a piece of author HTML: tags and comments removed, the common
// character references (&amp; &lt; &gt; &quot; &apos; &#39; &nbsp;, decimal and hex numbers)
// decoded, runs of white space made one blank, blanks at both ends removed. A "<" that does not
// start a tag stays text.
std::string PlainText(std::string_view html);

// Plain text made safe inside an HTML or XML element or double-quoted attribute: & < > " escaped.
std::string EscapeText(std::string_view plain);

// A page's address (as the link views give it) for a double-quoted href. Blanks become "-" as
// in the classic pages, so both styles reach the same file; characters a URL may not hold are
// percent-encoded and "&" is written as "&amp;". Existing %-escapes are kept.
std::string HrefOf(std::string_view address);

// The address of a copied picture, relative to a page: "../images/" + the file name with every
// character outside the URL-safe set percent-encoded.
std::string PictureHref(std::string_view fileName);

// The pictures that <img> tags of author HTML show from the site's own images folder: the file
// name of every src="../images/NAME" (any quotes, any letter case), %-escapes undone, in order.
// Addresses elsewhere, and names that would leave the folder, are not listed.
std::vector<std::string> ImagesFolderPictures(std::string_view html);

// A path below the web folder (as the build writes it) as the path part of an absolute address:
// every byte but letters, digits, "-", ".", "_", "~" and "/" percent-encoded.
std::string UrlPathOf(std::string_view relativePath);

// The base address of a published site from the author's `Your_Homepage`: "https://" added when
// it names no scheme, and a trailing "/" when missing. Empty stays empty.
std::string SiteAddress(std::string_view homepage);

} // namespace qle::generator
