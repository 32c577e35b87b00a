#include "cli/Commands.h"
#include "cli/SiteConnection.h"

#include "publish/remote/Secrets.h"

#include <iostream>

namespace qle::cli {

namespace {

int PasswordUsage()
{
    std::cerr << "usage: quillon password SITE.qls --set|--forget\n";
    return 2;
}

// Removes the copy the site file holds, if any; says so. False (after a message) when it cannot.
bool ClearFileCopy(const std::string& sitePath, const publish::FtpSettings& ftp)
{
    if (ftp.password.empty())
        return true;
    if (Status s = publish::ClearSitePassword(sitePath); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return false;
    }
    std::cout << "The site file no longer holds the password.\n";
    return true;
}

int SetPassword(const std::string& sitePath, const publish::FtpSettings& ftp, SiteSecrets& secrets)
{
    const auto password =
        secrets.ui.askSecret(publish::SecretPrompt(publish::SecretNeeded::Password, ftp), app::kProgramTitle);
    if (!password || password->empty()) {
        std::cerr << "quillon: nothing was typed; nothing was stored\n";
        return 1;
    }
    if (Status s = secrets.passwords.store(ftp, *password); !s.ok()) {
        // No keyring has been told already.
        if (s.code() != Status::Code::Unavailable)
            std::cerr << "quillon: " << s.message() << '\n';
        std::cerr << "quillon: nothing was stored\n";
        return 1;
    }
    std::cout << "The desktop's keyring keeps the password for " << publish::PasswordOwner(ftp) << ".\n";
    if (!ClearFileCopy(sitePath, ftp))
        return 1;
    // From now on the site keeps it in the keyring, whatever it kept before.
    if (ftp.passwordInFile) {
        if (Status s = publish::SavePasswordInFile(sitePath, false); !s.ok()) {
            std::cerr << "quillon: " << s.message() << '\n';
            return 1;
        }
    }
    return 0;
}

int ForgetPassword(const std::string& sitePath, const publish::FtpSettings& ftp, SiteSecrets& secrets)
{
    if (!ClearFileCopy(sitePath, ftp))
        return 1;
    if (Status s = secrets.passwords.forget(ftp); !s.ok()) {
        std::cerr << "quillon: " << s.message() << '\n';
        return 1;
    }
    std::cout << "No password is kept for " << publish::PasswordOwner(ftp) << "; it is asked for when you publish.\n";
    return 0;
}

} // namespace

int PasswordCommand(const Arguments& args)
{
    std::string sitePath;
    std::string action;
    for (const std::string& arg : args) {
        if (arg == "--set" || arg == "--forget") {
            if (!action.empty())
                return PasswordUsage();
            action = arg;
        } else if (arg.starts_with("-") || !sitePath.empty()) {
            return PasswordUsage();
        } else {
            sitePath = arg;
        }
    }
    if (sitePath.empty() || action.empty())
        return PasswordUsage();
    const auto ftp = LoadSite(sitePath);
    if (!ftp)
        return 1;
    SiteSecrets secrets;
    return action == "--set" ? SetPassword(sitePath, *ftp, secrets) : ForgetPassword(sitePath, *ftp, secrets);
}

} // namespace qle::cli
