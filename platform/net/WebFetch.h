#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

// Fetches a document over HTTP. The call returns when the document has arrived, the
// transfer failed or the time-out passed; the event loop keeps turning meanwhile, so the
// window stays responsive.
namespace WebFetch {

struct Result
{
    bool ok = false;
    QByteArray body;
    QString contentType; // as the server declared it; empty when it did not
    QString error;       // why the fetch failed; empty when it succeeded
};

// Gets the document at the address. A transfer that brings nothing for the time-out, or
// that is not finished within four times it, fails.
[[nodiscard]] Result get(const QString& address);

// The time-out of a transfer in milliseconds (20000; tests shorten it).
void setTimeoutMs(int milliseconds);
[[nodiscard]] int timeoutMs();

// Tests: answers every fetch in place of the network; an empty function restores it.
using Fake = std::function<Result(const QString& address)>;
void setFake(Fake fake);

} // namespace WebFetch
