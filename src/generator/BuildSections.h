// Section pages, one per row of `Section_Pages`: sections/sect-<section name>.htm.
#pragma once

#include "store/Status.h"
#include "store/Value.h"

namespace qle::generator {

class SiteBuild;

// SectionPage: writes PageFrame(section kind, the category, the list of the section's articles).
// The category does not enter the file name: the same section under two categories names one
// file, and the later row's page replaces the earlier one.
Status SectionPage(SiteBuild& build, const store::Value& category, const store::Value& section);

// BuildSections: walks `Section_Pages` and writes every page. Stops at the first error.
Status BuildSections(SiteBuild& build);

} // namespace qle::generator
