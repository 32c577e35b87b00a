// Site database files: naming, and making a new one from the blank template.
#pragma once

#include "store/Status.h"

#include <string>

namespace qle::app {

// A name taken from the person, given the extension ".QLS" unless it already ends in ".qls" in
// any letter case: "ab" -> "ab.QLS", "x.qls" stays, "shop.mdb" -> "shop.mdb.QLS".
std::string SiteFileName(const std::string& name);

// The blank template site shipped in the program folder.
std::string BlankSitePath(const std::string& programFolder);

// Makes `path` a byte copy of the blank template, readable by its owner only (it will hold the FTP
// password). Never overwrites: an existing file is an error.
Status CreateSiteFile(const std::string& programFolder, const std::string& path);

} // namespace qle::app
