#include "check/HtmlScan.h"

#include <gumbo.h>

#include <algorithm>
#include <memory>

namespace qle::check {

namespace {

// Elements whose end tag HTML lets an author leave out.
bool EndTagIsOptional(GumboTag tag)
{
    switch (tag) {
    case GUMBO_TAG_HTML:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_P:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_RB:
    case GUMBO_TAG_RT:
    case GUMBO_TAG_RTC:
    case GUMBO_TAG_RP:
    case GUMBO_TAG_OPTGROUP:
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_COLGROUP:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
        return true;
    default:
        return false;
    }
}

// The attribute of an element that holds an address, if it is one the check follows.
const char* AddressAttribute(GumboTag tag, bool& picture)
{
    picture = false;
    switch (tag) {
    case GUMBO_TAG_A:
    case GUMBO_TAG_AREA:
        return "href";
    case GUMBO_TAG_IMG:
        picture = true;
        return "src";
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_VIDEO:
    case GUMBO_TAG_AUDIO:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_SCRIPT:
        return "src";
    default:
        return nullptr;
    }
}

struct Parsed
{
    GumboOptions options = kGumboDefaultOptions;
    GumboOutput* output = nullptr;

    Parsed(std::string_view html, GumboTag context)
    {
        options.tab_stop = 1;
        options.fragment_context = context;
        options.fragment_namespace = GUMBO_NAMESPACE_HTML;
        output = gumbo_parse_with_options(&options, html.data(), html.size());
    }
    ~Parsed() { gumbo_destroy_output(&options, output); }
    Parsed(const Parsed&) = delete;
    Parsed& operator=(const Parsed&) = delete;
};

std::string TagName(const GumboElement& element)
{
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(element.tag);
    GumboStringPiece name = element.original_tag;
    gumbo_tag_from_original_text(&name);
    std::string text(name.data, name.length);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

template <typename Visit>
void Walk(const GumboNode* node, const Visit& visit)
{
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
        return;
    visit(node);
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        Walk(static_cast<const GumboNode*>(children.data[i]), visit);
}

} // namespace

TextScan ScanText(std::string_view html, std::string_view context)
{
    const GumboTag contextTag = gumbo_tagn_enum(context.data(), static_cast<unsigned>(context.size()));
    Parsed parsed(html, contextTag);
    TextScan scan;
    std::set<unsigned> reported; // start offsets: a reopened formatting element is one element
    Walk(parsed.output->root, [&](const GumboNode* node) {
        const GumboElement& element = node->v.element;
        const unsigned flags = node->parse_flags;
        // Elements the parser made up itself (html, an implied tbody) are not the author's,
        // unless they reopen a formatting element the author left open.
        const bool madeUp =
            (flags & GUMBO_INSERTION_BY_PARSER) != 0 && (flags & GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT) == 0;
        if (!madeUp && (flags & GUMBO_INSERTION_IMPLICIT_END_TAG) != 0 && element.end_pos.offset >= html.size() &&
            !EndTagIsOptional(element.tag) && reported.insert(element.start_pos.offset).second)
            scan.open.push_back({TagName(element), {element.start_pos.line, element.start_pos.column}});
        if (madeUp)
            return;
        bool picture = false;
        if (const char* name = AddressAttribute(element.tag, picture)) {
            if (const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name)) {
                // The parser's place of a quoted value is its opening quote.
                const std::size_t at = attribute->value_start.offset;
                const bool quoted = at < html.size() && (html[at] == '"' || html[at] == '\'');
                scan.addresses.push_back(
                    {attribute->value,
                     picture,
                     {attribute->value_start.line, attribute->value_start.column + (quoted ? 1 : 0)}});
            }
        }
    });
    std::sort(scan.open.begin(), scan.open.end(), [](const OpenElement& a, const OpenElement& b) {
        return a.place.line != b.place.line ? a.place.line < b.place.line : a.place.column < b.place.column;
    });
    return scan;
}

std::set<std::string> AnchorsOf(std::string_view page)
{
    Parsed parsed(page, GUMBO_TAG_LAST);
    std::set<std::string> anchors;
    Walk(parsed.output->root, [&](const GumboNode* node) {
        const GumboElement& element = node->v.element;
        if (const GumboAttribute* id = gumbo_get_attribute(&element.attributes, "id"))
            anchors.insert(id->value);
        if (element.tag == GUMBO_TAG_A)
            if (const GumboAttribute* name = gumbo_get_attribute(&element.attributes, "name"))
                anchors.insert(name->value);
    });
    return anchors;
}

} // namespace qle::check
