#include "generator/HtmlText.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace qle::generator {

namespace {

bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiAlnum(char c)
{
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}

// Tags inside a word: "<b>Tom</b>'s" reads as one word, while "one<br>two" reads as two.
bool IsInlineTag(std::string_view tag)
{
    std::size_t start = tag[1] == '/' ? 2 : 1;
    std::size_t end = start;
    while (end < tag.size() && IsAsciiAlnum(tag[end]))
        ++end;
    std::string name(tag.substr(start, end - start));
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    static constexpr std::string_view kInline[] = {"a",      "abbr",   "b",    "big", "cite", "code",  "em",
                                                   "font",   "i",      "mark", "q",   "s",    "small", "span",
                                                   "strike", "strong", "sub",  "sup", "tt",   "u"};
    for (std::string_view inlineName : kInline)
        if (name == inlineName)
            return true;
    return false;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the reference starting at html[i] == '&' into `out`; returns its length, 0 when it is
// none of the references PlainText knows (the "&" is then text).
std::size_t DecodeReference(std::string_view html, std::size_t i, std::string& out)
{
    const std::size_t semi = html.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10)
        return 0;
    const std::string_view name = html.substr(i + 1, semi - i - 1);
    static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "},
    };
    for (const auto& [entity, text] : kNamed) {
        if (name == entity) {
            out += text;
            return semi - i + 1;
        }
    }
    if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string digits(name.substr(hex ? 2 : 1));
        if (digits.empty() || digits.size() > 7)
            return 0;
        char* end = nullptr;
        const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (*end != '\0')
            return 0;
        AppendUtf8(out, static_cast<std::uint32_t>(cp));
        return semi - i + 1;
    }
    return 0;
}

void AppendPercent(std::string& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

bool IsUnreserved(char c)
{
    return IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (AsciiLower(text[at + i]) != word[i])
            return false;
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The value of the src attribute of the tag that starts at html[start] ("<img"), the tag's end in
// `end`; nullopt when it has none.
std::optional<std::string_view> SrcOf(std::string_view html, std::size_t start, std::size_t& end)
{
    std::optional<std::string_view> src;
    std::size_t i = start + 4;
    for (;;) {
        while (i < html.size() && (IsSpace(html[i]) || html[i] == '/'))
            ++i;
        if (i >= html.size() || html[i] == '>')
            break;
        const std::size_t nameStart = i;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>' && html[i] != '/')
            ++i;
        const std::string_view name = html.substr(nameStart, i - nameStart);
        while (i < html.size() && IsSpace(html[i]))
            ++i;
        std::string_view value;
        if (i < html.size() && html[i] == '=') {
            ++i;
            while (i < html.size() && IsSpace(html[i]))
                ++i;
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const char quote = html[i++];
                const std::size_t close = html.find(quote, i);
                const std::size_t stop = close == std::string_view::npos ? html.size() : close;
                value = html.substr(i, stop - i);
                i = stop == html.size() ? stop : stop + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < html.size() && !IsSpace(html[i]) && html[i] != '>')
                    ++i;
                value = html.substr(valueStart, i - valueStart);
            }
        }
        if (!src && name.size() == 3 && StartsWithNoCase(name, 0, "src"))
            src = value;
    }
    end = i;
    return src;
}

} // namespace

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> ImagesFolderPictures(std::string_view html)
{
    static constexpr std::string_view kFolder = "../images/";
    std::vector<std::string> names;
    for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        if (!StartsWithNoCase(html, at + 1, "img") || at + 4 >= html.size() ||
            !(IsSpace(html[at + 4]) || html[at + 4] == '/' || html[at + 4] == '>'))
            continue;
        std::size_t end = at;
        const auto src = SrcOf(html, at, end);
        at = end < html.size() ? end : html.size() - 1;
        if (!src || src->substr(0, kFolder.size()) != kFolder)
            continue;
        std::string_view address = src->substr(kFolder.size());
        address = address.substr(0, address.find_first_of("?#"));
        std::string name = PercentDecoded(address);
        if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
            continue;
        names.push_back(std::move(name));
    }
    return names;
}

std::string PlainText(std::string_view html)
{
    std::string text;
    text.reserve(html.size());
    bool pendingBlank = false;
    auto append = [&](std::string_view piece) {
        for (char c : piece) {
            if (IsSpace(c)) {
                pendingBlank = !text.empty();
                continue;
            }
            if (pendingBlank)
                text += ' ';
            pendingBlank = false;
            text += c;
        }
    };
    for (std::size_t i = 0; i < html.size();) {
        const char c = html[i];
        if (c == '<' && html.substr(i, 4) == "<!--") {
            const std::size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            pendingBlank = !text.empty();
            continue;
        }
        if (c == '<' && i + 1 < html.size() &&
            (IsAsciiAlpha(html[i + 1]) || html[i + 1] == '/' || html[i + 1] == '!')) {
            const std::size_t end = html.find('>', i);
            const std::size_t next = end == std::string_view::npos ? html.size() : end + 1;
            if (!IsInlineTag(html.substr(i, next - i)))
                pendingBlank = !text.empty();
            i = next;
            continue;
        }
        if (c == '&') {
            std::string decoded;
            if (const std::size_t length = DecodeReference(html, i, decoded); length > 0) {
                append(decoded);
                i += length;
                continue;
            }
        }
        append(html.substr(i, 1));
        ++i;
    }
    return text;
}

std::string EscapeText(std::string_view plain)
{
    std::string out;
    out.reserve(plain.size() + plain.size() / 8);
    for (char c : plain) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string HrefOf(std::string_view address)
{
    std::string out;
    out.reserve(address.size() + 8);
    for (char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ' ')
            out += '-';
        else if (c == '&')
            out += "&amp;";
        else if (u < 0x20 || u == 0x7F || c == '"' || c == '<' || c == '>' || c == '`' || c == '{' || c == '}' ||
                 c == '|' || c == '\\' || c == '^' || c == '\'')
            AppendPercent(out, u);
        else
            out += c;
    }
    return out;
}

std::string PictureHref(std::string_view fileName)
{
    std::string out = "../images/";
    for (char c : fileName) {
        // Letters beyond ASCII stay as they are: pages are UTF-8 and browsers encode them.
        if (IsUnreserved(c) || static_cast<unsigned char>(c) >= 0x80)
            out += c;
        else
            AppendPercent(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string UrlPathOf(std::string_view relativePath)
{
    std::string out;
    out.reserve(relativePath.size() + 8);
    for (char c : relativePath) {
        if (IsUnreserved(c) || c == '/')
            out += c;
        else
            AppendPercent(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string SiteAddress(std::string_view homepage)
{
    std::string address(homepage);
    if (address.empty())
        return address;
    if (address.find("://") == std::string::npos)
        address = "https://" + address;
    if (address.back() != '/')
        address += '/';
    return address;
}

} // namespace qle::generator
