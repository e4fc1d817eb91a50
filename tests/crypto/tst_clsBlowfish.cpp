#include <csignal>

#include <sys/resource.h>

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "QEV_ErrorLog.h"
#include "TestSupport.h"
#include "clsBlowfish.h"

using namespace TestSupport;

namespace {

const QString kArchiveKey = QStringLiteral("K8:w-secretRb\\7@");

QString seventyTwoByteKey()
{
    QString key;
    for (int i = 0; i < 72; ++i)
        key += QLatin1Char(static_cast<char>(0x21 + i % 90));
    return key;
}

// Reproducible bytes of every value.
QByteArray sampleData(qsizetype length)
{
    QByteArray data(length, Qt::Uninitialized);
    quint32 state = 12345;
    for (qsizetype i = 0; i < length; ++i) {
        state = state * 1103515245U + 12345U;
        data[i] = static_cast<char>(state >> 16);
    }
    return data;
}

qint64 expectedSize(qint64 length)
{
    return (length + 12 + 7) / 8 * 8;
}

QString errorLog()
{
    return QString::fromUtf8(readFile(ErrorLogPath()));
}

// The filler words the next encryptions use, in turn.
class FixedFiller
{
public:
    explicit FixedFiller(QList<quint32> words)
    {
        clsBlowfish::setFillerSource(
            [words, at = qsizetype(0)]() mutable { return words[at++ % words.size()]; });
    }
    ~FixedFiller() { clsBlowfish::setFillerSource({}); }
    Q_DISABLE_COPY(FixedFiller)
};

// Every progress value a cipher raises.
struct ProgressLog
{
    explicit ProgressLog(clsBlowfish& cipher)
    {
        QObject::connect(&cipher, &clsBlowfish::Progress, &cipher,
                         [this](int& percent) { values.append(percent); });
    }
    QList<int> values;
};

} // namespace

class tst_clsBlowfish : public QObject
{
    Q_OBJECT

private:
    static void addDamageRows();
    static void block(clsBlowfish& cipher, quint32& L, quint32& R, bool encrypt)
    {
        encrypt ? cipher.EncryptBlock(L, R) : cipher.DecryptBlock(L, R);
    }

private slots:
    // Each case reads only the error lines it caused.
    void init() { QFile::remove(ErrorLogPath()); }
    void blockVectors_data();
    void blockVectors();
    void newKeyStartsFromInitialTables();
    void knownArchives_data();
    void knownArchives();
    void roundTrips_data();
    void roundTrips();
    void fillerDiffersEachTime();
    void progress_data();
    void progress();
    void textForms();
    void hexForms();
    void damagedBuffer_data();
    void damagedBuffer();
    void damagedFile_data();
    void damagedFile();
    void existingOutputKeptWithoutOverwrite();
    void sameFileInPlace();
    void failedWriteKeepsTarget();
    void tooLongForLengthField();
    void unreadableOrUnwritable();
    void busyObjectRefusesSecondOperation();
};

