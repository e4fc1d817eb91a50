#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include "ArchiveStore.h"
#include "FileAttributes.h"
#include "TestSupport.h"

using namespace TestSupport;

namespace {

quint32 attributesOf(const QString& path)
{
    quint32 bits = 0;
    QString error;
    if (!FileAttributes::get(path, &bits, &error))
        qWarning() << error;
    return bits;
}

// What sqlite3's own Python module prints for a query of the store, a line per row.
QStringList queried(const char* sql)
{
    QString out;
    const int rc = runTool(QStringLiteral("python3"),
                           {QStringLiteral("-c"),
                            QStringLiteral("import sqlite3,sys;[print(*r) for r in "
                                           "sqlite3.connect(sys.argv[1]).execute(sys.argv[2])]"),
                            ArchiveStore::databaseFile(), QString::fromLatin1(sql)},
                           &out);
    return rc == 0 ? out.split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList{QStringLiteral("?")};
}

int storedRows()
{
    bool ok = false;
    const int rows = queried("select count(*) from cleared").value(0).toInt(&ok);
    return ok ? rows : -1;
}

QStringList storedPaths() { return queried("select path from cleared order by path"); }

// Changes the store behind the program's back, as another program would.
bool deleteRowsElsewhere()
{
    return runTool(QStringLiteral("python3"),
                   {QStringLiteral("-c"),
                    QStringLiteral("import sqlite3,sys;c=sqlite3.connect(sys.argv[1]);"
                                   "c.execute('delete from cleared');c.commit()"),
                    ArchiveStore::databaseFile()})
           == 0;
}

} // namespace

// File attributes and the archive attribute store.
class tst_FileAttributes : public QObject
{
    Q_OBJECT

private slots:
    void newFileHasArchiveAttribute();
    void clearingHoldsUntilTheFileChanges();
    void settingDeletesTheRow();
    void clearedAttributeOutlivesTheConnection();
    void rowIsKeyedByTheCleanPath_data();
    void rowIsKeyedByTheCleanPath();
    void readOnlyFollowsOwnerWrite();
    void kindsOfEntries();
    void missingPathFails();
    void runSnapshotAnswersFromOneReading();
    void runSnapshotFollowsTheRunsChanges();
    void unreadableStoreIsReportedDuringARun();
    void fileChangedBeforeItsClearStaysChanged();
    void storeOfAnEarlierVersionCounts();
};

void tst_FileAttributes::newFileHasArchiveAttribute()
{
    const QString file = freshFolder(QStringLiteral("a")) + QStringLiteral("/doc.txt");
    writeFile(file, "text");
    QCOMPARE(attributesOf(file), FileAttributes::Archive);
}

void tst_FileAttributes::clearingHoldsUntilTheFileChanges()
{
    const QString file = freshFolder(QStringLiteral("a")) + QStringLiteral("/doc.txt");
    writeFile(file, "text");
    QString error;
    QVERIFY2(FileAttributes::setArchive(file, false, &error), qPrintable(error));
    QCOMPARE(attributesOf(file), FileAttributes::Normal);
    writeFile(file, "longer text"); // a new size and time
    QCOMPARE(attributesOf(file), FileAttributes::Archive);
    QVERIFY(FileAttributes::set(file, 0, &error));
    QCOMPARE(attributesOf(file), FileAttributes::Normal);
}

void tst_FileAttributes::settingDeletesTheRow()
{
    const QString file = freshFolder(QStringLiteral("a")) + QStringLiteral("/doc.txt");
    writeFile(file, "text");
    QString error;
    const int before = storedRows();
    QVERIFY(FileAttributes::setArchive(file, false, &error));
    QCOMPARE(storedRows(), before + 1);
    QVERIFY(FileAttributes::setArchive(file, true, &error));
    QCOMPARE(storedRows(), before);
    QCOMPARE(attributesOf(file), FileAttributes::Archive);
}

void tst_FileAttributes::clearedAttributeOutlivesTheConnection()
{
    const QString file = freshFolder(QStringLiteral("a")) + QStringLiteral("/keep.txt");
    writeFile(file, "text");
    QString error;
    QVERIFY(FileAttributes::setArchive(file, false, &error));
    ArchiveStore::reset();
    QCOMPARE(attributesOf(file), FileAttributes::Normal);
}

void tst_FileAttributes::rowIsKeyedByTheCleanPath_data()
{
    QTest::addColumn<QString>("written");
    QTest::newRow("clean") << QStringLiteral("%1/sub/doc.txt");
    QTest::newRow("doubled slash") << QStringLiteral("%1//sub/doc.txt");
    QTest::newRow("dot part") << QStringLiteral("%1/./sub/doc.txt");
    QTest::newRow("dot-dot part") << QStringLiteral("%1/sub/../sub/doc.txt");
    QTest::newRow("relative") << QStringLiteral("sub/doc.txt");
}

