#include "ProfileFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include "Paths.h"

namespace {

bool acceptedEntry(const QString& line)
{
    return line.startsWith(QStringLiteral("**")) || line.startsWith(QLatin1Char('/'));
}

bool parseFlag(const QString& line, bool* selected)
{
    bool ok = false;
    const double value = line.trimmed().toDouble(&ok);
    *selected = value != 0.0;
    return ok;
}

QStringList fileLines(const QByteArray& data)
{
    QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

namespace ProfileFile {

QString path(const QString& profileName)
{
    return Paths::programFolder() + QLatin1Char('/') + profileName + QStringLiteral(".pfl");
}

QString flagLine(bool selected) { return selected ? QStringLiteral("-1 ") : QStringLiteral(" 0 "); }

bool write(const QString& file, const QList<ProfileRow>& rows, QString* error)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    QByteArray data;
    for (const ProfileRow& row : rows)
        data += row.text.toUtf8() + '\n' + flagLine(row.selected).toUtf8() + '\n';
    if (out.write(data) != data.size() || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

ProfileFileContent read(const QString& file)
{
    ProfileFileContent content;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        content.complete = false;
        content.error = in.errorString();
        return content;
    }
    const QStringList lines = fileLines(in.readAll());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& entry = lines.at(i);
        if (!acceptedEntry(entry))
            continue;
        if (i + 1 >= lines.size()) {
            content.complete = false;
            content.error = QStringLiteral("the file ends before the flag line of: ") + entry;
            break;
        }
        ProfileRow row{entry, false};
        if (parseFlag(lines.at(++i), &row.selected))
            content.rows.append(row);
    }
    return content;
}

} // namespace ProfileFile
