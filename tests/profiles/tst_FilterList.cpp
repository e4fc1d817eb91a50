#include <QTest>

#include "FilterList.h"

// Cutting pattern texts into lists and matching names against them.
class tst_FilterList : public QObject
{
    Q_OBJECT

private slots:
    void cutting_data();
    void cutting();
    void everyItemCounts();
    void matching_data();
    void matching();
    void changedListIsMatchedAnew_data();
    void changedListIsMatchedAnew();
};

void tst_FilterList::cutting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("files");
    QTest::addColumn<QStringList>("patterns");
    const auto l = [](std::initializer_list<const char*> items) {
        QStringList out;
        for (const char* i : items)
            out << QString::fromLatin1(i);
        return out;
    };
    QTest::newRow("default folders") << "backup,temp" << false << l({"BACKUP", "TEMP"});
    QTest::newRow("blank after comma") << "*.tmp, *.bak" << true << l({"*.TMP", "*.BAK"});
    QTest::newRow("blank before comma is trimmed")
        << "*.tmp ,*.bak" << true << l({"*.TMP", "*.BAK"});
    QTest::newRow("no comma cuts at blank") << "log; tmp" << true << l({"*.LOG;", "*.TMP"});
    QTest::newRow("comma wins over blank") << "a b,c" << true << l({"*.A B", "*.C"});
    QTest::newRow("semicolons alone") << "log;tmp;bak" << true << l({"*.LOG", "*.TMP", "*.BAK"});
    QTest::newRow("bare extension") << "tmp" << true << l({"*.TMP"});
    QTest::newRow("exact name") << "readme.txt" << true << l({"README.TXT"});
    QTest::newRow("single asterisk") << "*" << true << l({"*.*"});
    QTest::newRow("tilde asterisk") << "~*" << true << l({"*.~*"});
    QTest::newRow("empty") << "" << true << QStringList();
    QTest::newRow("separators only") << ", ;" << true << QStringList();
    QTest::newRow("doubled comma") << "a,,b" << true << l({"*.A", "*.B"});
    QTest::newRow("three commas give no blank item") << "a,,,b" << true << l({"*.A", "*.B"});
    QTest::newRow("blanks only item") << "a,   ,b" << false << l({"A", "B"});
    QTest::newRow("trailing comma") << "a,b," << false << l({"A", "B"});
    QTest::newRow("mixed case folder") << "Temp" << false << l({"TEMP"});
    QTest::newRow("folder keeps no dot") << "cache" << false << l({"CACHE"});
}

void tst_FilterList::cutting()
{
    QFETCH(QString, text);
    QFETCH(bool, files);
    QFETCH(QStringList, patterns);
    QCOMPARE(CutPatternList(text, files).patterns, patterns);
}

void tst_FilterList::everyItemCounts()
{
    QStringList items;
    for (int i = 1; i <= 60; ++i)
        items << QStringLiteral("f%1.x").arg(i);
    const FilterList list = CutPatternList(items.join(QLatin1Char(',')), true);
    QCOMPARE(list.count(), 60);
    QCOMPARE(list.patterns.last(), QStringLiteral("F60.X"));
    ExclusionList = list;
    QVERIFY(File_Excluded(QStringLiteral("/data/f60.x")));
}

