#include "platform/archive/PropertyListTexts.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cstring>
#include <vector>

namespace dw::plist {

namespace {

constexpr qsizetype kTrailerSize = 32;
constexpr char kMagic[] = "bplist00";
constexpr int kData = 0x4;
constexpr int kAsciiString = 0x5;
constexpr int kUtf16String = 0x6;

quint64 readBigEndian(const char* at, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | uchar(at[i]);
    return value;
}

void appendBigEndian(QByteArray* out, quint64 value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        out->append(char((value >> (8 * i)) & 0xFF));
}

int bytesFor(quint64 value)
{
    int size = 1;
    while (size < 8 && value >> (8 * size))
        ++size;
    return size;
}

// The marker of an object of `type` with `count` elements, with the count as a following integer
// object when it does not fit the marker's low nibble.
void appendMarker(QByteArray* out, int type, quint64 count)
{
    if (count < 15) {
        out->append(char((type << 4) | int(count)));
        return;
    }
    out->append(char((type << 4) | 0xF));
    int power = 0;
    while ((1 << power) < bytesFor(count))
        ++power;
    out->append(char(0x10 | power));
    appendBigEndian(out, count, 1 << power);
}

// The layout of a binary property list, read from its trailer and checked to lie inside it.
struct Layout
{
    int offsetSize = 0;
    quint64 objectCount = 0;
    quint64 tableOffset = 0;