// However the path is written, the row holds the file's absolute, cleaned path, and every
// spelling of it finds the row.
void tst_FileAttributes::rowIsKeyedByTheCleanPath()
{
    QFETCH(QString, written);
    const QString folder = freshFolder(QStringLiteral("keys"));
    const QString clean = folder + QStringLiteral("/sub/doc.txt");
    writeFile(clean, "text");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    const QString path = written.contains(QLatin1Char('%')) ? written.arg(folder) : written;
    QString error;
    QVERIFY(deleteRowsElsewhere());
    QVERIFY2(FileAttributes::setArchive(path, false, &error), qPrintable(error));
    QCOMPARE(storedPaths(), QStringList{clean});
    QCOMPARE(attributesOf(path), FileAttributes::Normal);
    QCOMPARE(attributesOf(clean), FileAttributes::Normal);
    QCOMPARE(attributesOf(folder + QStringLiteral("//sub/./doc.txt")), FileAttributes::Normal);
    QVERIFY(QDir::setCurrent(previous));
}

void tst_FileAttributes::readOnlyFollowsOwnerWrite()
{
    const QString file = freshFolder(QStringLiteral("a")) + QStringLiteral("/ro.txt");
    writeFile(file, "text");
    QString error;
    QVERIFY(FileAttributes::set(file, FileAttributes::ReadOnly | FileAttributes::Archive, &error));
    QVERIFY(!(QFile::permissions(file) & QFile::WriteOwner));
    QCOMPARE(attributesOf(file), FileAttributes::ReadOnly | FileAttributes::Archive);
    QVERIFY(FileAttributes::set(file, FileAttributes::Archive | FileAttributes::Hidden, &error));
    QVERIFY(QFile::permissions(file) & QFile::WriteOwner);
    QCOMPARE(attributesOf(file), FileAttributes::Archive); // hidden is not set by a call
}

