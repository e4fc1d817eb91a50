#include "clsBlowfish.h"

#include <cmath>
#include <cstring>

#include <QRandomGenerator>
#include <QtEndian>

#include "BlowfishTables.h"
#include "CipherStreams.h"
#include "Events.h"
#include "Globals.h"
#include "QEV_ErrorLog.h"
#include "QEV_File_Dir.h"

namespace {

// The platform's base number for errors an object defines.
constexpr int kObjectError = -2147221504;
constexpr qint64 kHeaderSize = 12;
constexpr qint64 kMaxDataLength = 0xFFFFFFFFLL;
constexpr qint64 kChunkSize = 1 << 20;
// Serving the window once a block would cost more than the cipher itself.
constexpr qint64 kEventSpan = 1 << 16;

const char* const kClass = "clsBlowfish";

QString sizeDescriptorText()
{
    return QStringLiteral("Incorrect size descriptor in Blowfish decryption");
}
QString blockSizeText()
{
    return QStringLiteral("Incorrect size of Blowfish encrypted data");
}
QString tooLongText()
{
    return QStringLiteral("Data too long for Blowfish encryption");
}

std::function<quint32()>& fillerSource()
{
    static std::function<quint32()> source;
    return source;
}

quint32 filler()
{
    if (fillerSource())
        return fillerSource()() & 0x7FFFFFFFU;
    return QRandomGenerator::global()->bounded(0x80000000U);
}

// Header, data and zero padding to whole blocks.
qint64 encryptedSize(qint64 length)
{
    return (length + kHeaderSize + 7) / 8 * 8;
}

// Anything else cannot be the archive form: at least the header block pair, whole blocks.
bool wholeBlocks(qint64 size)
{
    return size >= 16 && size % 8 == 0;
}

} // namespace

class clsBlowfish::BusyScope
{
    Q_DISABLE_COPY(BusyScope)
public:
    BusyScope(clsBlowfish& owner, const char* procedure) : m_owner(owner), m_entered(!owner.m_busy)
    {
        if (m_entered)
            m_owner.m_busy = true;
        else
            ReportError(KlassenmodulLabel(procedure, kClass), ErrNo::InvalidCall,
                        QStringLiteral("The cipher is already at work"));
    }
    ~BusyScope()
    {
        if (m_entered)
            m_owner.m_busy = false;
    }
    [[nodiscard]] bool entered() const { return m_entered; }

private:
    clsBlowfish& m_owner;
    bool m_entered;
};

clsBlowfish::clsBlowfish(QObject* parent)
    : QObject(parent), m_P(BlowfishTables::kInitialP), m_S(BlowfishTables::kInitialS)
{
}

void clsBlowfish::setFillerSource(std::function<quint32()> source)
{
    fillerSource() = std::move(source);
}

// ---- buffers and texts

bool clsBlowfish::EncryptByte(QByteArray& byteArray, const QString& Key)
{
    BusyScope busy(*this, "EncryptByte");
    if (!busy.entered())
        return false;
    applyKey(Key);
    const qint64 length = byteArray.size();
    if (length > kMaxDataLength) {
        ReportError(KlassenmodulLabel("EncryptByte", kClass), ErrNo::Overflow, tooLongText());
        return false;
    }
    const qint64 size = encryptedSize(length);
    byteArray.resize(size);
    char* data = byteArray.data();
    memmove(data + kHeaderSize, data, static_cast<size_t>(length));
    memset(data + kHeaderSize + length, 0, static_cast<size_t>(size - kHeaderSize - length));
    memcpy(data, archiveHeader(length).constData(), kHeaderSize);
    startProgress(size);
    encryptBlocks(data, size, 0);
    finishProgress();
    return true;
}

QString clsBlowfish::EncryptString(const QString& Text, const QString& Key, bool InHex)
{
    QByteArray bytes = Text.toUtf8();
    if (!EncryptByte(bytes, Key))
        return {};
    return InHex ? ToHex(bytes) : QString::fromLatin1(bytes);
}

