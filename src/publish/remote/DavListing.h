// The WebDAV folder listing: the multistatus answer to PROPFIND (Depth: 1) read into entries with
// a real XML parser (expat), whatever namespace prefixes the server chose.
#pragma once

#include "publish/remote/RemoteFs.h"
#include "store/Status.h"

#include <string>
#include <string_view>
#include <vector>

namespace qle::publish {

// The body PROPFIND sends: it asks only for what a listing needs (kind and size).
extern const char* const kPropfindBody;

// The entries of the folder whose URL path is `folderPath` (as sent, percent-escaped or not).
// The folder itself is left out, names are percent-decoded, and an entry whose name could lead
// elsewhere ('/', "." or "..", a control character) is left out. A size is taken only from a
// property the server answered with 200. Fails on text that is not a multistatus document.
Result<std::vector<RemoteFs::Entry>> ParseMultistatus(std::string_view xml, std::string_view folderPath);

// "%20" and the like undone; a '%' that starts no escape stays as it is.
std::string PercentDecode(std::string_view text);

} // namespace qle::publish