void tst_clsBlowfish::blockVectors_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<quint32>("plainL");
    QTest::addColumn<quint32>("plainR");
    QTest::addColumn<quint32>("cipherL");
    QTest::addColumn<quint32>("cipherR");

    struct Row
    {
        const char* name;
        QString key;
        quint32 v[3][2];
    };
    const QString k72 = seventyTwoByteKey();
    const QList<Row> rows = {
        {"initialTables",
         QString(),
         {{0xF155B7CF, 0xC1E56C7B}, {0x79DB5955, 0x89C58B48}, {0x0ECA8173, 0xEFD2D403}}},
        {"archiveKey",
         kArchiveKey,
         {{0xC5461765, 0x375EDAB4}, {0xDBD97C06, 0x7136121B}, {0x7829613C, 0x7A39C7C3}}},
        {"oneByteKey",
         QStringLiteral("a"),
         {{0x2B44B5D9, 0x95412584}, {0x6441EBA0, 0x55C1238A}, {0xFF13B306, 0xB8F7EFCB}}},
        {"seventyTwoBytes",
         k72,
         {{0xFFC783EB, 0x1EEFE70F}, {0x0C8D0DF2, 0x143D1E43}, {0x233EE1D8, 0x096A2F04}}},
        {"bytesBeyondSeventyTwoIgnored",
         k72 + QStringLiteral("ignored!"),
         {{0xFFC783EB, 0x1EEFE70F}, {0x0C8D0DF2, 0x143D1E43}, {0x233EE1D8, 0x096A2F04}}},
        {"utf8Password",
         QStringLiteral("K8:w-p\u00e4sswort\u20acRb\\7@"),
         {{0x9912E429, 0xFB42F7DA}, {0xCA24A5F3, 0xA30FFA25}, {0x2E0110D5, 0xE82ED46B}}},
    };
    const quint32 plain[3][2] = {{0, 0}, {0x01234567, 0x89ABCDEF}, {0xFFFFFFFF, 0xFFFFFFFF}};
    for (const Row& row : rows) {
        for (int i = 0; i < 3; ++i)
            QTest::addRow("%s-%d", row.name, i)
                << row.key << plain[i][0] << plain[i][1] << row.v[i][0] << row.v[i][1];
    }
}

void tst_clsBlowfish::blockVectors()
{
    QFETCH(QString, key);
    QFETCH(quint32, plainL);
    QFETCH(quint32, plainR);
    QFETCH(quint32, cipherL);
    QFETCH(quint32, cipherR);

    clsBlowfish cipher;
    cipher.Key(key);
    quint32 L = plainL;
    quint32 R = plainR;
    block(cipher, L, R, true);
    QCOMPARE(L, cipherL);
    QCOMPARE(R, cipherR);
    block(cipher, L, R, false);
    QCOMPARE(L, plainL);
    QCOMPARE(R, plainR);
}

void tst_clsBlowfish::newKeyStartsFromInitialTables()
{
    clsBlowfish cipher;
    const auto encryptZero = [&cipher] {
        quint32 L = 0;
        quint32 R = 0;
        block(cipher, L, R, true);
        return QPair<quint32, quint32>(L, R);
    };
    cipher.Key(QStringLiteral("a"));
    cipher.Key(kArchiveKey);
    QCOMPARE(encryptZero(), qMakePair(0xC5461765U, 0x375EDAB4U));
    cipher.Key(QStringLiteral("a"));
    QCOMPARE(encryptZero(), qMakePair(0x2B44B5D9U, 0x95412584U));
    cipher.Key(QString());
    QCOMPARE(encryptZero(), qMakePair(0xF155B7CFU, 0xC1E56C7BU));

    // A reused object writes what a new one reads.
    QByteArray first = sampleData(40);
    QVERIFY(cipher.EncryptByte(first, QStringLiteral("other")));
    QByteArray second = sampleData(40);
    QVERIFY(cipher.EncryptByte(second, kArchiveKey));
    clsBlowfish reader;
    QVERIFY(reader.DecryptByte(second, kArchiveKey));
    QCOMPARE(second, sampleData(40));
}

void tst_clsBlowfish::knownArchives_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("filler1");
    QTest::addColumn<quint32>("filler2");
    QTest::addColumn<QByteArray>("archive");

    QTest::newRow("thirtyBytes") << (QByteArray("Quillaro\x00\xff archive test\n", 24)
                                     + QByteArray("\xfa\xfb\xfc\xfd\xfe\xff"))
                                 << 0x12345678U << 0x0BADCAFEU
                                 << QByteArray::fromHex(
                                        "25631EAADBA2F3E5D3585E7C3E6FADAB0E3B84B95A0E2674"
                                        "6428B33C0F5A81766B7F37FB5A18A83E4B1D9627968419C3");
    QTest::newRow("empty") << QByteArray() << 0U << 0U
                           << QByteArray::fromHex("C5461765375EDAB460C709B4EB844325");
}