void tst_FileAttributes::kindsOfEntries()
{
    const QString folder = freshFolder(QStringLiteral("k"));
    writeFile(folder + QStringLiteral("/.hidden"), "x");
    QCOMPARE(attributesOf(folder + QStringLiteral("/.hidden")),
             FileAttributes::Hidden | FileAttributes::Archive);
    QCOMPARE(attributesOf(folder), FileAttributes::Directory);
    const QByteArray fifo = QFile::encodeName(folder + QStringLiteral("/pipe"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    QCOMPARE(attributesOf(QFile::decodeName(fifo)), FileAttributes::System);
}

void tst_FileAttributes::missingPathFails()
{
    quint32 bits = 0;
    QString error;
    QVERIFY(!FileAttributes::get(QStringLiteral("/nonexistent/file"), &bits, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!FileAttributes::get(QString(), &bits, &error));
    QVERIFY(!FileAttributes::setArchive(QStringLiteral("/nonexistent/file"), false, &error));
}

void tst_FileAttributes::runSnapshotAnswersFromOneReading()
{
    // A store of one row: the run reads it at its first lookup.
    ArchiveStore::reset();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(ArchiveStore::databaseFile() + QLatin1String(suffix));
    const QString folder = freshFolder(QStringLiteral("s"));
    writeFile(folder + QStringLiteral("/old.txt"), "cleared before the run");
    writeFile(folder + QStringLiteral("/new.txt"), "never cleared");
    QString error;
    QVERIFY(FileAttributes::setArchive(folder + QStringLiteral("/old.txt"), false, &error));
    ArchiveStore::reset();
    {
        const FileAttributes::RunSnapshot run;
        QCOMPARE(attributesOf(folder + QStringLiteral("/new.txt")), FileAttributes::Archive);
        QVERIFY(deleteRowsElsewhere()); // read once: the run keeps what it read
        QCOMPARE(attributesOf(folder + QStringLiteral("/old.txt")), FileAttributes::Normal);
    }
    // Without the run's copy the store is asked again.
    QCOMPARE(attributesOf(folder + QStringLiteral("/old.txt")), FileAttributes::Archive);
}

void tst_FileAttributes::runSnapshotFollowsTheRunsChanges()
{
    const QString file = freshFolder(QStringLiteral("r")) + QStringLiteral("/doc.txt");
    writeFile(file, "text");
    QString error;
    const int before = storedRows();
    const FileAttributes::RunSnapshot run;
    QCOMPARE(attributesOf(file), FileAttributes::Archive);
    QVERIFY(FileAttributes::clearArchive({file}, &error));
    QCOMPARE(attributesOf(file), FileAttributes::Normal); // a clear made earlier in the run
    QCOMPARE(storedRows(), before + 1); // and in the store for the next run
    writeFile(file, "changed after its clear");
    QCOMPARE(attributesOf(file), FileAttributes::Archive);
    QVERIFY(FileAttributes::setArchive(file, false, &error));
    QCOMPARE(attributesOf(file), FileAttributes::Normal);
    QVERIFY(FileAttributes::setArchive(file, true, &error));
    QCOMPARE(attributesOf(file), FileAttributes::Archive);
    QCOMPARE(storedRows(), before);
}

void tst_FileAttributes::unreadableStoreIsReportedDuringARun()
{
    const QString file = freshFolder(QStringLiteral("u")) + QStringLiteral("/doc.txt");
    writeFile(file, "text");
    ArchiveStore::reset();
    writeFile(ArchiveStore::databaseFile(), QByteArray(4096, 'x')); // not a database
    const FileAttributes::RunSnapshot run;
    quint32 bits = 0;
    QString error;
    QVERIFY(!FileAttributes::get(file, &bits, &error));
    QVERIFY2(error.contains(ArchiveStore::databaseFile()), qPrintable(error));
    QFile::remove(ArchiveStore::databaseFile());
    ArchiveStore::reset();
}

void tst_FileAttributes::fileChangedBeforeItsClearStaysChanged()
{
    const QString file = freshFolder(QStringLiteral("c")) + QStringLiteral("/doc.txt");
    writeFile(file, "as the run read it");
    QString error;
    {
        const FileAttributes::RunSnapshot run;
        FileAttributes::FileStat seen;
        quint32 bits = 0;
        QVERIFY(FileAttributes::get(file, &bits, &error, &seen));
        QCOMPARE(bits, FileAttributes::Archive);
        QCOMPARE(seen.size, qint64(18));
        writeFile(file, "changed before the backup was delivered");
        QVERIFY2(FileAttributes::clearArchive({file}, &error), qPrintable(error));
        QCOMPARE(attributesOf(file), FileAttributes::Archive);
    }
    QCOMPARE(attributesOf(file), FileAttributes::Archive); // the next run backs it up again
}

// A store as earlier versions left it (the same table, written by sqlite3's own Python module
// without a write-ahead log) answers for its files, asked file by file and from a run's copy,
// and the files a run found set before it read the table keep the stamp it found them with.
void tst_FileAttributes::storeOfAnEarlierVersionCounts()
{
    ArchiveStore::reset();
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(ArchiveStore::databaseFile() + QLatin1String(suffix));
    const QString folder = freshFolder(QStringLiteral("earlier"));
    const auto file = [&folder](int i) { return folder + QStringLiteral("/f%1.txt").arg(i, 2, 10, QLatin1Char('0')); };
    for (int i = 0; i < 30; ++i)
        writeFile(file(i), QByteArray(i + 1, 'x'));
    // Rows for f00-f19 as they are, for f20-f24 with another size (changed since), none after.
    const int rc = runTool(QStringLiteral("python3"),
                           {QStringLiteral("-c"),
                            QStringLiteral("import os,sqlite3,sys\n"
                                           "c=sqlite3.connect(sys.argv[1])\n"
                                           "c.execute('CREATE TABLE cleared (path TEXT PRIMARY KEY,"
                                           " mtime_ns INTEGER NOT NULL, size INTEGER NOT NULL)')\n"
                                           "for i in range(25):\n"
                                           "  p=os.path.join(sys.argv[2],'f%02d.txt'%i);s=os.stat(p)\n"
                                           "  c.execute('insert into cleared values (?,?,?)',"
                                           "(p,s.st_mtime_ns,s.st_size+(i>=20)))\n"
                                           "c.commit()"),
                            ArchiveStore::databaseFile(), folder});
    QCOMPARE(rc, 0);
    QCOMPARE(attributesOf(file(0)), FileAttributes::Normal);
    QCOMPARE(attributesOf(file(20)), FileAttributes::Archive);
    ArchiveStore::reset();
    {
        const FileAttributes::RunSnapshot run;
        // f24 and f23 first: they are asked about before the run reads the whole table, which
        // holds other stamps for them.
        QList<int> order;
        for (int i = 24; i >= 0; --i)
            order << i;
        order << 29 << 28 << 27 << 26 << 25;
        for (const int i : order)
            QCOMPARE(attributesOf(file(i)), i < 20 ? FileAttributes::Normal : FileAttributes::Archive);
        for (const int i : {25, 0})
            QCOMPARE(attributesOf(file(i)), i < 20 ? FileAttributes::Normal : FileAttributes::Archive);
        writeFile(file(24), "changed before the backup was delivered");
        writeFile(file(29), "changed before the backup was delivered");
        QString error;
        QVERIFY2(FileAttributes::clearArchive({file(23), file(24), file(29), file(21)}, &error), qPrintable(error));
        for (const int i : {23, 21})
            QCOMPARE(attributesOf(file(i)), FileAttributes::Normal);
        for (const int i : {24, 29})
            QCOMPARE(attributesOf(file(i)), FileAttributes::Archive);
    }
    for (const int i : {0, 23, 21})
        QCOMPARE(attributesOf(file(i)), FileAttributes::Normal);
    for (const int i : {24, 29, 28})
        QCOMPARE(attributesOf(file(i)), FileAttributes::Archive);
    QCOMPARE(storedRows(), 26);
}

QTEST_GUILESS_MAIN(tst_FileAttributes)
#include "tst_FileAttributes.moc"
