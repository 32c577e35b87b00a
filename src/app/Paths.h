// Splitting and joining paths, and the character replacement the page and script writers share.
#pragma once

#include <string>
#include <string_view>

namespace qle::app {

// The part after the last '/' or '\'; the whole path when it has neither; empty when it ends in one.
std::string FileNameOfPath(std::string_view path);

// Everything before the last '/' or '\', without that separator; empty when the path has neither.
std::string FolderOfPath(std::string_view path);

// The text with every `find` replaced by `replacement`; empty text stays empty.
std::string ReplaceChar(std::string_view text, char find, std::string_view replacement);

// Folder and name joined with a '/' only where the folder does not already end in one.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder with a trailing '/' added when missing (empty stays empty).
std::string WithTrailingSlash(std::string_view folder);

// The folder of the running executable, ending in '/'.
std::string ExecutableFolder();

// Where the shipped files (template site, application database, pictures) of a program whose
// executable lies in `executableFolder` are: beside the executable when the application database
// is there (a build tree), else `<prefix>/share/quillon-engine/` for an executable installed in
// `<prefix>/bin/` when that folder holds it. When neither does, the executable's folder, so that
// errors name the place the files were expected. Ends in '/'.
std::string ShippedFilesFolder(std::string_view executableFolder);

// The program folder: the shipped files folder of the running executable, ending in '/'.
std::string ProgramFolder();

// The application database in the given program folder.
std::string AppDatabasePath(std::string_view programFolder);

// True for the characters a file name on the author's server may not hold, or that the upload
// script cannot carry: control characters, '/', '\\' and " * : < > ? |.
bool IsUnportableNameChar(char c);

// The name with every unportable character replaced by "-": the name a picture is copied under.
std::string PortableFileName(std::string_view name);

// The site's name, as titles, the feed and the backup folder show it: the site file's name without
// its extension.
std::string SiteName(std::string_view sitePath);

// A generated page's file name part: the portable name with blanks as "-", ASCII letters lower case.
std::string PageNamePart(std::string_view name);

// The longest file name a generated page may have, in bytes: the 255 of the file system and of
// most servers, less room for the prefix an upload adds to the temporary copy it renames.
inline constexpr std::size_t kMaxPageFileNameBytes = 239;

// A category or section page's file name: `prefix` + PageNamePart(name) + ".htm". A name part that
// would make it longer than kMaxPageFileNameBytes is cut (never inside a UTF-8 character) and
// followed by "-" and 16 hexadecimal digits of two hashes of the whole part, so that long names that
// begin alike still name different files; `shortened`, when given, says whether it was. The site
// file's views `List_Categories` and `List_Sections` compute their links by the same rule.
std::string PageFileName(std::string_view prefix, std::string_view name, bool* shortened = nullptr);

} // namespace qle::app
