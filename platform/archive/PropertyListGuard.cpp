#include "platform/archive/PropertyListGuard.h"

#include <vector>

namespace dw::plist {

namespace {

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

QString tooDeep()
{
    return QStringLiteral("property list nested too deeply");
}

// Big-endian unsigned integer of 1 to 8 bytes.
quint64 readBigEndian(const uchar* bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

class BinaryWalk
{
public:
    BinaryWalk(const QByteArray& data) : m_bytes(reinterpret_cast<const uchar*>(data.constData())), m_size(data.size())
    {}

    bool run(int maxDepth, qint64 maxNodes, QString* error)
    {
        // The trailer: 6 unused bytes, offset size, reference size, then three 64-bit numbers.
        constexpr qsizetype kHeader = 8, kTrailer = 32;
        if (m_size < kHeader + kTrailer)
            return fail(error, damaged());
        const uchar* trailer = m_bytes + m_size - kTrailer;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_count = readBigEndian(trailer + 8, 8);
        const quint64 top = readBigEndian(trailer + 16, 8);
        m_tableStart = readBigEndian(trailer + 24, 8);
        const quint64 objectAreaEnd = quint64(m_size - kTrailer);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || m_count == 0 ||
            m_tableStart < quint64(kHeader) || m_tableStart > objectAreaEnd ||
            m_count > (objectAreaEnd - m_tableStart) / m_offsetSize || top >= m_count)
            return fail(error, damaged());

        // Per object: 0 not seen, 1 on the current path, 2 done. Depth and expanded size are
        // remembered, so a shared object costs its size once per reference but is walked once.
        std::vector<quint8> state(m_count, 0);
        std::vector<int> depth(m_count, 0);
        std::vector<qint64> nodes(m_count, 0);
        struct Frame
        {
            quint64 object;
            quint64 first;      // offset of the first child reference
            quint64 childCount; // references to visit
            quint64 next;       // index of the next child to visit
        };
        std::vector<Frame> stack;

        auto enter = [&](quint64 object) -> bool {
            if (state[object] == 1)
                return fail(error, QStringLiteral("property list refers to itself"));
            if (int(stack.size()) >= maxDepth)
                return fail(error, tooDeep());
            Frame frame{object, 0, 0, 0};
            if (!children(object, &frame.first, &frame.childCount))
                return fail(error, damaged());
            state[object] = 1;
            stack.push_back(frame);
            return true;
        };

        if (!enter(top))
            return false;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.childCount) {
                const quint64 child = readBigEndian(m_bytes + frame.first + frame.next * m_refSize, m_refSize);
                ++frame.next;
                if (child >= m_count)
                    return fail(error, damaged());
                if (state[child] != 2 && !enter(child))
                    return false;
                continue;
            }
            // All children are done: fold them into this object.
            int deepest = 0;
            qint64 total = 1;
            for (quint64 i = 0; i < frame.childCount; ++i) {
                const quint64 child = readBigEndian(m_bytes + frame.first + i * m_refSize, m_refSize);
                deepest = std::max(deepest, depth[child]);
                total += nodes[child];
                if (total > maxNodes)
                    return fail(error, QStringLiteral("property list holds too many values"));
            }
            depth[frame.object] = deepest + 1;
            nodes[frame.object] = total;
            state[frame.object] = 2;
            stack.pop_back();
        }
        if (depth[top] > maxDepth)
            return fail(error, tooDeep());
        return true;
    }

private:
    static QString damaged() { return QStringLiteral("not a property list, or a damaged one"); }

    // Where the child references of a container start and how many there are; other objects
    // have none. False when the object's header lies outside the object area.
    bool children(quint64 object, quint64* first, quint64* count) const
    {
        const uchar* entry = m_bytes + m_tableStart + object * m_offsetSize;
        const quint64 offset = readBigEndian(entry, m_offsetSize);
        if (offset < 8 || offset >= m_tableStart)
            return false;
        const uchar marker = m_bytes[offset];
        const int type = marker >> 4;
        if (type != 0xA && type != 0xC && type != 0xD) {
            *first = 0;
            *count = 0;
            return true;
        }
        quint64 elements = marker & 0x0F;
        quint64 position = offset + 1;
        if (elements == 0x0F) {
            // The count follows as an integer object of 1, 2, 4 or 8 bytes.
            if (position >= m_tableStart || (m_bytes[position] >> 4) != 0x1)
                return false;
            const int size = 1 << (m_bytes[position] & 0x0F);
            if (size > 8 || position + 1 + size > m_tableStart)
                return false;
            elements = readBigEndian(m_bytes + position + 1, size);
            position += 1 + size;
        }
        const quint64 references = type == 0xD ? 2 : 1;
        const quint64 room = (m_tableStart - position) / m_refSize;
        if (elements > room / references)
            return false;
        // The parser asserts (and so aborts) on some dictionary keys.
        for (quint64 i = 0; type == 0xD && i < elements; ++i) {
            const quint64 key = readBigEndian(m_bytes + position + i * m_refSize, m_refSize);
            if (key >= m_count || !isText(key))
                return false;
        }
        *first = position;
        *count = elements * references;
        return true;
    }

