#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Cuts an animated GIF into one complete GIF per frame: the shared head (header, screen
// descriptor, global colour table and the extensions before the first frame), the frame's
// graphic control extension and image, and the trailer. The blocks are parsed, so no frame
// is lost and no cut falls inside image data.
struct GifSplitResult
{
    QList<QByteArray> frames;
    QString error; // empty when the whole file was read; the frames before a fault stay
};
[[nodiscard]] GifSplitResult SplitGif(const QByteArray& gif);
