#include "RtfText.h"

#include <QList>

namespace {

struct RtfReader
{
    explicit RtfReader(const QString& source)
        : rtf(source)
    {
    }
    const QString& rtf;
    qsizetype pos = 0;
    QString text;
    QList<bool> skipStack{false}; // per group: its text is not shown

    bool skipping() const { return skipStack.last(); }
    void put(const QString& s)
    {
        if (!skipping())
            text += s;
    }
    void readControlWord();
    void readControlSymbol();
    void run();
};

bool isDestinationToSkip(const QString& word)
{
    static const QStringList skipped = {
        QStringLiteral("fonttbl"), QStringLiteral("colortbl"), QStringLiteral("stylesheet"),
        QStringLiteral("info"),    QStringLiteral("pict"),     QStringLiteral("header"),
        QStringLiteral("footer"),  QStringLiteral("object"),   QStringLiteral("generator")};
    return skipped.contains(word);
}

void RtfReader::readControlWord()
{
    const qsizetype start = pos;
    while (pos < rtf.size() && rtf.at(pos).isLetter())
        ++pos;
    const QString word = rtf.mid(start, pos - start);
    if (pos < rtf.size() && (rtf.at(pos) == QLatin1Char('-') || rtf.at(pos).isDigit()))
        ++pos;
    while (pos < rtf.size() && rtf.at(pos).isDigit())
        ++pos;
    if (pos < rtf.size() && rtf.at(pos) == QLatin1Char(' '))
        ++pos; // the blank that ends a control word belongs to it
    if (word == QStringLiteral("par") || word == QStringLiteral("line"))
        put(QStringLiteral("\n"));
    else if (word == QStringLiteral("tab"))
        put(QStringLiteral("\t"));
    else if (isDestinationToSkip(word))
        skipStack.last() = true;
}

void RtfReader::readControlSymbol()
{
    const QChar symbol = rtf.at(pos);
    if (symbol == QLatin1Char('\'')) {
        bool ok = false;
        const QString hex = rtf.mid(pos + 1, 2);
        const int code = hex.toInt(&ok, 16);
        // The documents are written in the Western code page, whose codes are Unicode's.
        if (ok && hex.size() == 2)
            put(QString(QChar(char16_t(code))));
        pos += 3;
        return;
    }
    ++pos;
    if (symbol == QLatin1Char('*'))
        skipStack.last() = true; // a destination this reader need not know
    else if (QStringLiteral("\\{}").contains(symbol))
        put(QString(symbol));
    else if (symbol == QLatin1Char('~'))
        put(QStringLiteral(" "));
}

void RtfReader::run()
{
    while (pos < rtf.size()) {
        const QChar c = rtf.at(pos);
        if (c == QLatin1Char('{')) {
            skipStack.append(skipping());
            ++pos;
        } else if (c == QLatin1Char('}')) {
            if (skipStack.size() > 1)
                skipStack.removeLast();
            ++pos;
        } else if (c == QLatin1Char('\\') && pos + 1 < rtf.size()) {
            ++pos;
            if (rtf.at(pos).isLetter())
                readControlWord();
            else
                readControlSymbol();
        } else {
            if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                put(QString(c));
            ++pos;
        }
    }
}

} // namespace

QString RtfPlainText(const QString& rtf)
{
    RtfReader reader(rtf);
    reader.run();
    return reader.text.trimmed();
}
