#include "WebFetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

int& timeoutSetting()
{
    static int ms = 20000;
    return ms;
}

WebFetch::Fake& fakeFetch()
{
    static WebFetch::Fake fake;
    return fake;
}

WebFetch::Result failed(const QString& error)
{
    WebFetch::Result result;
    result.error = error;
    return result;
}

// The transfer time-out catches a server that stops sending; the deadline one that sends a
// byte now and then for ever.
WebFetch::Result waitFor(QNetworkReply* reply)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(4 * timeoutSetting());
    if (!reply->isFinished())
        loop.exec();
    // The program ending leaves the loop before the transfer has ended.
    if (!reply->isFinished()) {
        reply->abort();
        return failed(QStringLiteral("the transfer was broken off"));
    }
    if (reply->error() != QNetworkReply::NoError)
        return failed(reply->errorString());
    WebFetch::Result result;
    result.ok = true;
    result.body = reply->readAll();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    return result;
}

} // namespace

namespace WebFetch {

Result get(const QString& address)
{
    if (fakeFetch())
        return fakeFetch()(address);
    const QUrl url(address);
    if (!url.isValid() || url.isRelative())
        return failed(QStringLiteral("not a web address: ") + address);
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutSetting());
    QNetworkReply* reply = manager.get(request);
    Result result = waitFor(reply);
    delete reply;
    return result;
}

void setTimeoutMs(int milliseconds) { timeoutSetting() = milliseconds; }

int timeoutMs() { return timeoutSetting(); }

void setFake(Fake fake) { fakeFetch() = std::move(fake); }

} // namespace WebFetch