void tst_clsBlowfish::knownArchives()
{
    QFETCH(QByteArray, data);
    QFETCH(quint32, filler1);
    QFETCH(quint32, filler2);
    QFETCH(QByteArray, archive);

    const FixedFiller filler({filler1, filler2});
    QByteArray buffer = data;
    QVERIFY(clsBlowfish().EncryptByte(buffer, kArchiveKey));
    QCOMPARE(buffer, archive);
    QVERIFY(clsBlowfish().DecryptByte(buffer, kArchiveKey));
    QCOMPARE(buffer, data);

    const QString dir = freshFolder(QStringLiteral("known"));
    writeFile(dir + QStringLiteral("/plain"), data);
    QVERIFY(clsBlowfish().EncryptFile(dir + QStringLiteral("/plain"),
                                      dir + QStringLiteral("/a.cry"), false, kArchiveKey));
    QCOMPARE(readFile(dir + QStringLiteral("/a.cry")), archive);
    writeFile(dir + QStringLiteral("/given.cry"), archive);
    QVERIFY(clsBlowfish().DecryptFile(dir + QStringLiteral("/given.cry"),
                                      dir + QStringLiteral("/back"), false, kArchiveKey));
    QCOMPARE(readFile(dir + QStringLiteral("/back")), data);
}

void tst_clsBlowfish::roundTrips_data()
{
    QTest::addColumn<qsizetype>("length");
    for (qsizetype length : {0, 1, 4, 5, 7, 8, 11, 12, 13, 1000, 70000})
        QTest::addRow("%lld", static_cast<long long>(length)) << length;
    // Crosses the pieces a file is read in, and ends mid-piece.
    QTest::newRow("threeMegabytesAndSome") << qsizetype((3 << 20) + 5);
}

void tst_clsBlowfish::roundTrips()
{
    QFETCH(qsizetype, length);
    const QByteArray data = sampleData(length);

    QByteArray buffer = data;
    QVERIFY(clsBlowfish().EncryptByte(buffer, kArchiveKey));
    QCOMPARE(buffer.size(), expectedSize(length));
    QVERIFY(clsBlowfish().DecryptByte(buffer, kArchiveKey));
    QCOMPARE(buffer, data);

    const QString dir = freshFolder(QStringLiteral("trip"));
    const QString plain = dir + QStringLiteral("/plain");
    const QString cry = dir + QStringLiteral("/plain.cry");
    writeFile(plain, data);
    QVERIFY(clsBlowfish().EncryptFile(plain, cry, false, kArchiveKey));
    QCOMPARE(QFileInfo(cry).size(), expectedSize(length));
    QVERIFY(clsBlowfish().DecryptFile(cry, dir + QStringLiteral("/back"), false, kArchiveKey));
    QCOMPARE(readFile(dir + QStringLiteral("/back")), data);
    // The file and the buffer forms are one format.
    QByteArray fromFile = readFile(cry);
    QVERIFY(clsBlowfish().DecryptByte(fromFile, kArchiveKey));
    QCOMPARE(fromFile, data);
}

void tst_clsBlowfish::fillerDiffersEachTime()
{
    QByteArray first = sampleData(20);
    QByteArray second = first;
    QVERIFY(clsBlowfish().EncryptByte(first, kArchiveKey));
    QVERIFY(clsBlowfish().EncryptByte(second, kArchiveKey));
    QVERIFY(first.left(8) != second.left(8));
}

void tst_clsBlowfish::progress_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QList<int>>("events");
    QTest::newRow("16 bytes") << qsizetype(4) << QList<int> {0, 50, 100};
    QTest::newRow("24 bytes") << qsizetype(12) << QList<int> {0, 33, 66, 100};
    QList<int> everyPercent;
    for (int i = 0; i <= 100; ++i)
        everyPercent.append(i);
    QTest::newRow("1000 bytes") << qsizetype(988) << everyPercent;
}

