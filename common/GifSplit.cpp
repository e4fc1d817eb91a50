#include "GifSplit.h"

namespace {

constexpr char kExtension = 0x21;
constexpr char kImage = 0x2C;
constexpr char kTrailer = 0x3B;
constexpr quint8 kGraphicControl = 0xF9;
constexpr qsizetype kScreenEnd = 13;      // signature, version, logical screen descriptor
constexpr qsizetype kDescriptorSize = 10; // separator and image descriptor

quint8 byteAt(const QByteArray& data, qsizetype pos) { return static_cast<quint8>(data.at(pos)); }

qsizetype colourTableSize(quint8 packed)
{
    return (packed & 0x80) ? 3 * (qsizetype(1) << ((packed & 0x07) + 1)) : 0;
}

// Steps over a chain of data sub-blocks up to its terminator; false when the file ends first.
bool skipSubBlocks(const QByteArray& data, qsizetype& pos)
{
    while (pos < data.size()) {
        const quint8 length = byteAt(data, pos);
        ++pos;
        if (length == 0)
            return true;
        pos += length;
    }
    return false;
}

class Splitter
{
public:
    explicit Splitter(const QByteArray& gif)
        : m_gif(gif)
    {}

    GifSplitResult run()
    {
        if (m_gif.size() < kScreenEnd || !m_gif.startsWith("GIF"))
            return fail(QStringLiteral("not a GIF file"));
        m_pos = kScreenEnd + colourTableSize(byteAt(m_gif, 10));
        if (m_pos > m_gif.size())
            return fail(QStringLiteral("the colour table is cut off"));
        m_head = m_gif.left(m_pos);
        while (m_pos < m_gif.size()) {
            const char introducer = m_gif.at(m_pos);
            if (introducer == kTrailer)
                return std::move(m_result);
            const bool read = introducer == kExtension ? readExtension()
                              : introducer == kImage   ? readImage()
                                                       : unknownBlock();
            if (!read)
                return std::move(m_result);
        }
        return fail(QStringLiteral("the file ends without its trailer"));
    }

private:
    GifSplitResult fail(const QString& why)
    {
        m_result.error =
            why + QStringLiteral(" (at byte ") + QString::number(m_pos) + QLatin1Char(')');
        return std::move(m_result);
    }

    bool truncated()
    {
        m_result.error = QStringLiteral("the file is cut off inside a block");
        return false;
    }

    bool unknownBlock()
    {
        (void)fail(QStringLiteral("unknown block 0x") + QString::number(byteAt(m_gif, m_pos), 16));
        return false;
    }

    bool readExtension()
    {
        const qsizetype start = m_pos;
        if (m_pos + 2 > m_gif.size())
            return truncated();
        const quint8 label = byteAt(m_gif, m_pos + 1);
        m_pos += 2;
        if (!skipSubBlocks(m_gif, m_pos) || m_pos > m_gif.size())
            return truncated();
        const QByteArray block = m_gif.mid(start, m_pos - start);
        if (label == kGraphicControl)
            m_control = block;
        else if (m_result.frames.isEmpty())
            m_head += block; // the loop count and comments before the first frame hold for all
        return true;
    }

    bool readImage()
    {
        const qsizetype start = m_pos;
        if (m_pos + kDescriptorSize + 1 > m_gif.size())
            return truncated();
        m_pos += kDescriptorSize + colourTableSize(byteAt(m_gif, m_pos + 9)) + 1; // + code size
        if (m_pos > m_gif.size() || !skipSubBlocks(m_gif, m_pos) || m_pos > m_gif.size())
            return truncated();
        m_result.frames.append(m_head + m_control + m_gif.mid(start, m_pos - start) + kTrailer);
        m_control.clear();
        return true;
    }

    const QByteArray& m_gif;
    qsizetype m_pos = 0;
    QByteArray m_head;
    QByteArray m_control;
    GifSplitResult m_result;
};

} // namespace

GifSplitResult SplitGif(const QByteArray& gif) { return Splitter(gif).run(); }
