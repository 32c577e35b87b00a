#include "generator/StyleSheet.h"

#include "store/RecordSet.h"

#include <cmath>
#include <cstdlib>

namespace qle::generator {

namespace {

struct Rgb
{
    int r, g, b;
};

// The shades of the colours the editor offers, for choosing a readable text colour.
struct NamedColour
{
    std::string_view name;
    Rgb rgb;
};
constexpr NamedColour kShades[] = {
    {"black", {0, 0, 0}},
    {"blue", {0, 0, 255}},
    {"brown", {165, 42, 42}},
    {"green", {0, 128, 0}},
    {"lightblue", {173, 216, 230}},
    {"lightgreen", {144, 238, 144}},
    {"orange", {255, 165, 0}},
    {"red", {255, 0, 0}},
    {"white", {255, 255, 255}},
    {"yellow", {255, 255, 0}},
    {"lightyellow", {255, 255, 224}},
};

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool ParseHex(std::string_view css, Rgb& rgb)
{
    if (css.size() != 4 && css.size() != 7)
        return false;
    std::string digits(css.substr(1));
    if (digits.size() == 3)
        digits = {digits[0], digits[0], digits[1], digits[1], digits[2], digits[2]};
    const long value = std::strtol(digits.c_str(), nullptr, 16);
    rgb = {static_cast<int>(value >> 16 & 0xFF), static_cast<int>(value >> 8 & 0xFF), static_cast<int>(value & 0xFF)};
    return true;
}

double Channel(int value)
{
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::string PanelRules(std::string_view kind, std::string_view element, const std::string& setting)
{
    const std::string colour = CssColour(setting);
    if (colour.empty())
        return {};
    std::string rule = "body." + std::string(kind) + " > " + std::string(element) + " { background: " + colour + ";";
    if (const std::string_view text = TextColourOn(colour); !text.empty())
        rule += " color: " + std::string(text) + ";";
    rule += " }\r\n";
    return rule;
}

constexpr std::string_view kLayout =
    "/* Three panels side by side on a wide screen; one column, main content first, on a phone. */\r\n"
    "*, *::before, *::after { box-sizing: border-box; }\r\n"
    "html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }\r\n"
    "body {\r\n"
    "  margin: 0 auto; padding: 0.5rem; max-width: 75rem;\r\n"
    "  background: #ffffe0; color: #111;\r\n"
    "  font: 1.0625rem/1.6 system-ui, -apple-system, \"Segoe UI\", Roboto, \"Helvetica Neue\", Arial, sans-serif;\r\n"
    "  display: grid; gap: 0.75rem;\r\n"
    "  grid-template-columns: minmax(0, 1fr) minmax(0, 3fr) minmax(0, 1fr);\r\n"
    "  grid-template-areas: \"header header header\" \"nav main aside\" \"footer footer footer\";\r\n"
    "}\r\n"
    "body > header { grid-area: header; }\r\n"
    "body > nav { grid-area: nav; }\r\n"
    "body > main { grid-area: main; }\r\n"
    "body > aside { grid-area: aside; }\r\n"
    "body > footer { grid-area: footer; text-align: center; }\r\n"
    "body > nav, body > main, body > aside { padding: 0.75rem 1rem; border-radius: 0.375rem; "
    "overflow-wrap: anywhere; min-width: 0; }\r\n"
    "img, video, iframe, table { max-width: 100%; }\r\n"
    "img { height: auto; }\r\n"
    "header img { display: block; margin: 0 auto; }\r\n"
    ".site-name { font-size: 1.5rem; font-weight: bold; margin: 0.5rem 0; }\r\n"
    "a { color: inherit; text-decoration: underline; text-underline-offset: 0.15em; }\r\n"
    "a:focus-visible { outline: 3px solid currentColor; outline-offset: 2px; box-shadow: 0 0 0 5px #ffffe0; }\r\n"
    "h1 { font-size: 1.6rem; line-height: 1.25; margin: 0.25rem 0 0.75rem; }\r\n"
    "h2 { font-size: 1.25rem; line-height: 1.3; margin: 0.5rem 0; }\r\n"
    "nav ul, aside ul { list-style: none; margin: 0; padding: 0; }\r\n"
    "nav li, aside li { margin: 0; }\r\n"
    "nav li a, aside li a { display: block; padding: 0.5rem 0; min-height: 2.75rem; }\r\n"
    ".breadcrumb { margin: 0; font-size: 1rem; }\r\n"
    ".breadcrumb ol { list-style: none; margin: 0; padding: 0; }\r\n"
    ".breadcrumb li { display: inline; }\r\n"
    ".breadcrumb li a { display: inline-block; padding: 0.25rem 0; min-height: 0; }\r\n"
    ".breadcrumb .separator { margin: 0 0.25rem; }\r\n"
    "figure { margin: 0 0 1rem; }\r\n"
    "figcaption { font-style: italic; font-size: 1rem; }\r\n"
    ".lead { font-weight: 600; margin-bottom: 1rem; }\r\n"
    ".summary { padding: 0.5rem 0 1rem; border-bottom: 1px solid rgba(0, 0, 0, 0.2); }\r\n"
    ".summary img { display: block; margin: 0.5rem 0; }\r\n"
    ".more { margin: 0.5rem 0 0; }\r\n"
    ".more a { display: inline-block; padding: 0.5rem 0; }\r\n"
    ".visually-hidden { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0); "
    "white-space: nowrap; }\r\n"
    "@media (max-width: 700px) {\r\n"
    "  body {\r\n"
    "    grid-template-columns: minmax(0, 1fr);\r\n"
    "    grid-template-areas: \"header\" \"main\" \"nav\" \"aside\" \"footer\";\r\n"
    "  }\r\n"
    "}\r\n";

} // namespace

std::string CssColour(std::string_view setting)
{
    const auto first = setting.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::string_view name = setting.substr(first, setting.find_last_not_of(" \t") - first + 1);
    if (store::EqualsIgnoreCase(name, "LightOrange"))
        return "#FFD580";
    if (store::EqualsIgnoreCase(name, "LightBrown"))
        return "#C4A484";
    if (name[0] == '#') {
        for (char c : name.substr(1))
            if (!IsHexDigit(c))
                return {};
        return name.size() == 4 || name.size() == 7 ? std::string(name) : std::string();
    }
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return {};
    return std::string(name);
}

std::string_view TextColourOn(std::string_view cssColour)
{
    Rgb rgb {};
    bool known = !cssColour.empty() && cssColour[0] == '#' && ParseHex(cssColour, rgb);
    for (const auto& shade : kShades) {
        if (!known && store::EqualsIgnoreCase(cssColour, shade.name)) {
            rgb = shade.rgb;
            known = true;
        }
    }
    if (!known)
        return {};
    const double luminance = 0.2126 * Channel(rgb.r) + 0.7152 * Channel(rgb.g) + 0.0722 * Channel(rgb.b);
    // Where black and white text give the same contrast.
    return luminance > 0.179 ? "#000" : "#fff";
}

std::string StyleSheetText(const std::array<std::array<std::string, 3>, 3>& colours)
{
    static constexpr std::string_view kKinds[3] = {"category", "section", "article"};
    static constexpr std::string_view kPanels[3] = {"nav", "main", "aside"};
    std::string css(kLayout);
    css += "/* The site's panel colours for each kind of page. */\r\n";
    for (int kind = 0; kind < 3; ++kind)
        for (int panel = 0; panel < 3; ++panel)
            css += PanelRules(kKinds[kind], kPanels[panel], colours[kind][panel]);
    return css;
}

} // namespace qle::generator