    // Text, and UTF-16 text without U+0000: the parser aborts on such a key.
    bool isText(quint64 object) const
    {
        const quint64 offset = readBigEndian(m_bytes + m_tableStart + object * m_offsetSize, m_offsetSize);
        if (offset < 8 || offset >= m_tableStart)
            return false;
        const int type = m_bytes[offset] >> 4;
        if (type != 0x5 && type != 0x6)
            return false;
        quint64 length = m_bytes[offset] & 0x0F;
        quint64 position = offset + 1;
        if (length == 0x0F) {
            if (position >= m_tableStart || (m_bytes[position] >> 4) != 0x1)
                return false;
            const int size = 1 << (m_bytes[position] & 0x0F);
            if (size > 8 || position + 1 + size > m_tableStart)
                return false;
            length = readBigEndian(m_bytes + position + 1, size);
            position += 1 + size;
        }
        const int unit = type == 0x6 ? 2 : 1;
        if (length > (m_tableStart - position) / unit)
            return false;
        for (quint64 i = 0; unit == 2 && i < length; ++i) {
            if (readBigEndian(m_bytes + position + 2 * i, 2) == 0)
                return false;
        }
        return true;
    }

    const uchar* m_bytes;
    qsizetype m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_tableStart = 0;
};

// Follows the parser's reading of the text, because a scan that reads it differently can be led
// astray: the parser skips a double-quoted attribute value, a processing instruction and a
// document type declaration (with its internal subset) as wholes, quotes inside them included,
// and skips comments and CDATA sections up to their first end marker. Whatever it treats as one
// of those neither opens nor closes anything here either. Where the parser would stop with an
// error the scan stops too: nothing after that point is read.
class XmlDepthScan
{
public:
    explicit XmlDepthScan(const QByteArray& data) : m_data(data), m_size(data.size()) {}

    bool run(int maxDepth, QString* error)
    {
        int depth = 0;
        while (m_pos < m_size) {
            const qsizetype open = m_data.indexOf('<', m_pos);
            if (open < 0)
                return true;
            m_pos = open + 1;
            bool ok = true;
            if (startsWith("!--")) {
                ok = skipPast("-->", false);
            } else if (startsWith("![CDATA[")) {
                ok = skipPast("]]>", false);
            } else if (startsWith("?")) {
                ok = skipPast("?>", true);
            } else if (startsWith("!")) {
                ok = skipDeclaration();
            } else {
                QByteArrayView name;
                bool empty = false;
                ok = readTag(&name, &empty);
                if (ok && !empty && (name == "array" || name == "dict")) {
                    if (++depth > maxDepth)
                        return fail(error, tooDeep());
                } else if (ok && (name == "/array" || name == "/dict")) {
                    depth = std::max(0, depth - 1);
                }
            }
            if (!ok)
                return true; // the parser refuses the text here
        }
        return true;
    }

private:
    bool startsWith(const char* text) const { return QByteArrayView(m_data).sliced(m_pos).startsWith(text); }

    // Moves past the closing quote of a value whose opening quote is at m_pos.
    bool skipQuoted()
    {
        const qsizetype close = m_data.indexOf('"', m_pos + 1);
        if (close < 0)
            return false;
        m_pos = close + 1;
        return true;
    }

    bool skipPast(const char* end, bool skipQuotes)
    {
        const QByteArrayView marker(end);
        while (m_pos < m_size) {
            if (QByteArrayView(m_data).sliced(m_pos).startsWith(marker)) {
                m_pos += marker.size();
                return true;
            }
            if (skipQuotes && m_data[m_pos] == '"') {
                if (!skipQuoted())
                    return false;
            } else {
                ++m_pos;
            }
        }
        return false;
    }

    // "<!DOCTYPE ...>" or "<!DOCTYPE ... [ ... ]>", quoted values skipped.
    bool skipDeclaration()
    {
        while (m_pos < m_size) {
            const char c = m_data[m_pos];
            if (c == '"') {
                if (!skipQuoted())
                    return false;
            } else if (c == '>') {
                ++m_pos;
                return true;
            } else if (c == '[') {
                ++m_pos;
                return skipPast("]>", true);
            } else {
                ++m_pos;
            }
        }
        return false;
    }

    // A tag's name runs to a blank, "<" or ">"; its attributes to the ">" outside quoted values.
    // The tag is empty when that ">" follows a "/", which is then no part of the name.
    bool readTag(QByteArrayView* name, bool* empty)
    {
        const qsizetype nameStart = m_pos;
        while (m_pos < m_size && !isNameEnd(m_data[m_pos]))
            ++m_pos;
        qsizetype nameEnd = m_pos;
        while (m_pos < m_size && m_data[m_pos] != '>') {
            if (m_data[m_pos] == '<')
                return false;
            if (m_data[m_pos] == '"') {
                if (!skipQuoted())
                    return false;
            } else {
                ++m_pos;
            }
        }
        if (m_pos >= m_size)
            return false;
        *empty = m_data[m_pos - 1] == '/';
        if (*empty && nameEnd == m_pos)
            --nameEnd;
        *name = QByteArrayView(m_data).sliced(nameStart, std::max<qsizetype>(0, nameEnd - nameStart));
        ++m_pos;
        return true;
    }

    static bool isNameEnd(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '<' || c == '>'; }

    const QByteArray& m_data;
    const qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace

bool checkStructure(const QByteArray& data, int maxDepth, qint64 maxNodes, QString* error)
{
    if (data.startsWith("bplist"))
        return BinaryWalk(data).run(maxDepth, maxNodes, error);
    // XML cannot share values, so its size is bounded by its length; only the depth needs a check.
    return XmlDepthScan(data).run(maxDepth, error);
}

} // namespace dw::plist
