#include "app/Desktop.h"

#include "app/Paths.h"
#include "app/TextFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::app {

void OpenDocument(const std::string& path, UserInterface& ui)
{
    struct stat info
    {
    };
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        ui.showMessage("File " + path + " could not be found", "Third Party Software not found",
                       MessageIcon::Information);
        return;
    }
    ui.openWithDesktop(path);
}

std::string LoaderPageText(const std::string& address, const std::string& programFolder)
{
    const char* nl = "\r\n";
    std::string page;
    page += std::string("<html>") + nl;
    page += std::string("<head>") + nl;
    page += "<meta http-equiv=\"REFRESH\" content=\"0; URL=" + address + "\">" + nl;
    page += std::string("<title>Loading page</title>") + nl;
    page += std::string("</head>") + nl;
    page += std::string("<body bgcolor=white><center>") + nl;
    page += std::string("Quillon Engine is a loading web page<BR><BR>") + nl;
    page += "<img src=\"" + JoinPath(programFolder, "qle_logo.bmp") + "\"><BR><BR>" + nl;
    page += "Loading page now. Click here if it fails to load <a href=\"" + address + "\">Click me.</a>" + nl;
    page += std::string("</body>") + nl;
    page += std::string("</html>") + nl;
    return page;
}

Status ShowPage(const std::string& address, const std::string& programFolder, const std::string& writableFolder,
                UserInterface& ui)
{
    if (address.empty())
        return Status::OK();
    const std::string text = LoaderPageText(address, programFolder);
    std::string loader = JoinPath(programFolder, "Open.htm");
    if (Status s = WriteTextFile(loader, text); !s.ok()) {
        if (writableFolder.empty())
            return s;
        loader = JoinPath(writableFolder, "Open.htm");
        if (Status fallback = WriteTextFile(loader, text); !fallback.ok())
            return fallback.withContext(s.message());
    }
    OpenDocument(loader, ui);
    return Status::OK();
}

ErrorReport ReportErrorMessage(const std::string& procedure, const std::string& description, const std::string& source,
                               long number)
{
    return {"ERROR in " + procedure, description + "\r" + source + " generated error no " + std::to_string(number)};
}

bool StartDetached(const std::vector<std::string>& argv, const std::string& secret)
{
    if (argv.empty())
        return false;
    // The secret waits in a pipe the program inherits as descriptor 3.
    const int secretFd = secret.empty() ? -1 : SecretPipe(secret);
    if (!secret.empty() && secretFd < 0)
        return false;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // A pipe closed on exec tells the parent whether the grandchild's exec worked.
    int status_pipe[2];
    const pid_t child = ::pipe2(status_pipe, O_CLOEXEC) == 0 ? ::fork() : -2;
    if (child < 0) {
        if (child == -1) {
            ::close(status_pipe[0]);
            ::close(status_pipe[1]);
        }
        if (secretFd >= 0)
            ::close(secretFd);
        return false;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            if (secretFd >= 0)
                InheritDescriptor(secretFd, 3);
            ::execvp(args[0], args.data());
            const int error = errno;
            [[maybe_unused]] ssize_t n = ::write(status_pipe[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(status_pipe[1]);
    if (secretFd >= 0)
        ::close(secretFd);
    int childStatus = 0;
    ::waitpid(child, &childStatus, 0);
    int execError = 0;
    const ssize_t n = ::read(status_pipe[0], &execError, sizeof execError);
    ::close(status_pipe[0]);
    return WIFEXITED(childStatus) && WEXITSTATUS(childStatus) == 0 && n == 0;
}

int SecretPipe(const std::string& secret)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const bool written = ::write(fds[1], secret.data(), secret.size()) == static_cast<ssize_t>(secret.size());
    ::close(fds[1]);
    if (!written) {
        ::close(fds[0]);
        return -1;
    }
    return fds[0];
}

void InheritDescriptor(int fd, int target)
{
    // dup2 onto itself keeps close-on-exec, so that case clears it by hand.
    if (fd == target)
        ::fcntl(target, F_SETFD, 0);
    else
        ::dup2(fd, target);
}

std::string ReadSecretFrom(int fd)
{
    std::string secret;
    if (fd < 0)
        return secret;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        secret.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r'))
        secret.pop_back();
    return secret;
}

} // namespace qle::app
