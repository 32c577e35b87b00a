// The program's folders under the base folder, and the folder routines the build relies on.
#pragma once

#include "app/AppOptions.h"
#include "store/Status.h"

#include <string>

namespace qle::app {

// The default base folder: $HOME/QuillonEngine/.
std::string DefaultBaseFolder();

// The base folder from `options.LocalBaseDir` (the default when empty), ending in '/'; a relative
// folder is taken from the current folder and made absolute.
// Writes the value it settles on back into `options.LocalBaseDir`; saves nothing.
std::string BaseFolder(AppOptions& options);

// The base folder's generated-site folder and local picture folder, both ending in '/'.
std::string WebFolder(const std::string& baseFolder);
std::string LocalImagesFolder(const std::string& baseFolder);

// Makes sure the folder exists: leaves the empty marker file "temp.fle" in a folder that exists,
// or makes a missing folder (its parent must exist). The error names the folder and the cause.
Status EnsureFolder(const std::string& folder);

// True when the marker file can be created in the folder.
bool FolderIsWritable(const std::string& folder);

// Deletes the plain files and the links directly inside a writable folder, the marker file
// included. A link is deleted itself, never followed: nothing outside the folder is touched.
// Sub-folders stay; errors are ignored.
void ClearFolder(const std::string& folder);

// True when a file in the folder matches the name or shell pattern (`*`, `?`).
bool FileExists(const std::string& folder, const std::string& pattern);

// The folders start-up makes, parents before children, relative to the base folder.
inline constexpr const char* kStartUpFolders[] = {
    "Templates", "Templates/Images", "Templates/Banners", "Templates/WebSites", "WebSites", "TempInternetFiles",
};

} // namespace qle::app
