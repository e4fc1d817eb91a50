#include "Clock.h"

#include <ctime>

#include <QElapsedTimer>

namespace {

QDateTime& fixedNow()
{
    static QDateTime fixed;
    return fixed;
}

} // namespace

namespace Clock {

QDateTime now() { return fixedNow().isValid() ? fixedNow() : QDateTime::currentDateTime(); }
QDate today() { return now().date(); }

qint64 monotonicMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

void pinLocalTimeZone()
{
    if (qEnvironmentVariableIsSet("TZ"))
        return;
    qputenv("TZ", ":/etc/localtime");
    tzset();
}

void setFixedNow(const QDateTime& fixed) { fixedNow() = fixed; }

} // namespace Clock
