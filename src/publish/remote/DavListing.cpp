#include "publish/remote/DavListing.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>

namespace qle::publish {

const char* const kPropfindBody = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                  "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/><D:getcontentlength/>"
                                  "</D:prop></D:propfind>\n";

namespace {

struct ParserFree
{
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// Element names arrive as "DAV:|href" (namespace, separator, local name).
constexpr char kSeparator = '|';

struct Response
{
    std::string href;
    bool folder = false;
    std::optional<std::uint64_t> size;
};

class MultistatusReader
{
public:
    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char**)
    {
        static_cast<MultistatusReader*>(self)->start(name);
    }
    static void XMLCALL onEnd(void* self, const XML_Char* name) { static_cast<MultistatusReader*>(self)->end(name); }
    static void XMLCALL onText(void* self, const XML_Char* text, int length)
    {
        auto* reader = static_cast<MultistatusReader*>(self);
        if (reader->m_collect)
            reader->m_text.append(text, static_cast<std::size_t>(length));
    }

    std::vector<Response> responses;
    bool sawMultistatus = false;

private:
    static std::string_view Dav(const XML_Char* name)
    {
        const std::string_view full(name);
        return full.starts_with("DAV:|") ? full.substr(5) : std::string_view();
    }

    void start(const XML_Char* name)
    {
        const std::string_view element = Dav(name);
        m_text.clear();
        m_collect = element == "href" || element == "status" || element == "getcontentlength";
        if (element == "multistatus")
            sawMultistatus = true;
        else if (element == "response")
            m_response.emplace();
        else if (element == "propstat") {
            m_propstat = {};
            m_inPropstat = true;
        } else if (element == "collection" && m_inResourceType)
            m_propstat.folder = true;
        else if (element == "resourcetype")
            m_inResourceType = true;
    }

    void end(const XML_Char* name)
    {
        const std::string_view element = Dav(name);
        if (!m_response)
            return;
        // A lock's owner or root is an href inside the properties: only the response's own names it.
        if (element == "href" && !m_inPropstat)
            m_response->href = m_text;
        else if (element == "resourcetype")
            m_inResourceType = false;
        else if (element == "getcontentlength")
            m_propstat.size = m_text;
        else if (element == "status")
            m_propstat.ok = m_text.find(" 200 ") != std::string::npos;
        else if (element == "propstat") {
            takePropstat();
            m_inPropstat = false;
        } else if (element == "response") {
            responses.push_back(std::move(*m_response));
            m_response.reset();
        }
        m_collect = false;
    }

    void takePropstat()
    {
        if (m_propstat.ok) {
            m_response->folder = m_response->folder || m_propstat.folder;
            std::uint64_t size = 0;
            const std::string& text = m_propstat.size;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
            if (!text.empty() && error == std::errc() && end == text.data() + text.size())
                m_response->size = size;
        }
        m_propstat = {};
    }

    struct Propstat
    {
        bool ok = false;
        bool folder = false;
        std::string size;
    };

    std::optional<Response> m_response;
    Propstat m_propstat;
    bool m_inPropstat = false;
    bool m_inResourceType = false;
    bool m_collect = false;
    std::string m_text;
};

// The path part of an href, which may be a whole URL; without a trailing '/'.
std::string PathOfHref(std::string_view href)
{
    if (const auto scheme = href.find("://"); scheme != std::string_view::npos) {
        const auto slash = href.find('/', scheme + 3);
        href = slash == std::string_view::npos ? std::string_view("/") : href.substr(slash);
    }
    std::string path = PercentDecode(href);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool NameLeadsElsewhere(const std::string& name)
{
    return name.empty() || name == "." || name == ".." || std::any_of(name.begin(), name.end(), [](char c) {
               return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
           });
}

} // namespace

std::string PercentDecode(std::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int value = 0;
        if (text[i] == '%' && i + 2 < text.size()) {
            const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            if (error == std::errc() && end == text.data() + i + 3) {
                decoded += static_cast<char>(value);
                i += 2;
                continue;
            }
        }
        decoded += text[i];
    }
    return decoded;
}

Result<std::vector<RemoteFs::Entry>> ParseMultistatus(std::string_view xml, std::string_view folderPath)
{
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreateNS("UTF-8", kSeparator));
    if (!parser)
        return Status::IoError("Cannot start the XML parser");
    MultistatusReader reader;
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), &MultistatusReader::onStart, &MultistatusReader::onEnd);
    XML_SetCharacterDataHandler(parser.get(), &MultistatusReader::onText);
    if (XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_OK)
        return Status::IoError(std::string("The server's folder listing is not XML: ") +
                               XML_ErrorString(XML_GetErrorCode(parser.get())) + " at line " +
                               std::to_string(XML_GetCurrentLineNumber(parser.get())));
    if (!reader.sawMultistatus)
        return Status::IoError("The server's folder listing is not a WebDAV multistatus answer");

    const std::string folder = PathOfHref(folderPath);
    std::vector<RemoteFs::Entry> entries;
    for (const Response& response : reader.responses) {
        const std::string path = PathOfHref(response.href);
        if (path == folder)
            continue;
        const auto slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        // Only the folder's own children: a server's answer names nothing else to act on.
        if (slash == std::string::npos || parent != folder)
            continue;
        std::string name = path.substr(slash + 1);
        if (NameLeadsElsewhere(name))
            continue;
        entries.push_back({std::move(name), response.folder, response.folder ? std::nullopt : response.size});
    }
    return entries;
}

} // namespace qle::publish
