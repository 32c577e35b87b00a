// What the publish tab does to the FTP settings the author types, and the addresses it opens.
#pragma once

#include <QString>

namespace qle::ui {

// The page of domain-name sellers that the web-address button opens, and the button's caption.
inline constexpr const char* kWebAddressPage = "https://www.icann.org/en/accredited-registrars";
inline constexpr const char* kWebAddressCaption = "www.YourName.com";
// The FTP host named in the hint above the server box.
inline constexpr const char* kExampleFtpHost = "ftp.example.com";

// The remote root on leaving its box: a trailing "/" added when missing (empty becomes "/"),
// then lower case.
QString RootOnLeaving(const QString& root);

// The remote site folder on leaving its box: empty stays empty, "/" becomes empty, a leading "/" is
// removed, else a missing trailing "/" is added; then lower case. "/MySite" needs two leavings to
// become "mysite/", so that root and folder join without separators.
QString DirectoryOnLeaving(const QString& directory);

// Your_Homepage from a provider's page prefix and the user name: prefix + name + "/"; a page that
// holds the placeholder USERNAME has it replaced by the name instead (nothing for an empty name).
QString HomepageFor(const QString& providerPage, const QString& username);

// A provider's setting with the placeholder USERNAME replaced by the user name, when there is one.
QString WithUserName(const QString& setting, const QString& username);

// The published front page: the home page address, a "/" unless it already ends in one, the
// site folder, then the homepage's relative page path.
QString PublishedPageAddress(const QString& yourHomepage, const QString& directory, const QString& homePagePath);

} // namespace qle::ui
