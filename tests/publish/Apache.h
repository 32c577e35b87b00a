// Debian's Apache (apache2-bin, never installed as a service) started for one test on a free
// 127.0.0.1 port with a configuration of its own: a WebDAV folder at /dav/ (mod_dav, mod_dav_fs)
// and Git repositories at /git/ (git http-backend through mod_cgi), both behind Basic
// authentication, over TLS when given a certificate. As root it serves as nobody/nogroup, to whom
// the served folders are handed, since Apache will not serve as root. Extra configuration (a
// refusal, say) is written at the end and can be changed by a restart on the same port.
#pragma once

#include "LoopbackPort.h"
#include "TestKeys.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::test {

class Apache
{
public:
    static constexpr const char* kProgram = "/usr/sbin/apache2";
    static constexpr const char* kModules = "/usr/lib/apache2/modules/";
    static constexpr const char* kGitBackend = "/usr/lib/git-core/git-http-backend";

    // Why the tests cannot run here, or empty.
    static std::string unavailable()
    {
        if (!std::filesystem::exists(kProgram))
            return std::string(kProgram) + " is missing (Debian's apache2-bin)";
        if (!std::filesystem::exists(kGitBackend))
            return std::string(kGitBackend) + " is missing (Debian's git)";
        return {};
    }

    // Serves `folder` + "dav/" at /dav/ and the bare repositories in `folder` + "git/" at /git/ to
    // the user "jo" with `password`.
    Apache(const std::string& folder, const std::string& password, const TestCertificate* certificate = nullptr,
           const std::string& extra = {})
        : m_folder(folder)
        , m_certificate(certificate)
        , m_extra(extra)
    {
        std::filesystem::create_directories(dav());
        std::filesystem::create_directories(git());
        std::filesystem::create_directories(m_folder + "run");
        CommandOutput("printf 'jo:%s\\n' \"$(openssl passwd -apr1 " + Quoted(password) + ")\" > " +
                      Quoted(m_folder + "htpasswd"));
        for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt)
            start(FreeLoopbackPort());
    }

    // Restarts on the same port with `extra` at the end of the configuration instead of the last.
    bool reconfigure(const std::string& extra)
    {
        stop();
        m_extra = extra;
        const int port = m_port;
        m_port = 0;
        for (int attempt = 0; attempt < 20 && m_port == 0; ++attempt) {
            start(port);
            if (m_port == 0)
                ::usleep(100000); // the port is still being let go
        }
        return started();
    }

    ~Apache() { stop(); }
    Apache(const Apache&) = delete;
    Apache& operator=(const Apache&) = delete;

    bool started() const { return m_port > 0; }
    int port() const { return m_port; }
    std::string dav() const { return m_folder + "dav/"; }
    std::string git() const { return m_folder + "git/"; }

    // Makes a bare repository at /git/NAME that refuses pushes which drop commits and logs every
    // update of its branches, as a host's repository does.
    std::string makeRepository(const std::string& name) const
    {
        const std::string path = git() + name;
        MakeGuardedRepository(path);
        handOver(path);
        return path;
    }

    // Gives the folder to the account Apache serves as (when run as root).
    void handOver(const std::string& path) const
    {
        if (::geteuid() == 0)
            CommandOutput("chown -R nobody:nogroup " + Quoted(path));
    }

    // A bare repository with the settings of a host's: no push that drops commits, every update logged.
    static void MakeGuardedRepository(const std::string& path)
    {
        CommandOutput("git init -q --bare --initial-branch=main " + Quoted(path));
        CommandOutput("git --git-dir=" + Quoted(path) + " config receive.denyNonFastForwards true");
        CommandOutput("git --git-dir=" + Quoted(path) + " config core.logAllRefUpdates always");
    }

private:
    void writeConfiguration(int port) const
    {
        const TestCertificate* certificate = m_certificate;
        const std::string m = kModules;
        std::ofstream conf(m_folder + "httpd.conf");
        conf << "ServerRoot " << m_folder << "\nListen 127.0.0.1:" << port << "\nServerName localhost\n"
             << "PidFile " << m_folder << "run/httpd.pid\nDefaultRuntimeDir " << m_folder << "run\n"
             << "ErrorLog " << m_folder << "error.log\nLogLevel warn\nMutex file:" << m_folder << "run\n"
             << "StartServers 2\nMinSpareServers 2\nMaxRequestWorkers 16\n";
        for (const char* module : {"mpm_prefork", "authz_core", "authn_core", "authn_file", "auth_basic", "authz_user",
                                   "dav", "dav_fs", "alias", "cgi", "env"})
            conf << "LoadModule " << module << "_module " << m << "mod_" << module << ".so\n";
        if (::geteuid() == 0)
            conf << "User nobody\nGroup nogroup\n";
        if (certificate)
            conf << "LoadModule ssl_module " << m << "mod_ssl.so\nLoadModule socache_shmcb_module " << m
                 << "mod_socache_shmcb.so\nSSLEngine on\nSSLCertificateFile " << certificate->certificate
                 << "\nSSLCertificateKeyFile " << certificate->key << "\n";
        conf << "DocumentRoot " << m_folder << "run\nDavLockDB " << m_folder << "run/davlock\n"
             << "Alias /dav " << dav() << "\n<Location /dav>\n  Dav On\n  AuthType Basic\n  AuthName dav\n"
             << "  AuthUserFile " << m_folder << "htpasswd\n  Require valid-user\n</Location>\n"
             << "SetEnv GIT_PROJECT_ROOT " << git() << "\nSetEnv GIT_HTTP_EXPORT_ALL 1\n"
             << "ScriptAlias /git/ " << kGitBackend << "/\n<Location /git/>\n  AuthType Basic\n  AuthName git\n"
             << "  AuthUserFile " << m_folder << "htpasswd\n  Require valid-user\n</Location>\n"
             << m_extra << "\n";
    }

    void start(int port)
    {
        if (port == 0)
            return;
        writeConfiguration(port);
        if (::geteuid() == 0) {
            // The served account must reach the folders; the test's own folder is private.
            std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all |
                                                       std::filesystem::perms::group_exec |
                                                       std::filesystem::perms::others_exec);
            std::filesystem::permissions(std::filesystem::path(m_folder).parent_path().parent_path(),
                                         std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
            handOver(dav());
            handOver(m_folder + "run");
        }
        const std::string conf = m_folder + "httpd.conf";
        m_pid = ::fork();
        if (m_pid == 0) {
            // A group of its own: Apache ends by signalling its whole process group.
            ::setpgid(0, 0);
            ::execl(kProgram, kProgram, "-f", conf.c_str(), "-DFOREGROUND", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (LoopbackAccepts(port)) {
                m_port = port;
                return;
            }
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1; // the port was taken meanwhile, or the configuration failed
                return;
            }
            ::usleep(50000);
        }
        stop();
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        for (int i = 0; i < 300; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            ::usleep(10000);
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    std::string m_folder;
    const TestCertificate* m_certificate;
    std::string m_extra;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace qle::test
