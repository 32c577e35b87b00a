// Showing files and addresses to the person: the default handler, the loader page, error reports.
#pragma once

#include "app/UserInterface.h"
#include "store/Status.h"

#include <string>
#include <vector>

namespace qle::app {

// Opens an existing file with the desktop's default handler. A missing file is reported as
// "File <path> could not be found", titled "Third Party Software not found"; nothing is opened.
void OpenDocument(const std::string& path, UserInterface& ui);

// The text of the loader page Open.htm for an address; every line ends in CR LF.
std::string LoaderPageText(const std::string& address, const std::string& programFolder);

// Shows an address or local page in the default browser through the loader page, written as
// `Open.htm` in the program folder. When the program folder cannot take it (an installed
// program's folder is read-only) it is written into `writableFolder`, normally the base folder,
// unless that is empty; the page still shows the logo from the program folder. Empty text does
// nothing. An error names the page file.
Status ShowPage(const std::string& address, const std::string& programFolder, const std::string& writableFolder,
                UserInterface& ui);

// The title and text of the shared error report for a failed routine.
struct ErrorReport
{
    std::string title;
    std::string text;
};
ErrorReport ReportErrorMessage(const std::string& procedure, const std::string& description, const std::string& source,
                               long number);

// Starts a program in its own session and returns without waiting for it or leaving a zombie.
// A non-empty `secret` can be read by the program, once, from descriptor 3. False when the
// program cannot be started.
bool StartDetached(const std::vector<std::string>& argv, const std::string& secret = {});

// A pipe that holds `secret` with its writing end closed: the reading end (close-on-exec), or -1
// when it cannot be made. A secret is far smaller than a pipe's buffer, so this never blocks.
int SecretPipe(const std::string& secret);

// In a child between fork and exec: makes `fd` its descriptor `target`, kept across the exec.
// Async-signal-safe.
void InheritDescriptor(int fd, int target);

// What a starter handed this program on descriptor `fd` (see StartDetached), without a final line
// end; the descriptor is closed. Empty when there is nothing to read.
std::string ReadSecretFrom(int fd);

} // namespace qle::app
