#include <QtTest>

#include "Paths.h"
#include "TestSupport.h"

class tst_Paths : public QObject
{
    Q_OBJECT

private slots:
    void foldersLieBelowTheBase()
    {
        const QString base = qEnvironmentVariable("QUILLARO_HOME");
        QCOMPARE(Paths::baseFolder(), base);
        QCOMPARE(Paths::programFolder(), base + QStringLiteral("/program"));
        QCOMPARE(Paths::commonFolder(), base + QStringLiteral("/Common"));
        QCOMPARE(Paths::tempFolder(), base + QStringLiteral("/temp"));
    }

    void xdgDataHomeWhenNoQuillaroHome()
    {
        const QByteArray saved = qgetenv("QUILLARO_HOME");
        qunsetenv("QUILLARO_HOME");
        QCOMPARE(Paths::baseFolder(), qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/quillaro"));
        qputenv("QUILLARO_HOME", saved);
    }

    void assetsAreCopiedWithoutOverwritingTheUsersFiles()
    {
        const QString assets = TestSupport::freshFolder(QStringLiteral("assets"));
        TestSupport::makeTree(assets, {{QStringLiteral("language/english.lng"), "T0001\tshipped\n"},
                                       {QStringLiteral("sounds/close.wav"), "RIFF"}});
        TestSupport::writeFile(Paths::commonFolder() + QStringLiteral("/language/english.lng"), "T0001\tmine\n");
        Paths::setShippedAssetsFolder(assets);
        QVERIFY(Paths::prepareFolders());
        QCOMPARE(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/language/english.lng")),
                 QByteArray("T0001\tmine\n"));
        QCOMPARE(TestSupport::readFile(Paths::commonFolder() + QStringLiteral("/sounds/close.wav")), QByteArray("RIFF"));
        QVERIFY(QFileInfo(Paths::tempFolder()).isDir());
        QVERIFY(QFileInfo(Paths::programFolder()).isDir());
    }
};

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_Paths.moc"
