#include "cli/SiteConnection.h"

#include "app/Paths.h"
#include "app/SiteSchema.h"
#include "publish/client/ConnectionTest.h"

#include <iostream>
#include <optional>

namespace qle::cli {

bool TakeTrustOption(std::vector<std::string>& args, std::string& trust)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--trust")
            continue;
        if (i + 1 >= args.size()) {
            std::cerr << "quillon: --trust needs the server's fingerprint (SHA256:...)\n";
            return false;
        }
        trust = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return true;
    }
    return true;
}

SiteSecrets::SiteSecrets()
    : keyring(app::DesktopKeyring())
    , passwords(*keyring, ui)
{
}

std::optional<publish::FtpSettings> LoadSite(const std::string& sitePath)
{
    // A site file of an earlier version gains the template's views and settings fields first.
    if (Status s = app::UpgradeSiteFile(sitePath, app::TemplateSitePath(app::ProgramFolder())); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return std::nullopt;
    }
    auto ftp = publish::LoadFtpSettings(sitePath);
    if (!ftp) {
        std::cerr << "quillon: " << ftp.status().message() << '\n';
        return std::nullopt;
    }
    return ftp.value();
}

namespace {

int AcceptTrust(const std::string& sitePath, const std::string& trust, publish::FtpSettings& ftp)
{
    if (trust.empty())
        return 0;
    auto wanted = publish::NormaliseFingerprint(trust);
    if (!wanted) {
        std::cerr << "quillon: " << wanted.status().message() << '\n';
        return 2;
    }
    if (publish::ParseProtocol(ftp.protocol).value_or(publish::Protocol::Ftp) == publish::Protocol::Ftp) {
        std::cerr << "quillon: --trust applies to FTP with TLS and SFTP; this site publishes by plain FTP\n";
        return 2;
    }
    auto settings = publish::SettingsForSite(ftp);
    if (!settings) {
        std::cerr << "quillon: " << settings.status().message() << '\n';
        return 1;
    }
    auto shown = publish::FetchServerIdentity(settings.value());
    if (!shown) {
        std::cerr << "quillon: " << shown.status().message() << '\n';
        return 1;
    }
    if (shown->fingerprint != wanted.value()) {
        std::cerr << "quillon: the server " << ftp.server << " shows " << shown->fingerprint << ", not "
                  << wanted.value() << ". Nothing was sent and nothing was stored.\n";
        return 1;
    }
    if (Status s = publish::SaveTrustedKey(sitePath, wanted.value()); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    ftp.trustedKey = wanted.value();
    std::cout << "Trusted " << ftp.server << ": " << wanted.value() << '\n';
    return 0;
}

} // namespace

std::optional<std::string> AskSecret(const publish::FtpSettings& ftp, SiteSecrets& secrets)
{
    auto secret = publish::UploadSecret(ftp, secrets.passwords, secrets.ui);
    if (!secret)
        std::cerr << "quillon: nothing was typed; nothing was sent\n";
    return secret;
}

int PrepareSite(const std::string& sitePath, const std::string& trust, publish::FtpSettings& ftp, SiteSecrets& secrets)
{
    auto loaded = LoadSite(sitePath);
    if (!loaded)
        return 1;
    ftp = std::move(*loaded);
    // Before anything copies the site file (publish takes a snapshot): a password that moves is in
    // no backup taken from now on.
    const Status moved = publish::OfferToMovePassword(sitePath, ftp, secrets.passwords,
                                                      [&secrets](const auto& q) { return secrets.ui.answerYesNo(q); });
    if (!moved.ok())
        std::cerr << "quillon: " << moved.message() << '\n';
    return AcceptTrust(sitePath, trust, ftp);
}

} // namespace qle::cli
