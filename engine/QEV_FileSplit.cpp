#include "QEV_FileSplit.h"

#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"

namespace {

const char* const kModule = "QEV_FileSplit";
constexpr qint64 kCopyChunk = 1024 * 1024;

QString label() { return ModulLabel("SplitFiles", kModule); }

bool fail(int number, const QString& message)
{
    ReportError(label(), number, message);
    return false;
}

// A word for sh that no name can break out of.
QString shellQuote(const QString& word)
{
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString pieceName(const QString& name, int k)
{
    return name + QLatin1Char('.') + QString::number(k);
}

bool isPieceOf(const QString& entry, const QString& name)
{
    if (!entry.startsWith(name + QLatin1Char('.')))
        return false;
    const QString number = entry.mid(name.size() + 1);
    if (number.isEmpty())
        return false;
    for (const QChar c : number) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Pieces of an earlier split beyond this one's count would otherwise join the archive.
void removeStalePieces(const QString& folder, const QString& name)
{
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (isPieceOf(entry, name) || entry == name + QStringLiteral(".sh"))
            QFile::remove(folder + QLatin1Char('/') + entry);
    }
}

// Copies up to partSize bytes of the source into a new piece; *copied gets the count.
bool writePiece(QFile& source, const QString& path, qint64 partSize, std::vector<char>& buffer,
                qint64* copied)
{
    QFile piece(path);
    if (!piece.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(ErrNo::PathFileAccess,
                    QStringLiteral("cannot create ") + path + QStringLiteral(": ")
                        + piece.errorString());
    *copied = 0;
    while (*copied < partSize) {
        const qint64 want = qMin<qint64>(partSize - *copied, static_cast<qint64>(buffer.size()));
        const qint64 got = source.read(buffer.data(), want);
        if (got < 0)
            return fail(ErrNo::DeviceIO,
                        QStringLiteral("cannot read ") + source.fileName() + QStringLiteral(": ")
                            + source.errorString());
        if (got == 0)
            break;
        if (piece.write(buffer.data(), got) != got)
            return fail(ErrNo::DiskFull,
                        QStringLiteral("cannot write ") + path + QStringLiteral(": ")
                            + piece.errorString());
        *copied += got;
    }
    if (!piece.flush())
        return fail(ErrNo::DiskFull,
                    QStringLiteral("cannot write ") + path + QStringLiteral(": ")
                        + piece.errorString());
    return true;
}

bool writePieces(QFile& source, const QString& folder, const QString& name, qint64 partSize,
                 QStringList* pieces)
{
    std::vector<char> buffer(static_cast<size_t>(qMin(partSize, kCopyChunk)));
    for (int k = 1;; ++k) {
        const QString path = folder + QLatin1Char('/') + pieceName(name, k);
        qint64 copied = 0;
        const bool ok = writePiece(source, path, partSize, buffer, &copied);
        if (ok && copied == 0) {
            QFile::remove(path); // the source ended exactly at a piece boundary
            return true;
        }
        pieces->append(path);
        if (!ok)
            return false;
        if (copied < partSize)
            return true;
    }
}

bool writeJoiner(const QString& path, const QString& name, int pieces)
{
    QSaveFile joiner(path);
    if (!joiner.open(QIODevice::WriteOnly) || joiner.write(JoinerScript(name, pieces)) < 0
        || !joiner.commit())
        return fail(ErrNo::PathFileAccess,
                    QStringLiteral("cannot write ") + path + QStringLiteral(": ")
                        + joiner.errorString());
    QFile::setPermissions(
        path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    return true;
}

} // namespace

QByteArray JoinerScript(const QString& name, int pieces)
{
    const QString quoted = shellQuote(name);
    QStringList lines
        = {QStringLiteral("#!/bin/sh"), QStringLiteral("set -e"),
           QStringLiteral("cd \"$(dirname -- \"$0\")\""), QStringLiteral("echo 'Joining Files...'"),
           QStringLiteral("rm -f -- ") + quoted};
    if (pieces > 1) {
        QString join = QStringLiteral("cat --");
        for (int k = 2; k <= pieces; ++k)
            join += QLatin1Char(' ') + shellQuote(pieceName(name, k));
        lines << join + QStringLiteral(" >> ") + shellQuote(pieceName(name, 1));
        for (int k = 2; k <= pieces; ++k)
            lines << QStringLiteral("rm -f -- ") + shellQuote(pieceName(name, k));
    }
    // An empty source has no piece to rename; its joiner still gives the empty file.
    if (pieces > 0)
        lines << QStringLiteral("mv -- ") + shellQuote(pieceName(name, 1)) + QLatin1Char(' ')
                + quoted;
    else
        lines << QStringLiteral(": > ") + quoted;
    lines << QStringLiteral("rm -f -- ") + shellQuote(name + QStringLiteral(".sh"));
    lines << QStringLiteral("echo 'Done!'");
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QString DetermineDirectory(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString DetermineFilename(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString SplitFolder(const QString& splitRoot, const QString& sSource)
{
    const QString folder = QFileInfo(sSource).absolutePath();
    return QDir::cleanPath(splitRoot + QLatin1Char('/') + folder);
}

bool SplitFiles(const QString& sSource, const QString& sDestDir, qint32 lPartSize,
                QStringList* written)
{
    if (written)
        written->clear();
    if (lPartSize <= 0)
        return fail(ErrNo::InvalidCall,
                    QStringLiteral("piece size must be above 0: %1").arg(lPartSize));
    const QString name = DetermineFilename(sSource);
    QFile source(sSource);
    if (name.isEmpty() || !QFileInfo(sSource).isFile())
        return fail(ErrNo::FileNotFound, QStringLiteral("no file to split: ") + sSource);
    if (!source.open(QIODevice::ReadOnly))
        return fail(ErrNo::PermissionDenied,
                    QStringLiteral("cannot read ") + sSource + QStringLiteral(": ")
                        + source.errorString());
    CreateDirectoryStruct(sDestDir);
    const QString folder = QDir::cleanPath(sDestDir);
    removeStalePieces(folder, name);
    QStringList files;
    const QString joiner = folder + QLatin1Char('/') + name + QStringLiteral(".sh");
    const bool ok = writePieces(source, folder, name, lPartSize, &files)
        && writeJoiner(joiner, name, static_cast<int>(files.size()));
    if (!ok) {
        for (const QString& f : std::as_const(files))
            QFile::remove(f);
        WriteErrorLog(sSource, sDestDir, lPartSize);
        return false;
    }
    files.append(joiner);
    if (written)
        *written = files;
    return true;
}
