#include <QtTest>

#include "RtfText.h"

// A rich-text news document is shown as its text.
class tst_RtfText : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheTextDropsTheFormatting_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("paragraphs")
            << "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
               "\\f0\\fs20 New version\\par\\b out now\\b0\\par}"
            << "New version\nout now";
        QTest::newRow("escaped characters")
            << "{\\rtf1 Gr\\'fc\\'dfe \\{braces\\} and a \\\\ backslash}"
            << QString::fromUtf8("Grüße {braces} and a \\ backslash");
        QTest::newRow("ignorable destinations")
            << "{\\rtf1{\\*\\generator Writer;}{\\info{\\title T}}Text\\line next\\tab end}"
            << "Text\nnext\tend";
        QTest::newRow("unbalanced braces") << "{\\rtf1 Text}}}" << "Text";
        QTest::newRow("truncated") << "{\\rtf1 Text\\'f" << "Text";
    }

    void keepsTheTextDropsTheFormatting()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, text);
        QCOMPARE(RtfPlainText(rtf), text);
    }
};

QTEST_GUILESS_MAIN(tst_RtfText)
#include "tst_RtfText.moc"
