#include <QtTest>

#include <QAction>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>

#include "Globals.h"
#include "MessageBox.h"
#include "ProfileFixture.h"
#include "QEV_GetSystemInfos.h"
#include "WebOpener.h"
#include "frmAbout.h"
#include "frmMain_BackUp.h"

namespace {

// The rows of the system information: caption and value.
QMap<QString, QString> systemRows(const frmAbout& about)
{
    QMap<QString, QString> rows;
    auto* form = qobject_cast<QFormLayout*>(about.fraSysInfo->layout());
    for (int i = 0; form && i < form->rowCount(); ++i) {
        auto* caption = qobject_cast<QLabel*>(form->itemAt(i, QFormLayout::LabelRole)->widget());
        auto* value = qobject_cast<QLabel*>(form->itemAt(i, QFormLayout::FieldRole)->widget());
        rows.insert(caption->text(), value->text());
    }
    return rows;
}

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT

private:
    QStringList m_opened;

private slots:
    void initTestCase()
    {
        QVERIFY(TestSupport::prepareProgram());
        WebOpener::setFake([this](const QString& page) { m_opened << page; });
    }

    void showsTheProgramAndWhatTheSystemTells()
    {
        frmAbout about;
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("About ") + AppName);
        QCOMPARE(about.lblTitle->text(), AppName);
        QCOMPARE(about.lblVersion->text(), QStringLiteral("Version ") + g_ProgramVersion);
        QVERIFY(about.fraSysInfo->isHidden());
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QVERIFY(about.fraSysInfo->isVisible());
        const QMap<QString, QString> rows = systemRows(about);
        QCOMPARE(rows.value(QStringLiteral("Operating system:")), GetWinVersion());
        QCOMPARE(rows.value(QStringLiteral("User:")), GetUser());
        QCOMPARE(rows.value(QStringLiteral("Machine ID:")), g_MachineID);
        // A value this system does not have is left out rather than shown empty.
        QCOMPARE(rows.contains(QStringLiteral("Company:")), !GetCompany().isEmpty());
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(it.key()));
        QVERIFY(MessageBoxSeam::shown().isEmpty());
        QTest::mouseClick(about.cmdOK, Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void thePictureAndTheMakersLinesOpenTheHomePage()
    {
        m_opened.clear();
        frmAbout about;
        about.show();
        for (QLabel* link : {about.Image1, about.Label2, about.Label3, about.lblDisclaimer})
            QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(m_opened.size(), 4);
        QCOMPARE(m_opened.first(), QStringLiteral("https://quillaro.invalid/"));
        QCOMPARE(m_opened.count(m_opened.first()), 4);
    }

    void theMainWindowsAboutCommandsShowIt_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("help menu") << QStringLiteral("About");
        QTest::newRow("menu bar") << QStringLiteral("mnuAbout");
    }

    void theMainWindowsAboutCommandsShowIt()
    {
        QFETCH(QString, command);
        TestSupport::clearProfiles();
        frmMain_BackUp window;
        g_frmMain = &window;
        window.Form_Load();
        QString shown;
        QTimer::singleShot(0, this, [&] {
            auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            QVERIFY(about);
            shown = about->windowTitle();
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        });
        window.findChild<QAction*>(command)->trigger();
        QCOMPARE(shown, QStringLiteral("About ") + AppName);
        QVERIFY(window.isVisible());
        g_frmMain = nullptr;
    }
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
