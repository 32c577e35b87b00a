#include "check/SiteAddress.h"

#include <vector>

namespace qle::check {

namespace {

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The scheme in lower case ("http"), or empty when the address has none.
std::string SchemeOf(std::string_view address)
{
    if (address.empty() || !IsAlpha(address[0]))
        return {};
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':') {
            std::string scheme(address.substr(0, i));
            for (char& s : scheme)
                s = static_cast<char>(s >= 'A' && s <= 'Z' ? s - 'A' + 'a' : s);
            return scheme;
        }
        if (!IsAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return {};
    }
    return {};
}

} // namespace

ResolvedAddress ResolveAddress(std::string_view pagePath, std::string_view address)
{
    std::string text;
    for (char c : address)
        if (c != '\t' && c != '\n' && c != '\r')
            text += c == '\\' ? '/' : c;
    const auto first = text.find_first_not_of(" \f");
    const auto last = text.find_last_not_of(" \f");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);

    ResolvedAddress resolved;
    const std::string scheme = SchemeOf(text);
    if (!scheme.empty() || text.rfind("//", 0) == 0) {
        if (scheme == "http" || scheme == "https") {
            resolved.kind = ResolvedAddress::Kind::External;
            resolved.url = text;
        } else if (scheme.empty()) {
            resolved.kind = ResolvedAddress::Kind::External;
            resolved.url = "https:" + text;
        }
        return resolved;
    }

    if (const auto hash = text.find('#'); hash != std::string::npos) {
        resolved.hasFragment = true;
        resolved.fragment = PercentDecoded(std::string_view(text).substr(hash + 1));
        text.erase(hash);
    }
    if (const auto query = text.find('?'); query != std::string::npos)
        text.erase(query);
    if (text.empty()) { // the page itself
        resolved.kind = ResolvedAddress::Kind::Site;
        resolved.path = pagePath;
        return resolved;
    }

    std::vector<std::string> segments;
    std::string_view rest = text;
    if (rest.front() == '/') {
        rest.remove_prefix(1);
    } else {
        std::string_view folder =
            pagePath.substr(0, pagePath.rfind('/') == std::string_view::npos ? 0 : pagePath.rfind('/'));
        while (!folder.empty()) {
            const auto slash = folder.find('/');
            segments.emplace_back(folder.substr(0, slash));
            folder = slash == std::string_view::npos ? std::string_view() : folder.substr(slash + 1);
        }
    }
    bool folderAddress = false;
    while (true) {
        const auto slash = rest.find('/');
        const std::string segment(rest.substr(0, slash));
        const bool lastSegment = slash == std::string_view::npos;
        if (segment == "..") {
            if (segments.empty())
                return resolved; // above the site's folder: not the site's to judge
            segments.pop_back();
            folderAddress = lastSegment;
        } else if (segment == ".") {
            folderAddress = lastSegment;
        } else if (segment.empty()) {
            folderAddress = lastSegment;
        } else {
            segments.push_back(PercentDecoded(segment));
            folderAddress = false;
        }
        if (lastSegment)
            break;
        rest.remove_prefix(slash + 1);
    }
    resolved.kind = ResolvedAddress::Kind::Site;
    for (std::size_t i = 0; i < segments.size(); ++i)
        resolved.path += (i == 0 ? "" : "/") + segments[i];
    if (folderAddress && !resolved.path.empty())
        resolved.path += '/';
    return resolved;
}

} // namespace qle::check
