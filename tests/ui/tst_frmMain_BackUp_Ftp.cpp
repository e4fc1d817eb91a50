#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "FtpTestServer.h"
#include "Globals.h"
#include "MessageBox.h"
#include "Paths.h"
#include "QEV_Language.h"
#include "ProfileFixture.h"
#include "TestSupport.h"
#include "WidgetDialogs.h"
#include "frmMain_BackUp.h"

// The FTP page of the real window against a loopback server.
class tst_frmMain_BackUp_Ftp : public QObject
{
    Q_OBJECT

private:
    QString m_root;
    QString m_restore;
    FtpTestServer m_server;

    void connectTo(frmMain_BackUp& w, const QString& user)
    {
        g_frmMain = &w;
        w.Form_Load();
        w.txtFTPserver->setText(QStringLiteral("127.0.0.1"));
        w.txtFTPport->setText(QString::number(m_server.port()));
        w.txtFTPuser->setText(user);
        w.txtFTPpassword->setText(QStringLiteral("pw"));
        w.txtFTPdir->setText(QStringLiteral("backups/test run"));
        w.chkProxy->setChecked(false);
        w.txtFTPrestoreDir->setText(m_restore);
    }
    static QPushButton* button(frmMain_BackUp& w, const char* name)
    {
        return w.findChild<QPushButton*>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
    }

    void init()
    {
        m_root = TestSupport::freshFolder(QStringLiteral("server"));
        m_restore = TestSupport::freshFolder(QStringLiteral("restore"));
        m_server.stop();
        QVERIFY(m_server.start(m_root));
        MessageBoxSeam::clearScript();
        MessageBoxSeam::clearShown();
    }

    // A passed test leaves no test file anywhere, an empty listing and its button enabled.
    void connectionTestPasses()
    {
        frmMain_BackUp w;
        connectTo(w, QStringLiteral("u"));
        QTest::mouseClick(button(w, "cmdTestFTPconnection"), Qt::LeftButton);
        QTRY_COMPARE(w.lblFTPstatus->text(), LangText(196));
        QVERIFY(button(w, "cmdTestFTPconnection")->isEnabled());
        QVERIFY(QDir(m_root + QStringLiteral("/backups/test run")).isEmpty());
        QVERIFY(QDir(m_restore).isEmpty());
        QVERIFY(!QFile::exists(Paths::tempFolder() + QStringLiteral("/testFTP.qev")));
        QCOMPARE(w.lstServerFiles->count(), 0);
        QVERIFY(MessageBoxSeam::shown().isEmpty());
    }

    void connectionTestFails_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("wrong password") << QStringLiteral("nobody");
        QTest::newRow("read-only user") << QStringLiteral("ro");
    }
    void connectionTestFails()
    {
        QFETCH(QString, user);
        frmMain_BackUp w;
        connectTo(w, user);
        QDir().mkpath(m_root + QStringLiteral("/backups/test run"));
        MessageBoxSeam::scriptAnswer(MsgResult::Ok);
        QTest::mouseClick(button(w, "cmdTestFTPconnection"), Qt::LeftButton);
        QTRY_COMPARE(w.lblFTPstatus->text(), LangText(197));
        QCOMPARE(MessageBoxSeam::shown().size(), 1);
        QCOMPARE(MessageBoxSeam::shown().first().text, LangText(198));
        QVERIFY(button(w, "cmdTestFTPconnection")->isEnabled());
        QVERIFY(QDir(m_root + QStringLiteral("/backups/test run")).isEmpty());
    }

    // The manual fetch takes every file the mask matches, without regard to case.
    void retrieveFetchesByMask()
    {
        const QString folder = m_root + QStringLiteral("/backups/test run/");
        TestSupport::writeFile(folder + QStringLiteral("Standard_BackUp_d20260101__1.zip.cry"), "one");
        TestSupport::writeFile(folder + QStringLiteral("Standard_BackUp_d20260101__1.zip"), "plain");
        frmMain_BackUp w;
        connectTo(w, QStringLiteral("u"));
        QCOMPARE(w.txtRetrieveMask->text(), QStringLiteral("*_Backup_*.cry"));
        QTest::mouseClick(button(w, "cmdFTPretrieve"), Qt::LeftButton);
        QTRY_VERIFY(button(w, "cmdFTPretrieve")->isEnabled());
        QCOMPARE(QDir(m_restore).entryList(QDir::Files), QStringList{QStringLiteral("Standard_BackUp_d20260101__1.zip.cry")});
        QCOMPARE(TestSupport::readFile(m_restore + QStringLiteral("/Standard_BackUp_d20260101__1.zip.cry")), QByteArray("one"));
        QVERIFY(w.RtbNews1->toPlainText().contains(QStringLiteral("COMMAND : GET")));
    }

    void restoreFolderIsTempBelowTheChoice()
    {
        frmMain_BackUp w;
        connectTo(w, QStringLiteral("u"));
        const QString chosen = TestSupport::freshFolder(QStringLiteral("chosen"));
        WidgetDialogs::setFolderAnswer([&](const QString&, const QString&) { return chosen; });
        QTest::mouseClick(button(w, "cmdSelectPathFTPrestore"), Qt::LeftButton);
        QCOMPARE(w.txtFTPrestoreDir->text(), chosen + QStringLiteral("/temp"));
        QVERIFY(QFileInfo(chosen + QStringLiteral("/temp")).isDir());
        WidgetDialogs::setFolderAnswer([](const QString&, const QString&) { return QString(); });
        QTest::mouseClick(button(w, "cmdSelectPathFTPrestore"), Qt::LeftButton);
        QCOMPARE(w.txtFTPrestoreDir->text(), chosen + QStringLiteral("/temp"));
        WidgetDialogs::setFolderAnswer({});
    }
};

QTEST_MAIN(tst_frmMain_BackUp_Ftp)
#include "tst_frmMain_BackUp_Ftp.moc"