void tst_clsBlowfish::progress()
{
    QFETCH(qsizetype, length);
    QFETCH(QList<int>, events);

    clsBlowfish cipher;
    ProgressLog log(cipher);
    QByteArray buffer = sampleData(length);
    QVERIFY(cipher.EncryptByte(buffer, kArchiveKey));
    QCOMPARE(log.values, events);
    log.values.clear();
    QVERIFY(cipher.DecryptByte(buffer));
    QCOMPARE(log.values, events);

    const QString dir = freshFolder(QStringLiteral("progress"));
    writeFile(dir + QStringLiteral("/plain"), sampleData(length));
    log.values.clear();
    QVERIFY(
        cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/c"), false, {}));
    QCOMPARE(log.values, events);
    log.values.clear();
    QVERIFY(cipher.DecryptFile(dir + QStringLiteral("/c"), dir + QStringLiteral("/p"), false, {}));
    QCOMPARE(log.values, events);
}

void tst_clsBlowfish::textForms()
{
    clsBlowfish cipher;
    for (const QString& text :
         {QString(), QStringLiteral("a"),
          QStringLiteral("Gr\u00fc\u00dfe \u20ac \U0001F600 and more text")}) {
        const QString encrypted = cipher.EncryptString(text, kArchiveKey);
        QCOMPARE(encrypted.size(), expectedSize(text.toUtf8().size()));
        bool ok = false;
        QCOMPARE(cipher.DecryptString(encrypted, kArchiveKey, false, &ok), text);
        QVERIFY(ok);
    }

    bool ok = true;
    QVERIFY(
        cipher.DecryptString(QStringLiteral("\u20ac234567812345678"), {}, false, &ok).isEmpty());
    QVERIFY(!ok);
    QVERIFY(errorLog().contains(QStringLiteral("DecryptString of Klassenmodul clsBlowfish")));
}

void tst_clsBlowfish::hexForms()
{
    clsBlowfish cipher;
    const QString text = QStringLiteral("hex form \u00e4");
    const QString hex = cipher.EncryptString(text, kArchiveKey, true);
    QVERIFY(QRegularExpression(QStringLiteral("^([0-9A-F]{2})+$")).match(hex).hasMatch());
    QCOMPARE(hex.size(), 2 * expectedSize(text.toUtf8().size()));

    QString given = hex;
    bool ok = false;
    QCOMPARE(cipher.DecryptString(given, {}, true, &ok), text);
    QVERIFY(ok);
    // The caller's text now holds the bytes the digits spell.
    QCOMPARE(given.size(), hex.size() / 2);
    QCOMPARE(cipher.DecryptString(given), text);

    QByteArray bytes;
    QVERIFY(clsBlowfish::FromHex(QStringLiteral("0aFf7"), bytes));
    QCOMPARE(bytes, QByteArray("\x0a\xff\x07"));
    QVERIFY(!clsBlowfish::FromHex(QStringLiteral("0G"), bytes));
    QVERIFY(cipher.DecryptString(QStringLiteral("XY"), {}, true, &ok).isEmpty());
    QVERIFY(!ok);

    const QString dir = freshFolder(QStringLiteral("hex"));
    writeFile(dir + QStringLiteral("/plain"), sampleData(300));
    QVERIFY(cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/h"), false,
                               {}, true));
    const QByteArray written = readFile(dir + QStringLiteral("/h"));
    QCOMPARE(written.size(), 2 * expectedSize(300));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]+$"))
                .match(QString::fromLatin1(written))
                .hasMatch());
    QVERIFY(cipher.DecryptFile(dir + QStringLiteral("/h"), dir + QStringLiteral("/p"), false, {},
                               true));
    QCOMPARE(readFile(dir + QStringLiteral("/p")), sampleData(300));
}

// Archives that must not decrypt: a wrong key, or bytes added or lost.
void tst_clsBlowfish::addDamageRows()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("description");

    QByteArray archive = sampleData(29);
    const bool encrypted = clsBlowfish().EncryptByte(archive, kArchiveKey);
    Q_ASSERT(encrypted);
    const QString sizeDescriptor =
        QStringLiteral("Incorrect size descriptor in Blowfish decryption");
    const QString blockSize = QStringLiteral("Incorrect size of Blowfish encrypted data");
    QTest::newRow("wrongKey") << archive << QStringLiteral("K8:w-wrongRb\\7@") << sizeDescriptor;
    QTest::newRow("appendedByte") << archive + 'x' << kArchiveKey << blockSize;
    QTest::newRow("appendedBlock") << archive + QByteArray(8, 'x') << kArchiveKey << sizeDescriptor;
    QTest::newRow("lastBlockLost") << archive.chopped(8) << kArchiveKey << sizeDescriptor;
    QTest::newRow("firstBlockLost") << archive.mid(8) << kArchiveKey << sizeDescriptor;
    QTest::newRow("oneBlockOnly") << archive.left(8) << kArchiveKey << blockSize;
    QTest::newRow("empty") << QByteArray() << kArchiveKey << blockSize;
}

