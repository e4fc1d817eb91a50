#include "WebAddresses.h"

#include <QUrl>

#include "Paths.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

QString address(const char* key, const QString& defaultAddress)
{
    const QString value = SettingsStore::getValue(SettingsKeys::userScope(), QStringLiteral("Settings"),
                                                  QString::fromLatin1(key), defaultAddress);
    return value.trimmed().isEmpty() ? defaultAddress : value.trimmed();
}

QString address(const char* key, const char* defaultAddress)
{
    return address(key, QString::fromLatin1(defaultAddress));
}

} // namespace

namespace WebAddresses {

QString homePage() { return address("HomePageURL", "https://quillaro.invalid/"); }

QString newsDocument() { return address("NewsURL", "https://quillaro.invalid/news/news.html"); }

QString versionList()
{
    return address("VersionListURL", "https://quillaro.invalid/news/versions.txt");
}

QString downloadPage() { return address("DownloadURL", "https://quillaro.invalid/download"); }

QString helpPage()
{
    return address("HelpURL", QUrl::fromLocalFile(Paths::shippedHelpFile()).toString());
}

QString productPage() { return address("ProductURL", "https://quillaro.invalid/product"); }

QString tipsPage() { return address("TipsURL", "https://quillaro.invalid/help"); }

QString forumPage() { return address("ForumURL", "https://quillaro.invalid/forum"); }

QString suitePage() { return address("SuiteURL", "https://quillaro.invalid/products"); }

QString bugReportPage() { return address("BugReportURL", "https://quillaro.invalid/bugreport"); }

} // namespace WebAddresses