QString clsBlowfish::DecryptString(QString& Text, const QString& Key, bool InHex, bool* ok)
{
    if (ok)
        *ok = false;
    QByteArray bytes;
    if (InHex) {
        if (!FromHex(Text, bytes)) {
            ReportError(KlassenmodulLabel("DecryptString", kClass), ErrNo::TypeMismatch,
                        QStringLiteral("Not a hexadecimal text"));
            return {};
        }
        Text = QString::fromLatin1(bytes);
    } else {
        // One character a byte: anything beyond Latin-1 was never made by EncryptString.
        bytes = Text.toLatin1();
        if (QString::fromLatin1(bytes) != Text) {
            ReportError(KlassenmodulLabel("DecryptString", kClass), ErrNo::TypeMismatch,
                        QStringLiteral("Not an encrypted text"));
            return {};
        }
    }
    if (!DecryptByte(bytes, Key))
        return {};
    DoEvents();
    if (ok)
        *ok = true;
    return QString::fromUtf8(bytes);
}

QString clsBlowfish::DecryptString(const QString& Text, const QString& Key, bool InHex, bool* ok)
{
    QString text = Text;
    return DecryptString(text, Key, InHex, ok);
}

bool clsBlowfish::DecryptByte(QByteArray& byteArray, const QString& Key)
{
    BusyScope busy(*this, "DecryptByte");
    if (!busy.entered())
        return false;
    applyKey(Key);
    const qint64 size = byteArray.size();
    const qint64 length = wholeBlocks(size) ? heldLength(byteArray.constData(), size) : -1;
    if (length < 0) {
        ReportError(KlassenmodulLabel("DecryptByte", kClass), kObjectError,
                    wholeBlocks(size) ? sizeDescriptorText() : blockSizeText());
        return false;
    }
    char* data = byteArray.data();
    startProgress(size);
    decryptBlocks(data, size, 0);
    memmove(data, data + kHeaderSize, static_cast<size_t>(length));
    byteArray.resize(length);
    finishProgress();
    DoEvents();
    return true;
}

QString clsBlowfish::ToHex(const QByteArray& bytes)
{
    QByteArray digits;
    appendHex(digits, bytes.constData(), bytes.size());
    return QString::fromLatin1(digits);
}

bool clsBlowfish::FromHex(const QString& text, QByteArray& bytes)
{
    const QByteArray digits = text.toLatin1();
    return decodeHex(digits.constData(), digits.size(), bytes);
}

// ---- key

void clsBlowfish::Key(const QString& New_Value)
{
    if (m_busy) {
        ReportError(KlassenmodulLabel("Key", kClass), ErrNo::InvalidCall,
                    QStringLiteral("The cipher is already at work"));
        return;
    }
    rekey(New_Value);
}

// An operation's key argument counts only when given.
void clsBlowfish::applyKey(const QString& key)
{
    if (!key.isEmpty())
        rekey(key);
}

void clsBlowfish::rekey(const QString& key)
{
    if (key == m_lastKey)
        return;
    m_lastKey = key;
    // Each key starts from the initial tables, so a reused object reads what a new one writes.
    m_P = BlowfishTables::kInitialP;
    m_S = BlowfishTables::kInitialS;
    if (!key.isEmpty())
        mixKey(key.toUtf8());
}

void clsBlowfish::mixKey(const QByteArray& keyBytes)
{
    const qsizetype count = keyBytes.size();
    qsizetype cursor = 0;
    for (quint32& p : m_P) {
        quint32 word = 0;
        for (int i = 0; i < 4; ++i) {
            word = (word << 8) | static_cast<quint8>(keyBytes[cursor]);
            cursor = (cursor + 1) % count;
        }
        p ^= word;
    }
    quint32 L = 0;
    quint32 R = 0;
    for (size_t i = 0; i < m_P.size(); i += 2) {
        EncryptBlock(L, R);
        m_P[i] = L;
        m_P[i + 1] = R;
    }
    for (auto& box : m_S) {
        for (size_t j = 0; j < box.size(); j += 2) {
            EncryptBlock(L, R);
            box[j] = L;
            box[j + 1] = R;
        }
    }
}

// ---- blocks

inline quint32 clsBlowfish::F(quint32 x) const
{
    return UnsignedAdd(UnsignedAdd(m_S[0][x >> 24], m_S[1][(x >> 16) & 0xFF])
                           ^ m_S[2][(x >> 8) & 0xFF],
                       m_S[3][x & 0xFF]);
}

void clsBlowfish::EncryptBlock(quint32& L, quint32& R) const
{
    for (size_t k = 0; k < 16; k += 2) {
        L ^= m_P[k];
        R ^= F(L);
        R ^= m_P[k + 1];
        L ^= F(R);
    }
    const quint32 left = R ^ m_P[17];
    R = L ^ m_P[16];
    L = left;
}

