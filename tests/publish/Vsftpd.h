// An FTP-with-TLS server for one test: vsftpd unpacked into the build folder (never installed),
// started from its binary with a config of the test's own, serving a local account that the test
// makes and removes. It needs root; available() says why not when it cannot run.
#pragma once

#include "LoopbackPort.h"
#include "TestKeys.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace qle::test {

class Vsftpd
{
public:
    static std::string binary() { return std::string(QLE_TEST_SERVERS_FOLDER) + "usr/sbin/vsftpd"; }

    // Empty when the server can run here, else the reason in one line.
    static std::string unavailable()
    {
        if (::geteuid() != 0)
            return "vsftpd needs root and a local account";
        if (!std::filesystem::exists(binary()))
            return "vsftpd is not unpacked into the build folder (scripts/setup.sh does it)";
        return {};
    }

    // Serves `home` (made the account's home) over FTP with TLS only, with the certificate given.
    Vsftpd(const std::string& folder, const std::string& home, const TestCertificate& certificate)
        : m_user("qle" + std::to_string(::getpid() % 100000))
    {
        std::filesystem::create_directories(home);
        std::filesystem::create_directories(folder + "empty");
        CommandOutput("useradd -M -d " + Quoted(home) + " -s /usr/sbin/nologin " + m_user);
        m_madeUser = true;
        CommandOutput("echo '" + m_user + ":" + password() + "' | chpasswd");
        CommandOutput("chown " + m_user + " " + Quoted(home));
        // The account's home may lie under temporary folders only root may enter.
        for (auto up = std::filesystem::path(home).parent_path(); up.has_relative_path(); up = up.parent_path())
            std::filesystem::permissions(up, std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
        m_port = FreeLoopbackPort();
        const std::string config = folder + "vsftpd.conf";
        std::ofstream(config) << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << m_port
                              << "\nlisten_ipv6=NO\nbackground=NO\nanonymous_enable=NO\nlocal_enable=YES\n"
                                 "write_enable=YES\nlocal_umask=022\nchroot_local_user=YES\n"
                                 "allow_writeable_chroot=YES\nseccomp_sandbox=NO\nsecure_chroot_dir="
                              << folder
                              << "empty\nssl_enable=YES\nforce_local_logins_ssl=YES\n"
                                 "force_local_data_ssl=YES\nrequire_ssl_reuse=YES\nrsa_cert_file="
                              << certificate.certificate << "\nrsa_private_key_file=" << certificate.key
                              << "\npam_service_name=quillon-test\nxferlog_enable=NO\nvsftpd_log_file=/dev/null\n"
                                 "pasv_enable=YES\nuse_localtime=NO\nutf8_filesystem=YES\n";
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setpgid(0, 0);
            ::execl(binary().c_str(), "vsftpd", config.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 500 && !m_listening; ++i) {
            m_listening = LoopbackAccepts(m_port);
            if (!m_listening)
                ::usleep(20000);
        }
    }

    ~Vsftpd()
    {
        if (m_pid > 0) {
            ::kill(-m_pid, SIGTERM);
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_madeUser) {
            try {
                CommandOutput("userdel " + m_user);
            } catch (...) {
            }
        }
    }

    Vsftpd(const Vsftpd&) = delete;
    Vsftpd& operator=(const Vsftpd&) = delete;

    bool started() const { return m_listening; }
    const std::string& user() const { return m_user; }
    static std::string password() { return "Tls-Pa55word"; }
    int port() const { return m_port; }

private:
    std::string m_user;
    bool m_madeUser = false;
    int m_port = 0;
    pid_t m_pid = -1;
    bool m_listening = false;
};

} // namespace qle::test
