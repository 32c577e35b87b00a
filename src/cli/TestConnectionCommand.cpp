#include "cli/Commands.h"
#include "cli/SiteConnection.h"

#include "publish/client/ConnectionTest.h"

#include <iostream>

namespace qle::cli {

int TestConnectionCommand(const Arguments& arguments)
{
    Arguments args = arguments;
    std::string trust;
    if (!TakeTrustOption(args, trust) || args.size() != 1 || args[0].starts_with("-")) {
        std::cerr << "usage: quillon test-connection SITE.qls [--trust FINGERPRINT]\n";
        return 2;
    }
    const std::string& sitePath = args[0];
    publish::FtpSettings ftp;
    SiteSecrets secrets;
    if (int status = PrepareSite(sitePath, trust, ftp, secrets); status != 0)
        return status;
    const auto secret = AskSecret(ftp, secrets);
    if (!secret)
        return 1;
    auto settings = publish::SettingsForSite(ftp, *secret);
    if (!settings) {
        std::cerr << "quillon: " << settings.status().message() << '\n';
        return 1;
    }
    const publish::ConnectionReport report = publish::TestConnection(settings.value(), ftp);
    for (const auto& step : report.steps)
        std::cout << step << '\n';
    if (report.failure == publish::Failure::UnknownIdentity || report.failure == publish::Failure::ChangedIdentity) {
        std::cout << "The server shows:\n  " << report.identity.fingerprint << '\n';
        if (!report.identity.description.empty())
            std::cout << "  " << report.identity.description << '\n';
        std::cout << "If that is your server, accept it with: quillon test-connection " << sitePath << " --trust "
                  << report.identity.fingerprint << '\n';
    }
    return report.ok ? 0 : 1;
}

} // namespace qle::cli
