#include <QtTest>

#include "Wildcard.h"

namespace {

void row(const char* tag, const char* name, const char* pattern, bool matches)
{
    QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(pattern) << matches;
}

} // namespace

class tst_Wildcard : public QObject
{
    Q_OBJECT

private slots:
    void like_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        row("star matches none", "A.TMP", "A*.TMP", true);
        row("star matches a run", "REPORT.TMP", "*.TMP", true);
        row("whole name only", "REPORT.TMP.BAK", "*.TMP", false);
        row("case is exact", "report.tmp", "*.TMP", false);
        row("question one char", "AB", "A?", true);
        row("question not none", "A", "A?", false);
        row("hash digit", "F1.LOG", "F#.LOG", true);
        row("hash not letter", "FX.LOG", "F#.LOG", false);
        row("bracket list", "B", "[ABC]", true);
        row("bracket range", "M", "[A-Z]", true);
        row("bracket range miss", "5", "[A-Z]", false);
        row("negated list", "D", "[!ABC]", true);
        row("negated list miss", "A", "[!ABC]", false);
        row("several stars backtrack", "AXBXC", "*B*C", true);
        row("star then literal miss", "ABCD", "*X", false);
        row("tail longer than the name", "B", "*AB", false);
        row("tail is the whole name", "AB", "*AB", true);
        row("tail after a head", "XAB", "X*AB", true);
        row("tail may not overlap the head", "XAB", "XA*AB", false);
        row("tail after two stars", "ABAB", "*A*B", true);
        row("tail after two stars miss", "ABA", "*A*B", false);
        row("tail after a bracket", "Q1.LOG", "[PQ]*.LOG", true);
        row("closing bracket alone is literal", "A]", "*]", true);
        row("empty pattern", "", "", true);
        row("empty name star", "", "*", true);
        row("unclosed bracket never matches", "[A", "[A", false);
        row("unclosed bracket with star", "ANY", "*[", false);
        row("bracket holds a star literally", "*", "[*]", true);
        row("dot is literal", "AXB", "A.B", false);
    }

    void like()
    {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        QCOMPARE(Like(name, pattern), matches);
    }

    void malformedIsFlagged()
    {
        bool malformed = false;
        QVERIFY(!Like(QStringLiteral("X"), QStringLiteral("[X"), &malformed));
        QVERIFY(malformed);
        malformed = false;
        QVERIFY(Like(QStringLiteral("X"), QStringLiteral("[X]"), &malformed));
        QVERIFY(!malformed);
    }
};

QTEST_GUILESS_MAIN(tst_Wildcard)
#include "tst_Wildcard.moc"
