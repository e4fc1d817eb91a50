#include "RawFileNames.h"

#include <dirent.h>

#include <QFile>
#include <QStringDecoder>

namespace {

bool validUtf8(const QByteArray& name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(name); // the decoding runs when converted
    Q_UNUSED(text)
    return !decoder.hasError();
}

QString escaped(const QByteArray& name)
{
    QString text;
    for (qsizetype i = 0; i < name.size();) {
        // The longest valid stretch from here is kept as text, a bad byte is written as \xNN.
        qsizetype end = name.size();
        while (end > i && !validUtf8(name.mid(i, end - i)))
            --end;
        if (end > i) {
            text += QString::fromUtf8(name.mid(i, end - i));
            i = end;
        } else {
            text += QStringLiteral("\\x") + QString::number(quint8(name.at(i)), 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return text;
}

} // namespace

namespace RawFileNames {

QStringList undecodable(const QString& folder)
{
    QStringList found;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (entry->d_type == DT_DIR || validUtf8(name))
            continue;
        found.append(prefix + escaped(name));
    }
    ::closedir(dir);
    return found;
}

} // namespace RawFileNames
