#include "Events.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void DoEventsFor(int milliseconds)
{
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents, milliseconds);
    QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 
                                        static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
}
