#include <QtTest>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "QEV_Capture.h"
#include "QEV_ErrorLog.h"
#include "TestSupport.h"

class tst_QEV_Capture : public QObject
{
    Q_OBJECT

private slots:
    void init() { QFile::remove(ErrorLogPath()); }

    void savesTheWholeScreenAndLeavesTheClipboardAlone()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's own text"));
        const QString file =
            TestSupport::freshFolder(QStringLiteral("shot")) + QStringLiteral("/desk.bmp");
        QVERIFY(Capture_Desktop(file));
        QVERIFY(TestSupport::readFile(file).startsWith("BM"));
        const QImage picture(file, "BMP");
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QGuiApplication::primaryScreen()->virtualGeometry().size());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the user's own text"));
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void aFolderThatDoesNotExistGivesFalseAndOneLogEntry()
    {
        QVERIFY(!Capture_Desktop(QStringLiteral("/nonexistent/folder/desk.bmp")));
        const QString log = QString::fromUtf8(TestSupport::readFile(ErrorLogPath()));
        QCOMPARE(log.count(QLatin1Char('\n')), 1);
        QVERIFY(log.contains(QStringLiteral("Capture_Desktop of Modul QEV_Capture")));
    }
};

QTEST_MAIN(tst_QEV_Capture)
#include "tst_QEV_Capture.moc"
