// One real server of a protocol for a test: pyftpdlib for FTP, vsftpd for FTP with TLS (root
// only: see Vsftpd::unavailable), asyncssh for SFTP, each serving a temporary home as "/" to one
// account, with the connection settings that reach it (the server's identity already trusted).
#pragma once

#include "FtpServer.h"
#include "TestKeys.h"
#include "Vsftpd.h"
#include "publish/remote/Connection.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qle::test {

inline constexpr const char* kRemotePassword = "Secret-Pa55word";

// One real server of each protocol, serving a temporary home as "/" to one account.
class RemoteServer
{
public:
    // `extra`: options for the pyftpdlib and asyncssh servers (see ftp_server.py, sftp_server.py).
    RemoteServer(publish::Protocol protocol, const std::string& folder, const std::vector<std::string>& extra = {})
        : home(folder + "home/")
    {
        std::filesystem::create_directories(home);
        settings.protocol = protocol;
        settings.host = "127.0.0.1";
        settings.userName = "jo";
        settings.password = kRemotePassword;
        settings.timeouts = {5, 5};
        switch (protocol) {
        case publish::Protocol::Git:
        case publish::Protocol::WebDav:
            break; // served by Apache.h and the file:// repositories of the Git and WebDAV tests
        case publish::Protocol::Ftp:
            m_python = std::make_unique<FtpServer>(home, "jo", kRemotePassword, extra);
            break;
        case publish::Protocol::Sftp: {
            TestSshKey hostKey(folder, "host");
            m_python = std::make_unique<SftpServer>(home, "jo", kRemotePassword, hostKey.path, "", extra);
            settings.trustedKey = hostKey.fingerprint;
            break;
        }
        case publish::Protocol::Ftps: {
            TestCertificate certificate(folder, "localhost");
            m_vsftpd = std::make_unique<Vsftpd>(folder, home, certificate);
            settings.userName = m_vsftpd->user();
            settings.password = Vsftpd::password();
            settings.trustedKey = certificate.fingerprint;
            break;
        }
        }
        started = m_python ? m_python->started() : m_vsftpd->started();
        settings.port = m_python ? m_python->port() : m_vsftpd->port();
    }

    // The site's server setting: "127.0.0.1:<port>".
    std::string address() const { return "127.0.0.1:" + std::to_string(settings.port); }

    std::string home;
    publish::ConnectionSettings settings;
    bool started = false;

private:
    std::unique_ptr<PythonServer> m_python;
    std::unique_ptr<Vsftpd> m_vsftpd;
};

} // namespace qle::test
