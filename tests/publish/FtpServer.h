// A real FTP server for one test: Debian's pyftpdlib on a free 127.0.0.1 port, serving a
// temporary home to one user. Stopped (and waited for) when the object goes away.
#pragma once

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::test {

class FtpServer
{
public:
    // Starts the server and waits (at most 10 s) until it listens; check started().
    FtpServer(const std::string& home, const std::string& user, const std::string& password)
    {
        int toServer[2];
        int fromServer[2];
        if (::pipe2(toServer, O_CLOEXEC) != 0 || ::pipe2(fromServer, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(toServer[0], STDIN_FILENO);
            ::dup2(fromServer[1], STDOUT_FILENO);
            // Debian's interpreter: another python3 earlier on PATH may not see Debian's packages.
            ::execl("/usr/bin/python3", "python3", QLE_TEST_FTP_SERVER_SCRIPT, home.c_str(), user.c_str(),
                    password.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(toServer[0]);
        ::close(fromServer[1]);
        m_stdin = toServer[1];
        std::string announced;
        pollfd wait {fromServer[0], POLLIN, 0};
        char buffer[64];
        ssize_t n = 0;
        while (m_pid > 0 && announced.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0 &&
               (n = ::read(fromServer[0], buffer, sizeof buffer)) > 0)
            announced.append(buffer, static_cast<std::size_t>(n));
        ::close(fromServer[0]);
        std::sscanf(announced.c_str(), "PORT %d", &m_port);
    }

    ~FtpServer()
    {
        // Closing its input stops the server; a server that does not stop in 3 s is killed.
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

    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Stops the server process where it is: it keeps its connections open but answers nothing.
    void freeze()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGSTOP);
    }

    bool started() const { return m_port > 0; }
    // "127.0.0.1:<port>", as the server setting of a site.
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

} // namespace qle::test
