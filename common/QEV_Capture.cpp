#include "QEV_Capture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>

#include "Events.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"

namespace {

bool fail(int number, const QString& why)
{
    ReportError(ModulLabel("Capture_Desktop", "QEV_Capture"), number, why);
    return false;
}

// All screens together, as one picture.
QPixmap grabDesktop(QScreen* screen)
{
    const QRect all = screen->virtualGeometry();
    const QPoint origin = screen->geometry().topLeft();
    return screen->grabWindow(0, all.x() - origin.x(), all.y() - origin.y(), all.width(),
                              all.height());
}

} // namespace

bool Capture_Desktop(const QString& fileName)
{
    DoEvents();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return fail(ErrNo::DeviceIO, QStringLiteral("there is no screen to take a picture of"));
    const QPixmap picture = grabDesktop(screen);
    if (picture.isNull())
        return fail(ErrNo::DeviceIO, QStringLiteral("the screen picture could not be taken"));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(ErrNo::PathNotFound, QStringLiteral("cannot write ") + fileName
                                             + QStringLiteral(": ") + file.errorString());
    if (!picture.save(&file, "BMP") || !file.commit())
        return fail(ErrNo::DeviceIO, QStringLiteral("cannot save the screen picture to ") + fileName
                                         + QStringLiteral(": ") + file.errorString());
    return true;
}
