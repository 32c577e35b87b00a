#include "ui/editor/PublishRules.h"

namespace qle::ui {

QString RootOnLeaving(const QString& root)
{
    QString result = root;
    if (!result.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result.toLower();
}

QString DirectoryOnLeaving(const QString& directory)
{
    QString result = directory;
    if (result.isEmpty()) {
        // left as it is
    } else if (result == QLatin1String("/")) {
        result.clear();
    } else if (result.startsWith(QLatin1Char('/'))) {
        result.remove(0, 1);
    } else if (!result.endsWith(QLatin1Char('/'))) {
        result += QLatin1Char('/');
    }
    return result.toLower();
}

namespace {

const QLatin1String kUserNamePlaceholder("USERNAME");

} // namespace

QString HomepageFor(const QString& providerPage, const QString& username)
{
    if (providerPage.contains(kUserNamePlaceholder))
        return WithUserName(providerPage, username);
    return providerPage + username + QLatin1Char('/');
}

QString WithUserName(const QString& setting, const QString& username)
{
    QString result = setting;
    if (!username.isEmpty())
        result.replace(kUserNamePlaceholder, username);
    return result;
}

QString PublishedPageAddress(const QString& yourHomepage, const QString& directory, const QString& homePagePath)
{
    const QString separator = yourHomepage.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    return yourHomepage + separator + directory + homePagePath;
}

} // namespace qle::ui
