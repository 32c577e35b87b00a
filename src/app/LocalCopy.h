// Copies of the author's pictures in the local images folder, where each page and banner keeps
// its own: a copy never replaces a different picture that is already there under the same name.
#pragma once

#include <string>

namespace qle::app {

// Copies `source` into `folder` (ending in '/') under its own file name (or `name` when given),
// or, when that name holds a different file, under the first free name "name-2.ext",
// "name-3.ext", .... A file there with the same bytes (the same picture chosen again, or the copy
// itself) is reused and not written. Returns the path of the copy. A failed copy is not reported:
// the path it was meant for is returned, and the preview then shows nothing.
std::string CopyUnderFreeName(const std::string& source, const std::string& folder, const std::string& name = {});

} // namespace qle::app