void tst_clsBlowfish::damagedBuffer_data()
{
    addDamageRows();
}

void tst_clsBlowfish::damagedBuffer()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, key);
    QFETCH(QString, description);

    clsBlowfish cipher;
    ProgressLog log(cipher);
    QByteArray buffer = archive;
    QVERIFY(!cipher.DecryptByte(buffer, key));
    QCOMPARE(buffer, archive);
    QVERIFY(log.values.isEmpty());
    QVERIFY(errorLog().contains(
        QStringLiteral("DecryptByte of Klassenmodul clsBlowfish  0  -2147221504  ") + description));
    bool ok = true;
    QVERIFY(cipher.DecryptString(QString::fromLatin1(archive), key, false, &ok).isEmpty());
    QVERIFY(!ok);
}

void tst_clsBlowfish::damagedFile_data()
{
    addDamageRows();
}

void tst_clsBlowfish::damagedFile()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, key);
    QFETCH(QString, description);

    const QString dir = freshFolder(QStringLiteral("damaged"));
    const QString cry = dir + QStringLiteral("/a.cry");
    writeFile(cry, archive);
    writeFile(dir + QStringLiteral("/old"), "older output");
    clsBlowfish cipher;
    QVERIFY(!cipher.DecryptFile(cry, dir + QStringLiteral("/new"), false, key));
    QVERIFY(!cipher.DecryptFile(cry, dir + QStringLiteral("/old"), true, key));
    QVERIFY(!cipher.DecryptFile(cry, cry, true, key));
    const Tree untouched = {{QStringLiteral("a.cry"), archive},
                            {QStringLiteral("old"), "older output"}};
    QCOMPARE(readTree(dir), untouched);
    QCOMPARE(
        errorLog().count(QStringLiteral("DecryptFile of Klassenmodul clsBlowfish  0  -2147221504  ")
                         + description),
        3);
}

void tst_clsBlowfish::existingOutputKeptWithoutOverwrite()
{
    const QString dir = freshFolder(QStringLiteral("keep"));
    const Tree tree = {{QStringLiteral("plain"), sampleData(50)}, {QStringLiteral("out"), "kept"}};
    makeTree(dir, tree);
    clsBlowfish cipher;
    QVERIFY(!cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/out"), false,
                                kArchiveKey));
    QVERIFY(!cipher.DecryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/out"), false,
                                kArchiveKey));
    QCOMPARE(readTree(dir), tree);
    QVERIFY(cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/out"), true,
                               kArchiveKey));
    QCOMPARE(QFileInfo(dir + QStringLiteral("/out")).size(), expectedSize(50));
}

void tst_clsBlowfish::sameFileInPlace()
{
    const QString path = freshFolder(QStringLiteral("inplace")) + QStringLiteral("/archive.zip");
    const QByteArray data = sampleData((2 << 20) + 3);
    writeFile(path, data);
    QVERIFY(clsBlowfish().EncryptFile(path, path, true, kArchiveKey));
    QCOMPARE(QFileInfo(path).size(), expectedSize(data.size()));
    QVERIFY(clsBlowfish().DecryptFile(path, path, true, kArchiveKey));
    QCOMPARE(readFile(path), data);
}