void tst_FilterList::matching_data()
{
    QTest::addColumn<QString>("exclusions");
    QTest::addColumn<QString>("dirExclusions");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("fileExcluded");
    QTest::addColumn<bool>("dirExcluded");
    QTest::newRow("extension, any case") << "tmp, bak"
                                         << ""
                                         << "/home/a/Notes.TMP" << true << false;
    QTest::newRow("other extension") << "tmp"
                                     << ""
                                     << "/home/a/notes.txt" << false << false;
    QTest::newRow("trimmed item still matches") << "*.log ,*.bak"
                                                << ""
                                                << "/x/app.log" << true << false;
    QTest::newRow("last folder") << ""
                                 << "backup,temp"
                                 << "/home/a/Temp/" << false << true;
    QTest::newRow("folder pattern") << ""
                                    << "cache*"
                                    << "/home/a/CacheData/" << false << true;
    QTest::newRow("digit pattern") << "log#"
                                   << ""
                                   << "/var/x.log7" << true << false;
    QTest::newRow("letters beyond ASCII, any case") << "café"
                                                    << ""
                                                    << "/x/menu.CAFé" << true << false;
    QTest::newRow("letters beyond ASCII, other") << "cafe"
                                                 << ""
                                                 << "/x/menu.café" << false << false;
    QTest::newRow("star alone fits any folder") << ""
                                                << "*"
                                                << "/x/y/" << false << true;
    QTest::newRow("tail longer than the name") << "*.TEMPORARY"
                                               << ""
                                               << "/x/a.tmp" << false << false;
    QTest::newRow("star and tail fits the whole name") << "*.tmp"
                                                       << ""
                                                       << "/x/.tmp" << true << false;
    QTest::newRow("tail after a bracket") << "*[.]tmp"
                                          << ""
                                          << "/x/a.tmp" << true << false;
    QTest::newRow("malformed before a fitting pattern") << "*.[ab,*.tmp"
                                                        << ""
                                                        << "/x/a.tmp" << true << false;
}

void tst_FilterList::matching()
{
    QFETCH(QString, exclusions);
    QFETCH(QString, dirExclusions);
    QFETCH(QString, path);
    QFETCH(bool, fileExcluded);
    QFETCH(bool, dirExcluded);
    ExclusionList = CutPatternList(exclusions, true);
    DirExclusionList = CutPatternList(dirExclusions, false);
    QCOMPARE(File_Excluded(path), fileExcluded);
    QCOMPARE(File_DirExcluded(path), dirExcluded);
}

// A list that was matched once and then changed, in place or by a new list, is matched by the
// patterns it holds now.
void tst_FilterList::changedListIsMatchedAnew_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("tmpExcluded");
    QTest::addColumn<bool>("bakExcluded");
    QTest::newRow("pattern replaced in place") << "replace" << false << true;
    QTest::newRow("pattern appended") << "append" << true << true;
    QTest::newRow("new list of the same size") << "assign" << false << true;
    QTest::newRow("list emptied") << "clear" << false << false;
    QTest::newRow("copy changed, list kept") << "copy" << true << false;
}

void tst_FilterList::changedListIsMatchedAnew()
{
    QFETCH(QString, change);
    QFETCH(bool, tmpExcluded);
    QFETCH(bool, bakExcluded);
    ExclusionList = CutPatternList(QStringLiteral("tmp, log"), true);
    QVERIFY(File_Excluded(QStringLiteral("/x/a.tmp")));
    QVERIFY(!File_Excluded(QStringLiteral("/x/a.bak")));
    FilterList copy = ExclusionList;
    if (change == QStringLiteral("replace"))
        ExclusionList.patterns[0] = QStringLiteral("*.BAK");
    else if (change == QStringLiteral("append"))
        ExclusionList.patterns.append(QStringLiteral("*.BAK"));
    else if (change == QStringLiteral("assign"))
        ExclusionList = CutPatternList(QStringLiteral("bak, log"), true);
    else if (change == QStringLiteral("clear"))
        ExclusionList.patterns.clear();
    else
        copy.patterns[0] = QStringLiteral("*.BAK");
    QCOMPARE(File_Excluded(QStringLiteral("/x/a.tmp")), tmpExcluded);
    QCOMPARE(File_Excluded(QStringLiteral("/x/a.bak")), bakExcluded);
    QCOMPARE(File_Excluded(QStringLiteral("/x/a.log")), change != QStringLiteral("clear"));
}

QTEST_GUILESS_MAIN(tst_FilterList)
#include "tst_FilterList.moc"
