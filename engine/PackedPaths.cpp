#include "PackedPaths.h"

namespace {

void putNumber(QByteArray& bytes, qsizetype n)
{
    for (; n >= 0x80; n >>= 7)
        bytes.append(char(0x80 | (n & 0x7f)));
    bytes.append(char(n));
}

qsizetype takeNumber(const QByteArray& bytes, qsizetype* at)
{
    qsizetype n = 0;
    for (int shift = 0;; shift += 7) {
        const auto c = quint8(bytes.at((*at)++));
        n |= qsizetype(c & 0x7f) << shift;
        if ((c & 0x80) == 0)
            return n;
    }
}

} // namespace

void PackedPaths::append(const QString& path)
{
    const QByteArray utf8 = path.toUtf8();
    const qsizetype most = qMin(utf8.size(), m_last.size());
    qsizetype shared = 0;
    while (shared < most && utf8.at(shared) == m_last.at(shared))
        ++shared;
    putNumber(m_bytes, shared);
    putNumber(m_bytes, utf8.size() - shared);
    m_bytes.append(utf8.constData() + shared, utf8.size() - shared);
    m_last = utf8;
}

void PackedPaths::clear()
{
    m_bytes = QByteArray();
    m_last = QByteArray();
}

void PackedPaths::forEachBatch(qsizetype count, const std::function<void(const QStringList&)>& take) const
{
    QStringList batch;
    QByteArray path;
    for (qsizetype at = 0; at < m_bytes.size();) {
        const qsizetype shared = takeNumber(m_bytes, &at);
        const qsizetype rest = takeNumber(m_bytes, &at);
        path.truncate(shared);
        path.append(m_bytes.constData() + at, rest);
        at += rest;
        batch.append(QString::fromUtf8(path));
        if (batch.size() >= count) {
            take(batch);
            batch.clear();
        }
    }
    if (!batch.isEmpty())
        take(batch);
}

QStringList PackedPaths::all() const
{
    QStringList paths;
    forEachBatch(qsizetype(1) << 30, [&paths](const QStringList& batch) { paths = batch; });
    return paths;
}