void tst_clsBlowfish::failedWriteKeepsTarget()
{
    const QString dir = freshFolder(QStringLiteral("full"));
    const QByteArray data = sampleData(3 << 20);
    QByteArray archive = data;
    QVERIFY(clsBlowfish().EncryptByte(archive, kArchiveKey));
    const Tree tree = {{QStringLiteral("plain"), data},
                       {QStringLiteral("a.cry"), archive},
                       {QStringLiteral("target"), "previous archive"}};
    makeTree(dir, tree);
    {
        const TestSupport::FileSizeLimit full(1 << 20);
        clsBlowfish cipher;
        QVERIFY(!cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/target"),
                                    true, kArchiveKey));
        QVERIFY(!cipher.DecryptFile(dir + QStringLiteral("/a.cry"), dir + QStringLiteral("/a.cry"),
                                    true, kArchiveKey));
    }
    QCOMPARE(readTree(dir), tree);
    QVERIFY(
        errorLog().contains(QStringLiteral("EncryptFile of Klassenmodul clsBlowfish  0  57  ")));
    QVERIFY(
        errorLog().contains(QStringLiteral("DecryptFile of Klassenmodul clsBlowfish  0  57  ")));
}

void tst_clsBlowfish::tooLongForLengthField()
{
    const QString dir = freshFolder(QStringLiteral("long"));
    QFile huge(dir + QStringLiteral("/huge"));
    if (!huge.open(QIODevice::WriteOnly) || !huge.resize(qint64(1) << 32))
        QSKIP("no room for a sparse file of 4 GiB here");
    huge.close();
    QVERIFY(!clsBlowfish().EncryptFile(huge.fileName(), dir + QStringLiteral("/huge.cry"), false,
                                       kArchiveKey));
    QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/huge.cry")));
    QVERIFY(errorLog().contains(QStringLiteral(
        "EncryptFile of Klassenmodul clsBlowfish  0  6  Data too long for Blowfish encryption")));
}

void tst_clsBlowfish::unreadableOrUnwritable()
{
    const QString dir = freshFolder(QStringLiteral("io"));
    writeFile(dir + QStringLiteral("/plain"), "data");
    QDir().mkpath(dir + QStringLiteral("/folder"));
    clsBlowfish cipher;
    QVERIFY(!cipher.EncryptFile(dir + QStringLiteral("/missing"), dir + QStringLiteral("/o1"),
                                false, kArchiveKey));
    QVERIFY(!cipher.DecryptFile(dir + QStringLiteral("/folder"), dir + QStringLiteral("/o2"), false,
                                kArchiveKey));
    QVERIFY(!cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/no/such/o3"),
                                false, kArchiveKey));
    QVERIFY(!cipher.EncryptFile(dir + QStringLiteral("/plain"), dir + QStringLiteral("/folder"),
                                true, kArchiveKey));
    const Tree tree = {{QStringLiteral("plain"), "data"}, {QStringLiteral("folder/"), {}}};
    QCOMPARE(readTree(dir), tree);
    const QString log = errorLog();
    QVERIFY(log.contains(QStringLiteral("EncryptFile of Klassenmodul clsBlowfish  0  53  ")));
    QVERIFY(log.contains(QStringLiteral("DecryptFile of Klassenmodul clsBlowfish  0  53  ")));
    QVERIFY(log.contains(QStringLiteral("EncryptFile of Klassenmodul clsBlowfish  0  76  ")));
}

void tst_clsBlowfish::busyObjectRefusesSecondOperation()
{
    clsBlowfish cipher;
    QList<bool> nested;
    connect(&cipher, &clsBlowfish::Progress, this, [&](int& percent) {
        if (percent != 0)
            return;
        QByteArray other("other");
        nested.append(cipher.EncryptByte(other, QStringLiteral("another key")));
        cipher.Key(QStringLiteral("another key"));
    });
    QByteArray buffer = sampleData(100);
    QVERIFY(cipher.EncryptByte(buffer, kArchiveKey));
    QCOMPARE(nested, QList<bool> {false});
    QVERIFY(clsBlowfish().DecryptByte(buffer, kArchiveKey));
    QCOMPARE(buffer, sampleData(100));
    QVERIFY(errorLog().contains(QStringLiteral("Key of Klassenmodul clsBlowfish")));
}

QTEST_GUILESS_MAIN(tst_clsBlowfish)
#include "tst_clsBlowfish.moc"
