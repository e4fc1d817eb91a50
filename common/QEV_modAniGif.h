#pragma once

#include <QMap>
#include <QString>

class QLabel;
class QWidget;

// The image-control array of a window that shows an animated GIF, indexed from 1; element 1
// is made with the window, LoadGif makes the further ones.
using GifImageArray = QMap<int, QLabel*>;

// The number of frames the last LoadGif put into its window's GifSrc.
extern qint16 iGifFrames;

// Splits the animated GIF into its frames (through frame files in the program folder's
// "giftmp" folder, removed again) and loads frame i into GifSrc[i], for every frame.
// A missing file or one that is not a GIF is told to the user and loads nothing.
void LoadGif(const QString& path, QWidget* window, GifImageArray& GifSrc);
