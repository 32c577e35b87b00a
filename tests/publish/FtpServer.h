// A real FTP server for one test: Debian's pyftpdlib on a free 127.0.0.1 port, serving a
// temporary home to one user. Stopped (and waited for) when the object goes away.
#pragma once

#include <string>
#include <sys/types.h>

namespace qle::test {

class FtpServer
{
public:
    // Starts the server and waits (at most 10 s) until it listens; check started().
    FtpServer(const std::string& home, const std::string& user, const std::string& password);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Stops the server process where it is: it keeps its connections open but answers nothing.
    void freeze();

    bool started() const { return m_port > 0; }
    int port() const { return m_port; }
    // "127.0.0.1:<port>", as the server setting of a site.
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

// A 127.0.0.1 port that nothing listens on (bound, read and released).
int UnusedPort();

} // namespace qle::test
