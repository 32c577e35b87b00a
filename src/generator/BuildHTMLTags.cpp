#include "generator/BuildHTMLTags.h"

#include "app/Paths.h"
#include "generator/PictureCopier.h"

#include <cstring>

namespace qle::generator {

namespace {

constexpr std::string_view kNewLine = "\r\n";

// Enough blanks for any nesting the page builders make; deeper indents append in steps.
constexpr std::string_view kBlanks = "                                ";

void AppendBlanks(std::string& out, int count)
{
    while (count > 0) {
        const int step = count < static_cast<int>(kBlanks.size()) ? count : static_cast<int>(kBlanks.size());
        out.append(kBlanks.data(), static_cast<std::size_t>(step));
        count -= step;
    }
}

// The address of a copied picture: the characters that would end the quoted address or turn the
// rest of it into a fragment or query are percent-encoded.
std::string ImageAddress(std::string_view fileName)
{
    std::string address;
    address.reserve(fileName.size());
    for (char c : fileName) {
        switch (c) {
        case '%':
            address += "%25";
            break;
        case '\'':
            address += "%27";
            break;
        case '"':
            address += "%22";
            break;
        case '#':
            address += "%23";
            break;
        case '?':
            address += "%3F";
            break;
        default:
            address += c;
        }
    }
    return address;
}

} // namespace

std::string_view NewLine()
{
    return kNewLine;
}

void AppendIndented(std::string& out, int count, std::string_view text)
{
    AppendBlanks(out, count);
    AppendIndentedLines(out, count, text);
}

void AppendIndentedLines(std::string& out, int count, std::string_view text)
{
    // Pages are mostly long runs between line feeds: copy each run in one piece.
    std::size_t start = 0;
    while (start < text.size()) {
        const void* hit = std::memchr(text.data() + start, '\n', text.size() - start);
        if (!hit) {
            out.append(text.data() + start, text.size() - start);
            break;
        }
        const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        out.append(text.data() + start, lf + 1 - start);
        if (lf > 0 && text[lf - 1] == '\r')
            AppendBlanks(out, count);
        start = lf + 1;
    }
}

std::string IndentText(int count, std::string_view text)
{
    std::string result;
    result.reserve(text.size() + static_cast<std::size_t>(count) * 8 + 16);
    AppendIndented(result, count, text);
    return result;
}

std::string TextToHTML(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    AppendTextToHTML(result, text);
    return result;
}

void AppendTextToHTML(std::string& out, std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const void* hit = std::memchr(text.data() + start, '\n', text.size() - start);
        if (!hit) {
            out.append(text.data() + start, text.size() - start);
            break;
        }
        const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        out.append(text.data() + start, lf - start);
        if (lf > 0 && text[lf - 1] == '\r')
            out += "<BR>";
        out += '\n';
        start = lf + 1;
    }
}

std::string TableTag(std::string_view content, std::string_view attributes)
{
    std::string result;
    result.reserve(content.size() + content.size() / 8 + attributes.size() + 48);
    result += "<TABLE ";
    result += attributes;
    result += ">\r\n <TBODY>\r\n";
    AppendIndented(result, 2, content);
    result += "\r\n </TBODY>\r\n</TABLE>\r\n";
    return result;
}

std::string StyledTableTag(int /*style*/, std::string_view content)
{
    return TableTag(content, "CELLSPACING=3 BORDER=0");
}

std::string CellTag(std::string_view content, std::string_view attributes)
{
    std::string result;
    result.reserve(content.size() + content.size() / 8 + attributes.size() + 24);
    result += "<TD ";
    result += attributes;
    result += ">\r\n";
    AppendIndented(result, 1, content);
    result += "\r\n</TD>\r\n";
    return result;
}

std::string FontTag(std::string_view attributes, std::string_view text)
{
    std::string result;
    result.reserve(attributes.size() + text.size() + 14);
    result += "<FONT ";
    result += attributes;
    result += '>';
    result += text;
    result += "</FONT>";
    return result;
}

std::string HeadingTag(int level, std::string_view text)
{
    std::string_view open = "<FONT SIZE=3>";
    std::string_view close = "</FONT>";
    if (level == 1) {
        open = "<FONT SIZE=4>";
    } else if (level == 2) {
        open = "<FONT SIZE=3><B>";
        close = "</B></FONT>";
    } else if (level == 3) {
        open = "<FONT SIZE=2 COLOR=RED><B>";
        close = "</B></FONT>";
    }
    std::string result;
    result.reserve(open.size() + text.size() + close.size());
    result += open;
    result += text;
    result += close;
    return result;
}

std::string LinkTag(int level, std::string_view text, std::string_view address)
{
    std::string result = "<A HREF='";
    result += app::ReplaceChar(address, ' ', "-");
    result += "'>";
    result += HeadingTag(level, text);
    result += "</A>\r\n";
    return result;
}

std::string ImageTag(std::string_view picturePath, PictureCopier& pictures)
{
    const std::string fileName = app::FileNameOfPath(picturePath);
    if (fileName.empty())
        return {};
    pictures.add(picturePath);
    // The page names the copy, whose name every server can hold.
    return "<IMG SRC='../images/" + ImageAddress(PortablePictureName(fileName)) + "'>\r\n";
}

std::string_view PageStart()
{
    return "<HTML>\r\n<HEAD></HEAD>\r\n<BODY BGCOLOR=LIGHTYELLOW>\r\n";
}

std::string_view PageEnd()
{
    return "</BODY>\r\n</HTML>\r\n";
}

std::string BannerTag(std::string_view bannerPath, PictureCopier& pictures)
{
    return ImageTag(bannerPath, pictures);
}

std::string PageFooter()
{
    return "<BR><BR>" + TableTag(CellTag("", "Align = CENTER"), "WIDTH=600");
}

} // namespace qle::generator
