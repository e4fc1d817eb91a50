#include "WebOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

WebOpener::Fake& fakeOpener()
{
    static WebOpener::Fake fake;
    return fake;
}

} // namespace

namespace WebOpener {

bool open(const QString& address)
{
    if (fakeOpener()) {
        fakeOpener()(address);
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void setFake(Fake fake) { fakeOpener() = std::move(fake); }

} // namespace WebOpener