void clsBlowfish::DecryptBlock(quint32& L, quint32& R) const
{
    const quint32 left = R ^ m_P[16];
    R = L ^ m_P[17];
    L = left;
    for (size_t k = 16; k > 0; k -= 2) {
        L ^= F(R);
        R ^= m_P[k - 1];
        R ^= F(L);
        L ^= m_P[k - 2];
    }
}

inline quint32 clsBlowfish::GetWord(const char* buffer, qint64 offset)
{
    return qFromBigEndian<quint32>(buffer + offset);
}

inline void clsBlowfish::PutWord(quint32 word, char* buffer, qint64 offset)
{
    qToBigEndian<quint32>(word, buffer + offset);
}

void clsBlowfish::encryptBlocks(char* data, qint64 length, qint64 offset)
{
    for (qint64 at = 0; at < length; at += 8) {
        quint32 L = GetWord(data, at) ^ m_chainL;
        quint32 R = GetWord(data, at + 4) ^ m_chainR;
        EncryptBlock(L, R);
        PutWord(L, data, at);
        PutWord(R, data, at + 4);
        m_chainL = L;
        m_chainR = R;
        blockDone(offset + at);
    }
}

void clsBlowfish::decryptBlocks(char* data, qint64 length, qint64 offset)
{
    for (qint64 at = 0; at < length; at += 8) {
        const quint32 cipherL = GetWord(data, at);
        const quint32 cipherR = GetWord(data, at + 4);
        quint32 L = cipherL;
        quint32 R = cipherR;
        DecryptBlock(L, R);
        PutWord(L ^ m_chainL, data, at);
        PutWord(R ^ m_chainR, data, at + 4);
        m_chainL = cipherL;
        m_chainR = cipherR;
        blockDone(offset + at);
    }
}

// The length sits little-endian in the first word of the second block.
qint64 clsBlowfish::heldLength(const char* firstBlocks, qint64 size) const
{
    quint32 L = GetWord(firstBlocks, 8);
    quint32 R = GetWord(firstBlocks, 12);
    DecryptBlock(L, R);
    const qint64 length = qbswap(L ^ GetWord(firstBlocks, 0));
    const qint64 overhead = size - length;
    return overhead >= kHeaderSize && overhead <= kHeaderSize + 7 ? length : -1;
}

QByteArray clsBlowfish::archiveHeader(qint64 length)
{
    QByteArray header(kHeaderSize, Qt::Uninitialized);
    qToLittleEndian<quint32>(filler(), header.data());
    qToLittleEndian<quint32>(filler(), header.data() + 4);
    qToLittleEndian<quint32>(static_cast<quint32>(length), header.data() + 8);
    return header;
}

// ---- progress

void clsBlowfish::startProgress(qint64 size)
{
    m_progressSize = size;
    m_nextEventOffset = 0;
    m_currentPercent = 0;
    m_chainL = 0;
    m_chainR = 0;
}

inline void clsBlowfish::blockDone(qint64 offset)
{
    if (offset >= m_nextEventOffset)
        stepProgress(offset);
    if ((offset & (kEventSpan - 1)) == kEventSpan - 8)
        DoEvents();
}

void clsBlowfish::stepProgress(qint64 offset)
{
    const double size = static_cast<double>(m_progressSize);
    m_currentPercent = static_cast<int>(static_cast<double>(offset) / size * 100.0);
    // Rounded half to even, the rounding the stored archives' progress has always used.
    m_nextEventOffset = static_cast<qint64>(
        std::nearbyint(size * (static_cast<double>(m_currentPercent + 1) / 100.0) + 1.0));
    raiseProgress(m_currentPercent);
}

void clsBlowfish::raiseProgress(int percent)
{
    // The handler gets its own copy: what it does with it must not steer the counters.
    int value = percent;
    emit Progress(value);
}

void clsBlowfish::finishProgress()
{
    if (m_currentPercent != 100) {
        m_currentPercent = 100;
        raiseProgress(100);
    }
}

// ---- files

bool clsBlowfish::EncryptFile(const QString& InPath, const QString& OutPath, bool Overwrite,
                              const QString& Key, bool InHex)
{
    return runFile("EncryptFile", true, InPath, OutPath, Overwrite, Key, InHex);
}

