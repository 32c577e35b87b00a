// Asking the servers of external links whether the pages are there, with answers kept a day.
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace qle::check {

// How long an answer is reused.
inline constexpr std::time_t kLinkAnswerLifetime = 24 * 60 * 60;

// Asks for each http or https address: HEAD, then GET when the server refuses HEAD; a few at a
// time, each within `timeoutSeconds`, following redirects. Returns, by address, the empty text for
// one that answered with success and what went wrong for the others ("404 Not Found", "cannot
// be reached: ..."). Answers younger than a day in `cacheFile` are used instead of asking again;
// the file is rewritten with every answer (an unwritable file only costs the reuse).
std::map<std::string, std::string> CheckExternalLinks(const std::vector<std::string>& urls,
                                                      const std::string& cacheFile, int timeoutSeconds,
                                                      std::time_t now);

} // namespace qle::check
