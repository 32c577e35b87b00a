#include "FtpServer.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::test {

FtpServer::FtpServer(const std::string& home, const std::string& user, const std::string& password)
{
    int toServer[2];
    int fromServer[2];
    if (::pipe2(toServer, O_CLOEXEC) != 0)
        return;
    if (::pipe2(fromServer, O_CLOEXEC) != 0) {
        ::close(toServer[0]);
        ::close(toServer[1]);
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(toServer[0], STDIN_FILENO);
        ::dup2(fromServer[1], STDOUT_FILENO);
        // Debian's interpreter: another python3 earlier on PATH may not see Debian's packages.
        ::execl("/usr/bin/python3", "python3", QLE_TEST_FTP_SERVER_SCRIPT, home.c_str(), user.c_str(), password.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toServer[0]);
    ::close(fromServer[1]);
    m_stdin = toServer[1];
    if (m_pid < 0) {
        ::close(fromServer[0]);
        return;
    }
    std::string announced;
    pollfd wait {fromServer[0], POLLIN, 0};
    while (announced.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0) {
        char buffer[64];
        const ssize_t n = ::read(fromServer[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        announced.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fromServer[0]);
    std::sscanf(announced.c_str(), "PORT %d", &m_port);
}

void FtpServer::freeze()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGSTOP);
}

FtpServer::~FtpServer()
{
    // Closing its input stops the server; a server that does not stop in 3 s is killed.
    if (m_stdin >= 0)
        ::close(m_stdin);
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGCONT);
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            return;
        ::usleep(10000);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

int UnusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

} // namespace qle::test