bool clsBlowfish::DecryptFile(const QString& InPath, const QString& OutPath, bool Overwrite,
                              const QString& Key, bool InHex)
{
    return runFile("DecryptFile", false, InPath, OutPath, Overwrite, Key, InHex);
}

bool clsBlowfish::runFile(const char* procedure, bool encrypt, const QString& InPath,
                          const QString& OutPath, bool Overwrite, const QString& key, bool InHex)
{
    if (FileExists(OutPath) && !Overwrite)
        return false;
    BusyScope busy(*this, procedure);
    if (!busy.entered())
        return false;
    applyKey(key);
    CipherSource in;
    CipherError error;
    const bool done = in.open(InPath, InHex && !encrypt, error)
        && (encrypt ? encryptStream(in, OutPath, InHex, error) : decryptStream(in, OutPath, error));
    if (!done) {
        ReportError(KlassenmodulLabel(procedure, kClass), error.number, error.description);
        return false;
    }
    DoEvents();
    return true;
}

namespace {

// The plain bytes of one piece: the header in the first piece, then data, then zeros.
bool fillPlain(CipherSource& in, const QByteArray& header, char* piece, qint64 length,
               qint64& dataLeft, CipherError& error)
{
    if (!header.isEmpty()) {
        memcpy(piece, header.constData(), static_cast<size_t>(header.size()));
        piece += header.size();
        length -= header.size();
    }
    const qint64 take = qMin(length, dataLeft);
    if (!in.read(piece, take, error))
        return false;
    dataLeft -= take;
    memset(piece + take, 0, static_cast<size_t>(length - take));
    return true;
}

// Of a decrypted piece at pos, only the bytes from the header's end to the padding are data.
bool writeDataPart(CipherSink& out, const char* piece, qint64 pos, qint64 length,
                   qint64 dataLength, CipherError& error)
{
    const qint64 from = qMax(pos, kHeaderSize);
    const qint64 to = qMin(pos + length, kHeaderSize + dataLength);
    return to <= from || out.write(piece + (from - pos), to - from, error);
}

} // namespace

bool clsBlowfish::encryptStream(CipherSource& in, const QString& outPath, bool outHex,
                                CipherError& error)
{
    qint64 dataLeft = in.size();
    if (dataLeft > kMaxDataLength) {
        error = {ErrNo::Overflow, tooLongText()};
        return false;
    }
    CipherSink out;
    if (!out.open(outPath, outHex, error))
        return false;
    const qint64 size = encryptedSize(dataLeft);
    QByteArray header = archiveHeader(dataLeft);
    QByteArray piece(kChunkSize, Qt::Uninitialized);
    startProgress(size);
    for (qint64 pos = 0; pos < size; pos += kChunkSize) {
        const qint64 length = qMin(kChunkSize, size - pos);
        if (!fillPlain(in, header, piece.data(), length, dataLeft, error))
            return false;
        header.clear();
        encryptBlocks(piece.data(), length, pos);
        if (!out.write(piece.constData(), length, error))
            return false;
    }
    if (!out.commit(error))
        return false;
    finishProgress();
    return true;
}

bool clsBlowfish::decryptStream(CipherSource& in, const QString& outPath, CipherError& error)
{
    const qint64 size = in.size();
    if (!wholeBlocks(size)) {
        error = {kObjectError, blockSizeText()};
        return false;
    }
    QByteArray piece(kChunkSize, Qt::Uninitialized);
    qint64 length = qMin(kChunkSize, size);
    if (!in.read(piece.data(), length, error))
        return false;
    const qint64 dataLength = heldLength(piece.constData(), size);
    if (dataLength < 0) {
        error = {kObjectError, sizeDescriptorText()};
        return false;
    }
    CipherSink out;
    if (!out.open(outPath, false, error))
        return false;
    startProgress(size);
    for (qint64 pos = 0;;) {
        decryptBlocks(piece.data(), length, pos);
        if (!writeDataPart(out, piece.constData(), pos, length, dataLength, error))
            return false;
        pos += length;
        if (pos >= size)
            break;
        length = qMin(kChunkSize, size - pos);
        if (!in.read(piece.data(), length, error))
            return false;
    }
    if (!out.commit(error))
        return false;
    finishProgress();
    return true;
}
