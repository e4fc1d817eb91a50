#pragma once

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

// What went wrong in a file operation of the cipher, in the error log's terms.
struct CipherError
{
    int number = 0;
    QString description;
};

// Upper-case hexadecimal, two digits a byte.
void appendHex(QByteArray& out, const char* data, qint64 length);
// Reads pairs of hexadecimal digits (a final single digit alone) into bytes; false on any
// other character.
[[nodiscard]] bool decodeHex(const char* text, qint64 length, QByteArray& out);

// The bytes of a file to encrypt or decrypt, read piece by piece; a hex file is read as the
// bytes its digits spell.
class CipherSource
{
    Q_DISABLE_COPY(CipherSource)
public:
    CipherSource() = default;
    [[nodiscard]] bool open(const QString& path, bool inHex, CipherError& error);
    // The number of bytes the file gives.
    [[nodiscard]] qint64 size() const { return m_size; }
    // Reads exactly length bytes.
    [[nodiscard]] bool read(char* data, qint64 length, CipherError& error);

private:
    [[nodiscard]] bool readRaw(char* data, qint64 length, CipherError& error);

    QFile m_file;
    bool m_hex = false;
    qint64 m_size = 0;
    QByteArray m_hexBuffer;
};

// The output file; it is written beside its target and takes its place only on commit, so a
// failure never leaves half a file or harms the file it replaces (which may be the input).
class CipherSink
{
    Q_DISABLE_COPY(CipherSink)
public:
    CipherSink() = default;
    [[nodiscard]] bool open(const QString& path, bool inHex, CipherError& error);
    [[nodiscard]] bool write(const char* data, qint64 length, CipherError& error);
    [[nodiscard]] bool commit(CipherError& error);

private:
    [[nodiscard]] bool fail(CipherError& error);

    QSaveFile m_file;
    bool m_hex = false;
    QByteArray m_hexBuffer;
};
