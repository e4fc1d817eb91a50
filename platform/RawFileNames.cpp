#include "RawFileNames.h"

#include <QStringDecoder>

namespace {

bool validUtf8(QByteArrayView name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(name); // the decoding runs when converted
    Q_UNUSED(text)
    return !decoder.hasError();
}

} // namespace

namespace RawFileNames {

QString escaped(QByteArrayView name)
{
    QString text;
    for (qsizetype i = 0; i < name.size();) {
        // The longest valid stretch from here is kept as text, a bad byte is written as \xNN.
        qsizetype end = name.size();
        while (end > i && !validUtf8(name.sliced(i, end - i)))
            --end;
        if (end > i) {
            text += QString::fromUtf8(name.sliced(i, end - i));
            i = end;
        } else {
            text += QStringLiteral("\\x") + QString::number(quint8(name.at(i)), 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return text;
}

} // namespace RawFileNames
