// Site database files: naming, and making a new one from the blank template.
#pragma once

#include "app/PageStyle.h"
#include "store/Status.h"

#include <optional>
#include <string>

namespace qle::app {

// A name taken from the person, given the extension ".QLS" unless it already ends in ".qls" in
// any letter case: "ab" -> "ab.QLS", "x.qls" stays, "shop.mdb" -> "shop.mdb.QLS".
std::string SiteFileName(const std::string& name);

// The blank template site shipped in the program folder.
std::string BlankSitePath(const std::string& programFolder);

// Makes `path` a byte copy of the blank template (a Modern site), readable by its owner only (it will
// hold the FTP password). Never overwrites: an existing file is an error. With a `style`, the new
// site's `Page_Style` is then set to it; should that fail, the new file is removed again.
Status CreateSiteFile(const std::string& programFolder, const std::string& path,
                      std::optional<PageStyle> style = std::nullopt);

} // namespace qle::app
