// Writing the program's text files (pages, scripts, loader pages) in one piece.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::app {

// Writes text to a file, creating or replacing it. The error names the file.
Status WriteTextFile(const std::string& path, const std::string& text);

// Writes a file that only its owner may read, replacing any earlier one atomically: the text goes
// to a new file created with mode 0600, which is then renamed over `path`. An existing file with
// wider permissions is replaced, never rewritten in place.
Status WriteOwnerOnlyFile(const std::string& path, const std::string& text);

} // namespace qle::app
