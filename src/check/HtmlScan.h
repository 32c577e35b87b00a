// What the check needs of a piece of HTML, read with a real HTML5 parser: the elements a text
// leaves open, the addresses it names, and the anchors a page offers.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qle::check {

// A place in a text: 1-based line and column (characters, a tab counting one).
struct TextPlace
{
    unsigned line = 0;
    unsigned column = 0;
};

// An element whose end tag HTML requires but the text never gives, so that it goes on over
// whatever follows the text on the page.
struct OpenElement
{
    std::string tag; // lower case, e.g. "div"
    TextPlace place; // of its start tag
};

// An address in an attribute: a link (href) or a picture or other embedded file (src).
struct Address
{
    std::string value; // as the attribute holds it, character references decoded
    bool picture = false;
    TextPlace place; // of the attribute's value
};

// What scanning one text found.
struct TextScan
{
    std::vector<OpenElement> open;
    std::vector<Address> addresses;
};

// Parses `html` as the content of an element `context` ("td", "div", ...) and returns the
// elements left open at its end (except those whose end tag HTML makes optional, such as p, li
// and td) and every address of an a, area, img, source, iframe, embed, video, audio, track or
// script element, in text order.
TextScan ScanText(std::string_view html, std::string_view context);

// The anchors a whole page offers: every id, and every name of an a element.
std::set<std::string> AnchorsOf(std::string_view page);

} // namespace qle::check