    bool read(const QByteArray& data)
    {
        if (data.size() < qsizetype(sizeof kMagic - 1) + kTrailerSize || !data.startsWith(kMagic))
            return false;
        return readTrailer(data.constData() + data.size() - kTrailerSize, quint64(data.size()));
    }
    bool readTrailer(const char* trailer, quint64 size)
    {
        offsetSize = uchar(trailer[6]);
        objectCount = readBigEndian(trailer + 8, 8);
        tableOffset = readBigEndian(trailer + 24, 8);
        const quint64 end = size - kTrailerSize;
        return offsetSize >= 1 && offsetSize <= 8 && tableOffset >= 8 && tableOffset <= end &&
               objectCount <= (end - tableOffset) / quint64(offsetSize);
    }
    quint64 offsetOf(const QByteArray& data, quint64 index) const
    {
        return readBigEndian(data.constData() + tableOffset + index * quint64(offsetSize), offsetSize);
    }
};

// A string object at offset: its type, where its characters start and how many there are.
struct StringObject
{
    int type = 0;
    quint64 start = 0;
    quint64 count = 0;
};

// A string or data object at offset (data is measured in bytes, as ASCII strings are).
bool stringOrDataAt(const QByteArray& data, const Layout& layout, quint64 offset, StringObject* string)
{
    if (offset < 8 || offset >= layout.tableOffset)
        return false;
    const uchar marker = uchar(data[qsizetype(offset)]);
    string->type = marker >> 4;
    if (string->type != kAsciiString && string->type != kUtf16String && string->type != kData)
        return false;
    quint64 at = offset + 1;
    quint64 count = marker & 0xF;
    if (count == 0xF) {
        if (at >= layout.tableOffset)
            return false;
        const uchar intMarker = uchar(data[qsizetype(at)]);
        const int size = 1 << (intMarker & 0xF);
        if (intMarker >> 4 != 1 || size > 8 || at + 1 + quint64(size) > layout.tableOffset)
            return false;
        count = readBigEndian(data.constData() + at + 1, size);
        at += 1 + quint64(size);
    }
    const quint64 unit = string->type == kUtf16String ? 2 : 1;
    if (count > (layout.tableOffset - at) / unit)
        return false;
    string->start = at;
    string->count = count;
    return true;
}

bool stringAt(const QByteArray& data, const Layout& layout, quint64 offset, StringObject* string)
{
    return stringOrDataAt(data, layout, offset, string) && string->type != kData;
}

void appendUtf16String(QByteArray* out, const QString& text)
{
    appendMarker(out, kUtf16String, quint64(text.size()));
    for (const QChar c : text)
        appendBigEndian(out, c.unicode(), 2);
}

// The width of the offsets as libplist chooses it, so that a list with its placeholders resolved is
// the one libplist would write: the fewest bytes that hold the offset of the table itself, any
// number from one to eight (three for a file between 64 KiB and 16 MiB), not only powers of two.
int offsetSizeFor(quint64 tableOffset)
{
    int size = 1;
    while (size < 8 && (tableOffset >> (8 * size)) != 0)
        ++size;
    return size;
}

// The offset table and trailer for objects at `offsets`, the table at `tableOffset`.
void appendTableAndTrailer(QByteArray* out, const std::vector<quint64>& offsets, quint64 tableOffset,
                           const char* oldTrailer)
{
    const int offsetSize = offsetSizeFor(tableOffset);
    out->reserve(out->size() + qsizetype(offsets.size()) * offsetSize + kTrailerSize);
    for (const quint64 offset : offsets)
        appendBigEndian(out, offset, offsetSize);
    QByteArray trailer(oldTrailer, kTrailerSize);
    trailer[6] = char(offsetSize);
    QByteArray table;
    appendBigEndian(&table, tableOffset, 8);
    trailer.replace(24, 8, table);
    out->append(trailer);
}

} // namespace

BinaryTexts::BinaryTexts()
{
    const quint64 tag[2] = {QRandomGenerator::global()->generate64(), QRandomGenerator::global()->generate64()};
    m_prefix = QByteArray("\x01qv-text-") + QByteArray(reinterpret_cast<const char*>(tag), sizeof tag).toHex() + '-';
}

bool BinaryTexts::needsUtf16(const QString& text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c.isNull())
            return true;
        if (c.isHighSurrogate()) {
            if (i + 1 >= size || !text[i + 1].isLowSurrogate())
                return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

QByteArray BinaryTexts::newPlaceholder(const QString& text)
{
    const QByteArray placeholder = m_prefix + QByteArray::number(m_texts.size());
    m_texts.insert(placeholder, text);
    return placeholder;
}

QByteArray BinaryTexts::cText(const QString& text)
{
    if (!needsUtf16(text))
        return text.toUtf8();
    if (const auto it = m_placeholders.constFind(text); it != m_placeholders.constEnd())
        return *it;
    const QByteArray placeholder = newPlaceholder(text);
    m_placeholders.insert(text, placeholder);
    return placeholder;
}

QByteArray BinaryTexts::dataPlaceholder(const QByteArray& bytes)
{
    const QByteArray placeholder = m_prefix + 'd' + QByteArray::number(m_datas.size());
    m_datas.insert(placeholder, bytes);
    return placeholder;
}

QByteArray joinedPieces(const QList<QByteArray>& pieces)
{
    if (pieces.size() == 1)
        return pieces.first();
    qsizetype size = 0;
    for (const QByteArray& piece : pieces)
        size += piece.size();
    QByteArray joined;
    joined.reserve(size);
    for (const QByteArray& piece : pieces)
        joined.append(piece);
    return joined;
}

QByteArray BinaryTexts::resolvePlaceholders(const QByteArray& binary) const
{
    return joinedPieces(resolvedPieces(binary));
}

QList<QByteArray> BinaryTexts::resolvedPieces(const QByteArray& binary) const
{
    Layout layout;
    if ((m_texts.isEmpty() && m_datas.isEmpty()) || !layout.read(binary))
        return {binary};
    // Objects are laid out one after another; each extends to the next one's start.
    std::vector<quint64> offsets(layout.objectCount);
    for (quint64 i = 0; i < layout.objectCount; ++i)
        offsets[i] = layout.offsetOf(binary, i);
    std::vector<quint64> order(offsets);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    if (order.empty() || order.front() < 8 || order.back() >= layout.tableOffset)
        return {binary};

    QList<QByteArray> pieces;
    quint64 done = 0; // the bytes of the finished pieces
    QByteArray out = binary.left(qsizetype(order.front()));
    out.reserve(binary.size());
    QHash<quint64, quint64> moved;
    for (size_t k = 0; k < order.size(); ++k) {
        const quint64 start = order[k];
        const quint64 end = k + 1 < order.size() ? order[k + 1] : layout.tableOffset;
        moved.insert(start, done + quint64(out.size()));
        StringObject object;
        if (stringOrDataAt(binary, layout, start, &object) && object.type != kUtf16String &&
            object.start + object.count <= end && object.count > quint64(m_prefix.size()) &&
            std::memcmp(binary.constData() + object.start, m_prefix.constData(), size_t(m_prefix.size())) == 0) {
            const QByteArray content = binary.mid(qsizetype(object.start), qsizetype(object.count));
            if (object.type == kAsciiString) {
                if (const auto it = m_texts.constFind(content); it != m_texts.constEnd()) {
                    appendUtf16String(&out, *it);
                    continue;
                }
            } else if (const auto it = m_datas.constFind(content); it != m_datas.constEnd()) {
                appendMarker(&out, kData, quint64(it->size()));
                done += quint64(out.size()) + quint64(it->size());
                pieces << out << *it;
                out = QByteArray();
                continue;
            }
        }
        out.append(binary.constData() + start, qsizetype(end - start));
    }
    for (quint64& offset : offsets)
        offset = moved.value(offset);
    appendTableAndTrailer(&out, offsets, done + quint64(out.size()), binary.constData() + binary.size() - kTrailerSize);
    pieces << out;
    return pieces;
}

QByteArray BinaryTexts::substituteTexts(const QByteArray& binary)
{
    Layout layout;
    if (!layout.read(binary))
        return binary;
    std::vector<quint64> offsets(layout.objectCount);
    std::vector<std::pair<quint64, QString>> replaced; // object index, text
    for (quint64 i = 0; i < layout.objectCount; ++i) {
        offsets[i] = layout.offsetOf(binary, i);
        StringObject string;
        if (!stringAt(binary, layout, offsets[i], &string))
            continue;
        const char* characters = binary.constData() + string.start;
        if (string.type == kAsciiString) {
            if (memchr(characters, 0, size_t(string.count)))
                replaced.emplace_back(i, QString::fromLatin1(characters, qsizetype(string.count)));
            continue;
        }
        QString text(qsizetype(string.count), Qt::Uninitialized);
        for (quint64 k = 0; k < string.count; ++k)
            text[qsizetype(k)] = QChar(char16_t(readBigEndian(characters + 2 * k, 2)));
        if (needsUtf16(text))
            replaced.emplace_back(i, text);
    }
    if (replaced.empty())
        return binary;

    // The placeholders go after the last object; the strings they replace stay unreferenced.
    QByteArray out = binary.left(qsizetype(layout.tableOffset));
    for (const auto& [index, text] : replaced) {
        offsets[index] = quint64(out.size());
        const QByteArray placeholder = newPlaceholder(text);
        appendMarker(&out, kAsciiString, quint64(placeholder.size()));
        out.append(placeholder);
    }
    appendTableAndTrailer(&out, offsets, quint64(out.size()), binary.constData() + binary.size() - kTrailerSize);
    return out;
}

std::optional<QByteArray> BinaryTexts::withoutLargeData(const ArchiveSource& source, qint64 minLength, QString* error)
{
    const qint64 size = source.size();
    if (size < qint64(sizeof kMagic - 1) + kTrailerSize + minLength)
        return source.readAll(error);
    const std::optional<QByteArray> head = source.read(0, sizeof kMagic - 1, error);
    const std::optional<QByteArray> trailer = source.read(size - kTrailerSize, kTrailerSize, error);
    if (!head || !trailer)
        return std::nullopt;
    Layout layout;
    // What is no binary property list, or is a damaged one, is read whole for the parser to judge.
    if (!head->startsWith(kMagic) || !layout.readTrailer(trailer->constData(), quint64(size)))
        return source.readAll(error);
    const std::optional<QByteArray> table =
        source.read(qint64(layout.tableOffset), qint64(layout.objectCount) * layout.offsetSize, error);
    if (!table)
        return std::nullopt;
    std::vector<quint64> offsets(layout.objectCount);
    for (quint64 i = 0; i < layout.objectCount; ++i)
        offsets[i] = readBigEndian(table->constData() + i * quint64(layout.offsetSize), layout.offsetSize);
    std::vector<quint64> order(offsets);
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    if (order.empty() || order.front() < 8 || order.back() >= layout.tableOffset)
        return source.readAll(error);

    // Objects lie one after another, each up to the next one's start: a data object that fills
    // such a stretch with at least minLength bytes is left in the source. Only its first bytes
    // are read, to learn what it is.
    struct Block
    {
        quint64 start;     // the object
        quint64 dataStart; // its bytes
        quint64 dataEnd;
    };
    std::vector<Block> blocks;
    for (size_t k = 0; k < order.size(); ++k) {
        const quint64 start = order[k];
        const quint64 end = k + 1 < order.size() ? order[k + 1] : layout.tableOffset;
        if (end - start < quint64(minLength))
            continue;
        constexpr quint64 kLongestHead = 1 + 1 + 8;
        const std::optional<QByteArray> first = source.read(qint64(start), qint64(kLongestHead), error);
        if (!first)
            return std::nullopt;
        const uchar marker = uchar(first->at(0));
        if (marker != ((kData << 4) | 0xF))
            continue;
        const uchar intMarker = uchar(first->at(1));
        const int width = 1 << (intMarker & 0xF);
        if (intMarker >> 4 != 1 || width > 8)
            continue;
        const quint64 count = readBigEndian(first->constData() + 2, width);
        const quint64 dataStart = start + 2 + quint64(width);
        if (count < quint64(minLength) || count > end - dataStart)
            continue;
        blocks.push_back({start, dataStart, dataStart + count});
    }
    if (blocks.empty())
        return source.readAll(error);

    QByteArray out;
    QHash<quint64, quint64> moved;
    quint64 copied = 0; // the source's bytes up to here are in out, or stand for a block
    size_t next = 0;    // the next object start to be moved
    const auto copyUpTo = [&](quint64 end) {
        if (end <= copied)
            return true;
        for (; next < order.size() && order[next] < end; ++next)
            moved.insert(order[next], quint64(out.size()) + (order[next] - copied));
        const std::optional<QByteArray> piece = source.read(qint64(copied), qint64(end - copied), error);
        if (!piece)
            return false;
        out.append(*piece);
        copied = end;
        return true;
    };
    for (const Block& block : blocks) {
        if (!copyUpTo(block.start))
            return std::nullopt;
        moved.insert(block.start, quint64(out.size()));
        ++next;
        const QByteArray placeholder = m_prefix + 'l' + QByteArray::number(m_largeDatas.size());
        m_largeDatas.insert(placeholder,
                            ArchiveBytes(source, qint64(block.dataStart), qint64(block.dataEnd - block.dataStart)));
        appendMarker(&out, kData, quint64(placeholder.size()));
        out.append(placeholder);
        copied = block.dataEnd;
    }
    if (!copyUpTo(layout.tableOffset))
        return std::nullopt;
    for (quint64& offset : offsets)
        offset = moved.value(offset);
    appendTableAndTrailer(&out, offsets, quint64(out.size()), trailer->constData());
    return out;
}

const ArchiveBytes* BinaryTexts::largeData(const char* bytes, qsizetype length) const
{
    if (m_largeDatas.isEmpty() || !bytes || length <= m_prefix.size() || bytes[0] != m_prefix[0])
        return nullptr;
    const auto it = m_largeDatas.constFind(QByteArray::fromRawData(bytes, length));
    return it == m_largeDatas.constEnd() ? nullptr : &*it;
}

QString BinaryTexts::text(const char* utf8, qsizetype length) const
{
    if (!utf8)
        return QString();
    if (!m_texts.isEmpty() && length > m_prefix.size() && utf8[0] == m_prefix[0]) {
        if (const auto it = m_texts.constFind(QByteArray::fromRawData(utf8, length)); it != m_texts.constEnd())
            return *it;
    }
    return QString::fromUtf8(utf8, length);
}

QString BinaryTexts::text(const char* utf8) const
{
    return utf8 ? text(utf8, qsizetype(strlen(utf8))) : QString();
}

} // namespace dw::plist
