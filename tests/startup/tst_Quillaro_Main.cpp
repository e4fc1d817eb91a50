#include <memory>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "Globals.h"
#include "Paths.h"
#include "ProfileFixture.h"
#include "ProfileFile.h"
#include "QEV_ErrorLog.h"
#include "QEV_Language.h"
#include "Quillaro_Main.h"
#include "Quillaro_Sub.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TestSupport.h"
#include "frmMain_BackUp.h"

namespace {

QStringList listRows(const QListWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

void writeProfile(const QString& name, const QString& row)
{
    QString error;
    QVERIFY2(ProfileFile::write(ProfileFile::path(name), {{row, true}}, &error), qPrintable(error));
}

} // namespace

// "/profile:" applied to the real main window, offscreen: the box and the loaded profile
// always agree.
class tst_Quillaro_Main : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void switchSelectsAsTheBoxDoes();
    void exactNameBeforeAnotherCase();
    void unknownNameChangesNothingUnattended();
    void profileIndexFallback_data();
    void profileIndexFallback();
    void closeWhileTheFirstProfileLoadsEndsTheStart();

private:
    frmMain_BackUp* start();
    // The box names the profile whose source list is shown, and its index agrees.
    void verifyInStep(const QString& profile, const QString& row);
    std::unique_ptr<frmMain_BackUp> m_window;
};

void tst_Quillaro_Main::initTestCase() { QVERIFY(TestSupport::prepareProgram()); }

void tst_Quillaro_Main::init()
{
    TestSupport::clearProfiles();
    writeProfile(QStringLiteral("Standard"), QStringLiteral("/standard/*.*"));
    writeProfile(QStringLiteral("Work"), QStringLiteral("/work/*.*"));
}

void tst_Quillaro_Main::cleanup()
{
    if (m_window)
        m_window->close();
    m_window.reset();
}

frmMain_BackUp* tst_Quillaro_Main::start()
{
    m_window = std::make_unique<frmMain_BackUp>();
    g_frmMain = m_window.get();
    m_window->Form_Load();
    return m_window.get();
}

void tst_Quillaro_Main::verifyInStep(const QString& profile, const QString& row)
{
    QComboBox* box = m_window->cmbProfiles;
    QCOMPARE(box->currentText(), profile);
    QCOMPARE(box->currentIndex(), box->findText(profile));
    QCOMPARE(m_window->txtProfile->text(), profile);
    QCOMPARE(listRows(m_window->List1), QStringList{row});
}

// Choosing the start profile again after the switch must load it, or the next save writes
// one profile's list into the other.
void tst_Quillaro_Main::switchSelectsAsTheBoxDoes()
{
    frmMain_BackUp* w = start();
    verifyInStep(QStringLiteral("Standard"), QStringLiteral("/standard/*.*"));
    QVERIFY(ApplyProfileSwitch(*w, QStringLiteral("work"), false));
    verifyInStep(QStringLiteral("Work"), QStringLiteral("/work/*.*"));
    w->cmbProfiles->setCurrentIndex(w->cmbProfiles->findText(QStringLiteral("Standard")));
    verifyInStep(QStringLiteral("Standard"), QStringLiteral("/standard/*.*"));
    Save_Settings();
    QCOMPARE(ProfileFile::read(ProfileFile::path(QStringLiteral("Standard"))).rows.first().text,
             QStringLiteral("/standard/*.*"));
    QCOMPARE(ProfileFile::read(ProfileFile::path(QStringLiteral("Work"))).rows.first().text,
             QStringLiteral("/work/*.*"));
}

