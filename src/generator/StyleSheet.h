// The one stylesheet of a modern site, written into `images/` beside the pictures.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qle::generator {

// Where the stylesheet goes, below the web folder.
inline constexpr const char* kStyleSheetPath = "images/style.css";

// A panel colour setting as a CSS colour: LightOrange and LightBrown (any letter case), which
// browsers do not know, become #FFD580 and #C4A484; any other name of letters and digits or a
// "#" hex colour passes as it stands. Anything else (empty, blanks, punctuation) gives the empty
// text, so that no setting can break out of its declaration.
std::string CssColour(std::string_view setting);

// The text colour readable on `cssColour`: "#000" on light colours, "#fff" on dark ones, and
// the empty text for a name whose shade is not known.
std::string_view TextColourOn(std::string_view cssColour);

// The stylesheet: the nine panel colours ([page kind][left, middle, right]), three columns side
// by side on a wide screen, one column with the main content first below 700 CSS pixels.
std::string StyleSheetText(const std::array<std::array<std::string, 3>, 3>& colours);

} // namespace qle::generator
