#include <QtTest>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "GifSplit.h"
#include "TestSupport.h"

namespace {

QByteArray shippedGif()
{
    return TestSupport::readFile(TestSupport::sourceCommonFolder()
                                 + QStringLiteral("/bitmap/q.e.v2.gif"));
}

// A 2x2 GIF with a two-colour table; each image's data is given raw, so that a test can put
// any bytes inside it.
QByteArray tinyGif(const QList<QByteArray>& imageData, bool withControl)
{
    QByteArray gif("GIF89a\x02\x00\x02\x00\x80\x00\x00", 13);
    gif += QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6);
    for (const QByteArray& data : imageData) {
        if (withControl)
            gif += QByteArray("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
        gif += QByteArray("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02", 11);
        gif += char(data.size()) + data + '\0';
    }
    return gif + '\x3B';
}

QList<QImage> decodeAll(const QByteArray& gif)
{
    QBuffer buffer;
    buffer.setData(gif);
    QImageReader reader(&buffer, "gif");
    QList<QImage> images;
    for (QImage image = reader.read(); !image.isNull(); image = reader.read())
        images.append(image.convertToFormat(QImage::Format_RGB32));
    return images;
}

} // namespace

class tst_GifSplit : public QObject
{
    Q_OBJECT

private slots:
    void everyFrameOfTheShippedPictureComesOutWholeAndDecodes()
    {
        const QByteArray gif = shippedGif();
        const QList<QImage> expected = decodeAll(gif);
        QCOMPARE(expected.size(), 8);
        const GifSplitResult split = SplitGif(gif);
        QVERIFY2(split.error.isEmpty(), qPrintable(split.error));
        QCOMPARE(split.frames.size(), expected.size());
        for (qsizetype i = 0; i < split.frames.size(); ++i) {
            QVERIFY(split.frames.at(i).endsWith('\x3B'));
            const QList<QImage> decoded = decodeAll(split.frames.at(i));
            QCOMPARE(decoded.size(), 1);
            QCOMPARE(decoded.first(), expected.at(i));
        }
        QVERIFY(split.frames.at(0) != split.frames.at(1));
    }

    void frameCounts_data()
    {
        QTest::addColumn<QByteArray>("gif");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("complete");
        // 00 21 F9 inside image data looked like the start of a further frame.
        const QByteArray lookalike("\x00\x21\xF9\x04\x00", 5);
        QTest::newRow("separator bytes inside image data")
            << tinyGif({lookalike, lookalike}, true) << 2 << true;
        QTest::newRow("images without control blocks")
            << tinyGif({"ab", "cd", "ef"}, false) << 3 << true;
        QTest::newRow("one frame") << tinyGif({"ab"}, true) << 1 << true;
        const QByteArray gif = shippedGif();
        QTest::newRow("no trailer") << gif.chopped(1) << 8 << false;
        QTest::newRow("cut inside the sixth frame") << gif.left(gif.size() * 11 / 16) << 5 << false;
        QTest::newRow("header only") << gif.left(40) << 0 << false;
        QTest::newRow("not a GIF") << QByteArray("PNG not a gif at all") << 0 << false;
    }

    void frameCounts()
    {
        QFETCH(QByteArray, gif);
        QFETCH(int, frames);
        QFETCH(bool, complete);
        const GifSplitResult split = SplitGif(gif);
        QCOMPARE(split.frames.size(), frames);
        QCOMPARE(split.error.isEmpty(), complete);
    }

    void extensionsBeforeTheFirstFrameGoIntoEveryFrame()
    {
        const QByteArray gif = shippedGif();
        const QByteArray loop("\x21\xFF\x0BNETSCAPE2.0", 14);
        QVERIFY(gif.contains(loop));
        for (const QByteArray& frame : SplitGif(gif).frames)
            QCOMPARE(frame.count(loop), 1);
    }
};

QTEST_GUILESS_MAIN(tst_GifSplit)
#include "tst_GifSplit.moc"
