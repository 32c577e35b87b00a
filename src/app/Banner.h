// The file work behind the banner buttons: copies into the local images folder, and a new banner
// made from the template and handed to a picture editor.
#pragma once

#include "app/UserInterface.h"

#include <optional>
#include <string>

namespace qle::app {

inline constexpr const char* kGraphicsFilter =
    "Graphics files (gif, jpg, jpeg, bmp, png, webp, svg)|*.gif;*.jpg;*.jpeg;*.bmp;*.png;*.webp;*.svg";

// The template banner shipped in the program folder.
std::string TemplateBannerPath(const std::string& programFolder);

// "Choose &Banner ...": asks for a picture and copies it into the local images folder, which is
// made first when missing, under a free name when its own holds a different file (CopyUnderFreeName). Returns the
// copy's path, the new value of the banner field; nullopt when the author cancels. A failed copy is not reported and
// the path is returned all the same.
std::optional<std::string> ChooseBanner(const std::string& baseFolder, UserInterface& ui);

// "Create &New Banner ...": asks where to save it (a save dialog offering the site's name,
// "<site name>.gif"; ".gif" is added to a name without it), copies the template banner under that
// name into the local images folder, replacing a file of that name, and opens the copy in a picture
// editor: the first installed one, else the desktop's default handler; the author is told when
// neither can open it. Returns the new banner's path; nullopt when the author cancels or the
// template could not be copied (which the author is told).
std::optional<std::string> CreateBanner(const std::string& baseFolder, const std::string& programFolder,
                                        UserInterface& ui, const std::string& siteName = {});

} // namespace qle::app
