#include "WebAddresses.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace {

QString address(const char* key, const char* defaultAddress)
{
    const QString value
        = SettingsStore::getValue(SettingsKeys::userScope(), QStringLiteral("Settings"),
                                  QString::fromLatin1(key), QString::fromLatin1(defaultAddress));
    return value.trimmed().isEmpty() ? QString::fromLatin1(defaultAddress) : value.trimmed();
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

} // namespace WebAddresses
