#include "platform/PropertyListGuard.h"

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

bool startsWithAt(const QByteArray& data, qsizetype at, const char* text)
{
    return QByteArrayView(data).sliced(at).startsWith(QByteArrayView(text));
}

// Counts open <array> and <dict> elements; comments, CDATA sections, processing instructions and
// declarations are skipped so that text inside them cannot count. Over-counting only refuses a
// list a little early, which no list the system writes comes near.
bool checkXmlDepth(const QByteArray& data, int maxDepth, QString* error)
{
    int depth = 0;
    qsizetype i = 0;
    const qsizetype size = data.size();
    auto skipPast = [&](const char* end) {
        const qsizetype found = data.indexOf(end, i);
        i = found < 0 ? size : found + qsizetype(qstrlen(end));
    };
    while (i < size) {
        if (data[i] != '<') {
            ++i;
            continue;
        }
        if (startsWithAt(data, i, "<!--")) {
            skipPast("-->");
        } else if (startsWithAt(data, i, "<![CDATA[")) {
            skipPast("]]>");
        } else if (startsWithAt(data, i, "<?")) {
            skipPast("?>");
        } else if (startsWithAt(data, i, "<!")) {
            skipPast(">");
        } else if (startsWithAt(data, i, "</array") || startsWithAt(data, i, "</dict")) {
            depth = std::max(0, depth - 1);
            skipPast(">");
        } else if (startsWithAt(data, i, "<array") || startsWithAt(data, i, "<dict")) {
            const qsizetype close = data.indexOf('>', i);
            if (close < 0)
                break;
            if (data[close - 1] != '/' && ++depth > maxDepth)
                return fail(error, tooDeep());
            i = close + 1;
        } else {
            ++i;
        }
    }
    return true;
}

} // namespace

bool checkStructure(const QByteArray& data, int maxDepth, qint64 maxNodes, QString* error)
{
    if (data.startsWith("bplist"))
        return BinaryWalk(data).run(maxDepth, maxNodes, error);
    // XML cannot share values, so its size is bounded by its length; only the depth needs a check.
    return checkXmlDepth(data, maxDepth, error);
}

} // namespace dw::plist
