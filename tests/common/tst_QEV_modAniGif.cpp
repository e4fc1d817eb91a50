#include <QtTest>

#include <QLabel>

#include "GifSplit.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_modAniGif.h"
#include "TestSupport.h"

namespace {

QByteArray shippedGif()
{
    return TestSupport::readFile(TestSupport::sourceCommonFolder()
                                 + QStringLiteral("/bitmap/q.e.v2.gif"));
}

// The shipped animation cut down to its first frames: the head, then each frame's own blocks.
QByteArray gifWithFrames(int count)
{
    const QByteArray gif = shippedGif();
    const QList<QByteArray> frames = SplitGif(gif).frames;
    const qsizetype control = frames.first().indexOf(QByteArray("\x21\xF9", 2));
    QByteArray out = frames.first().left(control);
    for (int i = 0; i < count; ++i)
        out += frames.at(i).mid(control).chopped(1);
    return out + '\x3B';
}

QString writeGif(const QString& name, const QByteArray& content)
{
    const QString path = TestSupport::freshFolder(QStringLiteral("gifs")) + QLatin1Char('/') + name;
    TestSupport::writeFile(path, content);
    return path;
}

QString frameFolder() { return Paths::programFolder() + QStringLiteral("/giftmp"); }

} // namespace

class tst_QEV_modAniGif : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        MessageBoxSeam::clearShown();
        iGifFrames = 42;
    }

    void loadsEveryFrameIntoTheArray()
    {
        QWidget window;
        GifImageArray GifSrc;
        GifSrc[1] = new QLabel(&window);
        QLabel* designed = GifSrc[1];
        LoadGif(writeGif(QStringLiteral("logo.gif"), shippedGif()), &window, GifSrc);
        QCOMPARE(iGifFrames, qint16(8));
        QCOMPARE(GifSrc.size(), 8);
        QCOMPARE(GifSrc.value(1), designed);
        for (int i = 1; i <= 8; ++i) {
            QVERIFY(GifSrc.value(i));
            QCOMPARE(GifSrc.value(i)->parentWidget(), &window);
            QCOMPARE(GifSrc.value(i)->pixmap().size(), QSize(96, 96));
        }
        QVERIFY(GifSrc.value(1)->pixmap().toImage() != GifSrc.value(2)->pixmap().toImage());
        QVERIFY(QDir(frameFolder()).exists());
        QVERIFY(QDir(frameFolder()).entryList(QDir::Files).isEmpty());
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void aSecondCallStartsAgainAtOne()
    {
        QWidget first;
        GifImageArray firstFrames;
        LoadGif(writeGif(QStringLiteral("five.gif"), gifWithFrames(5)), &first, firstFrames);
        QCOMPARE(iGifFrames, qint16(5));
        QWidget second;
        GifImageArray secondFrames;
        LoadGif(writeGif(QStringLiteral("three.gif"), gifWithFrames(3)), &second, secondFrames);
        QCOMPARE(iGifFrames, qint16(3));
        QCOMPARE(secondFrames.keys(), (QList<int>{1, 2, 3}));
        QCOMPARE(secondFrames.value(1)->pixmap().toImage(),
                 firstFrames.value(1)->pixmap().toImage());
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("File %1 not found")
                                 << QStringLiteral("File Not Found");
        QTest::newRow("lower-case signature")
            << QByteArray("gif89a" + shippedGif().mid(6)) << QStringLiteral("Inviald Gif Format")
            << QStringLiteral("Error");
        QTest::newRow("other format")
            << QByteArray("\x89PNG\r\n") << QStringLiteral("Inviald Gif Format")
            << QStringLiteral("Error");
    }

    void refusedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QString path = TestSupport::freshFolder(QStringLiteral("bad")) + QStringLiteral("/x.gif");
        if (!content.isEmpty())
            TestSupport::writeFile(path, content);
        QWidget window;
        GifImageArray GifSrc;
        LoadGif(path, &window, GifSrc);
        QCOMPARE(iGifFrames, qint16(42));
        QVERIFY(GifSrc.isEmpty());
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        const MsgRequest box = MessageBoxSeam::shown().first();
        QCOMPARE(box.text, text.contains(QStringLiteral("%1")) ? text.arg(path) : text);
        QCOMPARE(box.title, title);
        QCOMPARE(box.icon, MsgIcon::Critical);
    }
};

QTEST_MAIN(tst_QEV_modAniGif)
#include "tst_QEV_modAniGif.moc"
