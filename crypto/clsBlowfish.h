#pragma once

#include <array>
#include <functional>

#include <QByteArray>
#include <QObject>
#include <QString>

class CipherSource;
struct CipherError;

// The archive cipher: a 64-bit block cipher keyed from a text, run in chained mode over the
// archive form (two filler words, the data length, the data, zero padding). One object serves
// one file; all work runs on the user-interface thread, which keeps being served meanwhile.
class clsBlowfish : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(clsBlowfish)
    // Its known-answer vectors check the block core itself.
    friend class tst_clsBlowfish;

public:
    explicit clsBlowfish(QObject* parent = nullptr);

    // Encrypts the buffer in place into the archive form. False (and reported) when the data is
    // too long for the length field or the object is busy.
    [[nodiscard]] bool EncryptByte(QByteArray& byteArray, const QString& Key = {});
    // The UTF-8 bytes of the text encrypted, one character a byte, or in hexadecimal; empty
    // when the encryption failed.
    [[nodiscard]] QString EncryptString(const QString& Text, const QString& Key = {},
                                        bool InHex = false);
    // Decrypts a text made by EncryptString. With InHex the caller's text is replaced by the
    // bytes its digits spell. Empty, with *ok false, on a wrong key or damaged text.
    [[nodiscard]] QString DecryptString(QString& Text, const QString& Key = {}, bool InHex = false,
                                        bool* ok = nullptr);
    [[nodiscard]] QString DecryptString(const QString& Text, const QString& Key = {},
                                        bool InHex = false, bool* ok = nullptr);
    // Decrypts in place and strips the archive form. On a wrong key or damaged data the buffer
    // stays as it was and the result is false (reported).
    [[nodiscard]] bool DecryptByte(QByteArray& byteArray, const QString& Key = {});
    // Keys the object from its initial tables; the same key again changes nothing.
    void Key(const QString& New_Value);
    // Writes the encrypted form of InPath to OutPath, only when OutPath does not exist or
    // Overwrite is set. InPath and OutPath may be the same file.
    [[nodiscard]] bool EncryptFile(const QString& InPath, const QString& OutPath, bool Overwrite,
                                   const QString& Key, bool InHex = false);
    // Writes the decrypted content of InPath to OutPath under the same conditions; writes
    // nothing when the key is wrong or the file damaged.
    [[nodiscard]] bool DecryptFile(const QString& InPath, const QString& OutPath, bool Overwrite,
                                   const QString& Key, bool InHex = false);

    // Test seam: where the two filler words of the archive form come from (31 bits are used);
    // an empty function restores the platform's generator.
    static void setFillerSource(std::function<quint32()> source);

signals:
    // The percentage done, once per whole percent reached and 100 at the end.
    void Progress(int& Percent);

private:
    class BusyScope;

    void applyKey(const QString& key);
    void rekey(const QString& key);
    void mixKey(const QByteArray& keyBytes);
    void EncryptBlock(quint32& L, quint32& R) const;
    void DecryptBlock(quint32& L, quint32& R) const;
    [[nodiscard]] quint32 F(quint32 x) const;
    [[nodiscard]] static quint32 GetWord(const char* buffer, qint64 offset);
    static void PutWord(quint32 word, char* buffer, qint64 offset);
    [[nodiscard]] static constexpr quint32 UnsignedAdd(quint32 a, quint32 b) { return a + b; }

    // Chained mode over whole blocks; offset is where data lies in the whole buffer.
    void encryptBlocks(char* data, qint64 length, qint64 offset);
    void decryptBlocks(char* data, qint64 length, qint64 offset);
    // The data length the first two blocks hold, or -1 when it does not fit the size.
    [[nodiscard]] qint64 heldLength(const char* firstBlocks, qint64 size) const;
    [[nodiscard]] static QByteArray archiveHeader(qint64 length);

    void startProgress(qint64 size);
    void blockDone(qint64 offset);
    void stepProgress(qint64 offset);
    void raiseProgress(int percent);
    void finishProgress();

    // The whole of a file through the cipher, piece by piece; the output is opened only once
    // the input is known to fit.
    [[nodiscard]] bool encryptStream(CipherSource& in, const QString& outPath, bool outHex,
                                     CipherError& error);
    [[nodiscard]] bool decryptStream(CipherSource& in, const QString& outPath, CipherError& error);
    [[nodiscard]] bool runFile(const char* procedure, bool encrypt, const QString& InPath,
                               const QString& OutPath, bool Overwrite, const QString& key,
                               bool InHex);
    [[nodiscard]] static QString ToHex(const QByteArray& bytes);
    [[nodiscard]] static bool FromHex(const QString& text, QByteArray& bytes);

    std::array<quint32, 18> m_P;
    std::array<std::array<quint32, 256>, 4> m_S;
    QString m_lastKey;
    quint32 m_chainL = 0;
    quint32 m_chainR = 0;
    qint64 m_progressSize = 0;
    qint64 m_nextEventOffset = 0;
    int m_currentPercent = 0;
    bool m_busy = false;
};
