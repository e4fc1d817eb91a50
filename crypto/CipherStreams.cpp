#include "CipherStreams.h"

#include <QDir>
#include <QFileInfo>

#include "QEV_ErrorLog.h"

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Why a file cannot be opened for writing: its folder missing or not ours to write.
int openFailureNumber(const QString& path)
{
    return QFileInfo(path).absoluteDir().exists() ? ErrNo::PermissionDenied : ErrNo::PathNotFound;
}

} // namespace

void appendHex(QByteArray& out, const char* data, qint64 length)
{
    static const char digits[] = "0123456789ABCDEF";
    const qsizetype start = out.size();
    out.resize(start + 2 * length);
    char* to = out.data() + start;
    for (qint64 i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        *to++ = digits[byte >> 4];
        *to++ = digits[byte & 0x0F];
    }
}

bool decodeHex(const char* text, qint64 length, QByteArray& out)
{
    out.resize((length + 1) / 2);
    char* to = out.data();
    for (qint64 i = 0; i < length; i += 2) {
        int value = hexDigit(text[i]);
        if (value < 0)
            return false;
        if (i + 1 < length) {
            const int low = hexDigit(text[i + 1]);
            if (low < 0)
                return false;
            value = value * 16 + low;
        }
        *to++ = static_cast<char>(value);
    }
    return true;
}

bool CipherSource::open(const QString& path, bool inHex, CipherError& error)
{
    // Only regular files are read: a FIFO or a device would block or never end.
    if (!QFileInfo(path).isFile()) {
        error = {ErrNo::FileNotFound, QStringLiteral("File not found: ") + path};
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        error = {ErrNo::PermissionDenied, m_file.errorString() + QStringLiteral(": ") + path};
        return false;
    }
    m_hex = inHex;
    m_size = inHex ? (m_file.size() + 1) / 2 : m_file.size();
    return true;
}

bool CipherSource::read(char* data, qint64 length, CipherError& error)
{
    if (!m_hex)
        return readRaw(data, length, error);
    const qint64 digits = qMin(2 * length, m_file.size() - m_file.pos());
    m_hexBuffer.resize(digits);
    if (!readRaw(m_hexBuffer.data(), digits, error))
        return false;
    QByteArray bytes;
    if (!decodeHex(m_hexBuffer.constData(), digits, bytes) || bytes.size() != length) {
        error = {ErrNo::TypeMismatch,
                 QStringLiteral("Not a hexadecimal text: ") + m_file.fileName()};
        return false;
    }
    memcpy(data, bytes.constData(), static_cast<size_t>(length));
    return true;
}

bool CipherSource::readRaw(char* data, qint64 length, CipherError& error)
{
    qint64 done = 0;
    while (done < length) {
        const qint64 got = m_file.read(data + done, length - done);
        if (got <= 0) {
            // A file that shrinks while it is read is as unreadable as a failing disk.
            error = {ErrNo::DeviceIO,
                     (got < 0 ? m_file.errorString() : QStringLiteral("Unexpected end of file"))
                         + QStringLiteral(": ") + m_file.fileName()};
            return false;
        }
        done += got;
    }
    return true;
}

bool CipherSink::open(const QString& path, bool inHex, CipherError& error)
{
    m_file.setFileName(path);
    m_hex = inHex;
    if (!m_file.open(QIODevice::WriteOnly)) {
        error = {openFailureNumber(path), m_file.errorString() + QStringLiteral(": ") + path};
        return false;
    }
    return true;
}

bool CipherSink::write(const char* data, qint64 length, CipherError& error)
{
    if (!m_hex)
        return m_file.write(data, length) == length || fail(error);
    m_hexBuffer.clear();
    appendHex(m_hexBuffer, data, length);
    return m_file.write(m_hexBuffer) == m_hexBuffer.size() || fail(error);
}

bool CipherSink::commit(CipherError& error)
{
    return m_file.commit() || fail(error);
}

bool CipherSink::fail(CipherError& error)
{
    error = {ErrNo::DeviceIO,
             QStringLiteral("Could not write (") + m_file.errorString() + QStringLiteral("): ")
                 + m_file.fileName()};
    m_file.cancelWriting();
    return false;
}
