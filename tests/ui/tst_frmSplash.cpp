#include <QtTest>

#include <QLabel>
#include <QProgressBar>

#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "frmSplash.h"

class tst_frmSplash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { frmSplash::setMinimumShowTime(0); }

    void init() { MessageBoxSeam::clearShown(); }

    void animatesAndClosesItselfWithAFullBar()
    {
        QVERIFY(Paths::prepareFolders());
        frmSplash splash;
        QCOMPARE(splash.lblVersion->text(), QStringLiteral("v. ") + g_ProgramVersion);
        QCOMPARE(splash.lblVersion2->text(), splash.lblVersion->text());
        QCOMPARE(splash.Label2->text(), QStringLiteral("loading ..."));
        QCOMPARE(iGifFrames, qint16(8));
        QCOMPARE(splash.GifSrc.size(), 8);
        QSet<int> seen;
        connect(splash.Timer1, &QTimer::timeout, this, [&] { seen.insert(splash.frameCounter()); });
        splash.open();
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 10000);
        QCOMPARE(splash.result(), int(QDialog::Accepted));
        QCOMPARE(splash.ProgressBar1->value(), 90);
        QVERIFY(!splash.GifView->pixmap().isNull());
        QVERIFY(seen.size() >= 8); // every frame, the last one too
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void aMissingPictureIsToldAndTheSplashStillCloses()
    {
        QFile::remove(Paths::commonFolder() + QStringLiteral("/bitmap/q.e.v2.gif"));
        frmSplash splash;
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().title, QStringLiteral("File Not Found"));
        splash.open();
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 10000);
        QCOMPARE(splash.ProgressBar1->value(), 90);
    }
};

QTEST_MAIN(tst_frmSplash)
#include "tst_frmSplash.moc"
