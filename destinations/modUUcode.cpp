#include "modUUcode.h"

#include <QFile>
#include <QFileDevice>

#include "QEV_ErrorLog.h"

namespace {

constexpr int kLineBytes = 45;
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

char sixBits(int value) { return value == 0 ? '`' : static_cast<char>(32 + value); }

// The length character and encoding of one line of up to 45 bytes.
QByteArray encodedLine(QByteArray bytes)
{
    const auto count = static_cast<char>(32 + bytes.size());
    return (bytes.isEmpty() ? QByteArray(1, ' ') : count + UUEncode(bytes)) + kLineEnd;
}

int errorNumber(const QFile& file, int fallback)
{
    switch (file.error()) {
    case QFileDevice::OpenError:
        return file.exists() ? ErrNo::PermissionDenied : fallback;
    case QFileDevice::ResizeError:
    case QFileDevice::WriteError:
        return ErrNo::DiskFull;
    default:
        return ErrNo::PathFileAccess;
    }
}

QString attachmentName(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

bool writeAll(QFile& out, const QByteArray& bytes) { return out.write(bytes) == bytes.size(); }

} // namespace

QByteArray UUEncode(QByteArray& text)
{
    while (text.size() % 3 != 0)
        text.append('\0');
    QByteArray out;
    out.reserve(text.size() / 3 * 4);
    for (qsizetype i = 0; i < text.size(); i += 3) {
        const int b1 = static_cast<unsigned char>(text.at(i));
        const int b2 = static_cast<unsigned char>(text.at(i + 1));
        const int b3 = static_cast<unsigned char>(text.at(i + 2));
        out.append(sixBits(b1 / 4));
        out.append(sixBits((b1 % 4) * 16 + b2 / 16));
        out.append(sixBits((b2 % 16) * 4 + b3 / 64));
        out.append(sixBits(b3 % 64));
    }
    return out;
}

int UUEncodeFile(const QString& inputPath, const QString& outputPath, bool append)
{
    QFile in(inputPath);
    if (!in.open(QIODevice::ReadOnly))
        return errorNumber(in, ErrNo::FileNotFound);
    QFile out(outputPath);
    const QIODevice::OpenMode mode = append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!out.open(mode))
        return errorNumber(out, ErrNo::PathNotFound);
    const QByteArray head = (append ? kLineEnd : QByteArray()) + "begin 600 "
                            + attachmentName(inputPath).toUtf8() + kLineEnd;
    if (!writeAll(out, head))
        return errorNumber(out, ErrNo::DiskFull);
    for (;;) {
        const QByteArray bytes = in.read(kLineBytes);
        if (in.error() != QFileDevice::NoError)
            return errorNumber(in, ErrNo::DeviceIO);
        if (!writeAll(out, encodedLine(bytes)))
            return errorNumber(out, ErrNo::DiskFull);
        if (bytes.size() < kLineBytes)
            break;
    }
    if (!writeAll(out, QByteArrayLiteral("`\r\nend\r\n")) || !out.flush())
        return errorNumber(out, ErrNo::DiskFull);
    return 0;
}
