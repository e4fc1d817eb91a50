#include "QEV_modAniGif.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "GifSplit.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"

qint16 iGifFrames = 0;

namespace {

QString gifLabel() { return ModulLabel("LoadGif", "QEV_modAniGif"); }
QString frameFolder() { return Paths::programFolder() + QStringLiteral("/giftmp"); }
QString frameFile(int number)
{
    return frameFolder() + QLatin1Char('/') + QString::number(number) + QStringLiteral(".gif");
}

// Gives the file's bytes when it is there and a GIF; otherwise tells the user.
bool readGif(const QString& path, QByteArray* data)
{
    if (ListMatches(path, ListFilter::Plain).isEmpty()) {
        MsgBox(QStringLiteral("File ") + path + QStringLiteral(" not found"), MsgButtons::Ok,
               MsgIcon::Critical, QStringLiteral("File Not Found"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReportError(gifLabel(), ErrNo::PermissionDenied,
                    QStringLiteral("cannot read ") + path + QStringLiteral(": ")
                        + file.errorString());
        return false;
    }
    *data = file.readAll();
    if (!data->startsWith("GIF")) {
        MsgBox(QStringLiteral("Inviald Gif Format"), MsgButtons::Ok, MsgIcon::Critical,
               QStringLiteral("Error"));
        return false;
    }
    return true;
}

bool writeFrame(int number, const QByteArray& frame)
{
    QFile file(frameFile(number));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(frame) == frame.size())
        return true;
    ReportError(gifLabel(), ErrNo::PathFileAccess,
                QStringLiteral("cannot write the frame file ") + file.fileName()
                    + QStringLiteral(": ") + file.errorString());
    return false;
}

QLabel* element(QWidget* window, GifImageArray& GifSrc, int index)
{
    QLabel*& label = GifSrc[index];
    if (!label) {
        label = new QLabel(window);
        label->setObjectName(QStringLiteral("GifSrc"));
        label->setProperty("Index", index);
        label->hide(); // the frames are held here and shown in the window's display image
    }
    return label;
}

} // namespace

void LoadGif(const QString& path, QWidget* window, GifImageArray& GifSrc)
{
    QByteArray data;
    if (!readGif(path, &data))
        return;
    const GifSplitResult split = SplitGif(data);
    if (!split.error.isEmpty())
        ReportError(gifLabel(), ErrNo::BadFileName, path + QStringLiteral(": ") + split.error);
    CreateDirectoryStruct(frameFolder());
    qint16 loaded = 0;
    for (const QByteArray& frame : split.frames) {
        const int number = loaded + 1;
        if (!writeFrame(number, frame))
            break;
        // A frame that does not decode stays empty, as the window shows it anyway.
        element(window, GifSrc, number)->setPixmap(QPixmap(frameFile(number)));
        QFile::remove(frameFile(number));
        loaded = static_cast<qint16>(number);
    }
    iGifFrames = loaded;
}
