// Real servers for one test, each on a free 127.0.0.1 port and stopped (and waited for) when the
// object goes away: Debian's pyftpdlib for FTP (over TLS only, when given a certificate) and
// asyncssh for SFTP.
#pragma once

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qle::test {

// A server script run by Debian's interpreter that prints "PORT <n>" once it listens and stops
// when its standard input closes.
class PythonServer
{
public:
    // Starts the server and waits (at most 10 s) until it listens; check started().
    PythonServer(const std::string& script, const std::vector<std::string>& args)
    {
        int toServer[2];
        int fromServer[2];
        if (::pipe2(toServer, O_CLOEXEC) != 0 || ::pipe2(fromServer, O_CLOEXEC) != 0)
            return;
        std::vector<char*> argv {const_cast<char*>("python3"), const_cast<char*>(script.c_str())};
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(toServer[0], STDIN_FILENO);
            ::dup2(fromServer[1], STDOUT_FILENO);
            // Debian's interpreter: another python3 earlier on PATH may not see Debian's packages.
            ::execv("/usr/bin/python3", argv.data());
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

    ~PythonServer()
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

    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    // Stops the server process where it is: it keeps its connections open but answers nothing.
    void freeze()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGSTOP);
    }

    bool started() const { return m_port > 0; }
    int port() const { return m_port; }
    // "127.0.0.1:<port>", as the server setting of a site.
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

// `extra`: a certificate file (FTP over TLS only) and options (see ftp_server.py): "--max-cons=N",
// "--stall-at-upload=N", "--faults=PATH", "--note=PATH", "--case-insensitive", "--renames=...".
class FtpServer : public PythonServer
{
public:
    FtpServer(const std::string& home, const std::string& user, const std::string& password,
              const std::vector<std::string>& extra = {})
        : PythonServer(QLE_TEST_FTP_SERVER_SCRIPT, Arguments({home, user, password}, extra))
    {
    }

private:
    static std::vector<std::string> Arguments(std::vector<std::string> args, const std::vector<std::string>& extra)
    {
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

// Serves `home` as "/" to `user` with the password, or a key listed in `authorizedKeys`; `extra`:
// options (see sftp_server.py): "--faults=PATH", "--note=PATH".
class SftpServer : public PythonServer
{
public:
    SftpServer(const std::string& home, const std::string& user, const std::string& password,
               const std::string& hostKey, const std::string& authorizedKeys = {},
               const std::vector<std::string>& extra = {})
        : PythonServer(QLE_TEST_SFTP_SERVER_SCRIPT, Arguments(home, user, password, hostKey, authorizedKeys, extra))
    {
    }

private:
    static std::vector<std::string> Arguments(const std::string& home, const std::string& user,
                                              const std::string& password, const std::string& hostKey,
                                              const std::string& authorizedKeys, const std::vector<std::string>& extra)
    {
        std::vector<std::string> args {home, user, password, hostKey};
        if (!authorizedKeys.empty())
            args.push_back(authorizedKeys);
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

} // namespace qle::test