void tst_Quillaro_Main::exactNameBeforeAnotherCase()
{
    writeProfile(QStringLiteral("Office"), QStringLiteral("/Office/*.*"));
    writeProfile(QStringLiteral("office"), QStringLiteral("/office/*.*"));
    frmMain_BackUp* w = start();
    QVERIFY(ApplyProfileSwitch(*w, QStringLiteral("office"), true));
    verifyInStep(QStringLiteral("office"), QStringLiteral("/office/*.*"));
    QVERIFY(ApplyProfileSwitch(*w, QStringLiteral("Office"), true));
    verifyInStep(QStringLiteral("Office"), QStringLiteral("/Office/*.*"));
    // Two profiles answer to it in another case: neither is taken.
    QVERIFY(!ApplyProfileSwitch(*w, QStringLiteral("OFFICE"), true));
    verifyInStep(QStringLiteral("Office"), QStringLiteral("/Office/*.*"));
}

void tst_Quillaro_Main::unknownNameChangesNothingUnattended()
{
    frmMain_BackUp* w = start();
    QVERIFY(!ApplyProfileSwitch(*w, QStringLiteral("NoSuchProfile"), true));
    verifyInStep(QStringLiteral("Standard"), QStringLiteral("/standard/*.*"));
}

void tst_Quillaro_Main::profileIndexFallback_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("reported");
    QTest::newRow("none stored: first entry") << QString() << "Standard" << false;
    QTest::newRow("third entry") << "2" << "Zeta" << false;
    QTest::newRow("not a number: start profile") << "one" << "Work" << true;
    QTest::newRow("outside the list: start profile") << "7" << "Work" << false;
}

// The start profile "Work" is neither the first nor the last entry, so a box left at an
// entry tried on the way shows.
void tst_Quillaro_Main::profileIndexFallback()
{
    QFETCH(QString, stored);
    QFETCH(QString, profile);
    QFETCH(bool, reported);
    const QString scope = SettingsKeys::userScope();
    if (!stored.isNull())
        SettingsStore::saveValue(scope, QStringLiteral("Settings"), QStringLiteral("ProfileIndex"), stored);
    SettingsStore::saveValue(scope, QStringLiteral("Settings"), QStringLiteral("ProfileText"),
                             QStringLiteral("Work"));
    writeProfile(QStringLiteral("Zeta"), QStringLiteral("/zeta/*.*"));
    frmMain_BackUp* w = start();
    verifyInStep(QStringLiteral("Work"), QStringLiteral("/work/*.*"));
    QVERIFY(ApplyProfileSwitch(*w, QStringLiteral("NoSuchProfile"), false));
    verifyInStep(profile, QLatin1Char('/') + profile.toLower() + QStringLiteral("/*.*"));
    QCOMPARE(QString::fromUtf8(TestSupport::readFile(ErrorLogPath()))
                 .contains(QStringLiteral("ProfileIndex is not a number")),
             reported);
}

// The start-up goes no further than the window: the close waits for the load, the window
// then closes with the whole list saved, and no event loop is left waiting for a window.
void tst_Quillaro_Main::closeWhileTheFirstProfileLoadsEndsTheStart()
{
    QList<ProfileRow> rows;
    for (int i = 0; i < 200; ++i)
        rows.append({QStringLiteral("/standard/f%1/*.*").arg(i), i % 3 == 0});
    QString error;
    QVERIFY(ProfileFile::write(ProfileFile::path(QStringLiteral("Standard")), rows, &error));
    const QByteArray saved = TestSupport::readFile(ProfileFile::path(QStringLiteral("Standard")));
    QTimer closer;
    closer.setInterval(0);
    connect(&closer, &QTimer::timeout, this, [&] {
        if (isLoadingSettings() && g_frmMain) {
            closer.stop();
            g_frmMain->close();
        }
    });
    closer.start();
    SingleInstance instance;
    const StartResult started = Main({}, instance);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closer.isActive()); // the close came during a load
    QVERIFY(!started.keepRunning);
    QCOMPARE(started.exitCode, 0);
    QCOMPARE(g_frmMain, nullptr);
    QCOMPARE(TestSupport::readFile(ProfileFile::path(QStringLiteral("Standard"))), saved);
}

QTEST_MAIN(tst_Quillaro_Main)
#include "tst_Quillaro_Main.moc"
