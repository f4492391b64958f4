#include "DWKit/NSData+DWExtensions.h"

#include "DWKit/NSScanner+DWExtensions.h"
#include "DWKit/QMLog.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <zlib.h>

namespace dw {

namespace {

constexpr int kGzipWindowBits = 15 + 16;
constexpr qsizetype kFileChunk = 16384;
// A gzip stream can be made to inflate to itself; real downloads are wrapped once or twice.
constexpr int kMaxGzipLayers = 16;

bool isGzip(const QByteArray& head)
{
    return head.size() >= 3 && uchar(head[0]) == 0x1F && uchar(head[1]) == 0x8B && uchar(head[2]) == 0x08;
}

uInt chunkSize(qsizetype remaining)
{
    return uInt(std::min<qsizetype>(remaining, qsizetype(UINT_MAX)));
}

std::optional<QByteArray> inflateStream(const QByteArray& data, int windowBits)
{
    if (data.isEmpty())
        return data;
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;
    // Compressed data is usually a few times smaller than its content: start at one and a half
    // times the input and double from there, so that a highly compressed store takes a handful
    // of reallocations instead of one per half input length.
    QByteArray out(data.size() + data.size() / 2 + 64, Qt::Uninitialized);
    qsizetype consumed = 0;
    qsizetype written = 0;
    int status = Z_OK;
    for (;;) {
        if (written == out.size())
            out.resize(out.size() * 2);
        const uInt inAvailable = chunkSize(data.size() - consumed);
        const uInt outAvailable = chunkSize(out.size() - written);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData() + consumed));
        stream.avail_in = inAvailable;
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        stream.avail_out = outAvailable;
        status = ::inflate(&stream, Z_SYNC_FLUSH);
        consumed += inAvailable - stream.avail_in;
        written += outAvailable - stream.avail_out;
        if (status != Z_OK)
            break;
    }
    const int ended = inflateEnd(&stream);
    if (status != Z_STREAM_END || ended != Z_OK)
        return std::nullopt;
    out.truncate(written);
    return out;
}

QByteArray readHead(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(3);
}

// A group of the ASCII85 alphabet as a number; ASCII85Error beyond 32 bits.
quint32 checkedGroup(quint64 value)
{
    if (value > 0xFFFFFFFFULL)
        throw NamedException(QStringLiteral("ASCII85Error"), QStringLiteral("ASCII85: ascii85 5-tuple out of range"));
    return quint32(value);
}

void appendBigEndian(QByteArray& out, quint32 value, int count)
{
    for (int i = 0; i < count; ++i)
        out.append(char((value >> (24 - 8 * i)) & 0xFF));
}

} // namespace

QByteArray md5Digest(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray sha1Digest(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha1);
}

QString md5DigestString(const QByteArray& data)
{
    return hexString(md5Digest(data));
}

QString sha1DigestString(const QByteArray& data)
{
    return hexString(sha1Digest(data));
}

std::optional<QByteArray> inflateGzip(const QByteArray& data)
{
    return inflateStream(data, kGzipWindowBits);
}

std::optional<QByteArray> inflate(const QByteArray& data)
{
    return inflateStream(data, MAX_WBITS);
}

std::optional<QByteArray> deflate(const QByteArray& data)
{
    if (data.isEmpty())
        return data;
    z_stream stream{};
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK)
        return std::nullopt;
    // deflateBound is enough for one finishing call, so the output never needs to grow.
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    qsizetype consumed = 0;
    qsizetype written = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (written == out.size())
            out.resize(out.size() + kFileChunk);
        const uInt inAvailable = chunkSize(data.size() - consumed);
        const uInt outAvailable = chunkSize(out.size() - written);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData() + consumed));
        stream.avail_in = inAvailable;
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + written);
        stream.avail_out = outAvailable;
        const bool last = consumed + inAvailable == data.size();
        status = ::deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
        consumed += inAvailable - stream.avail_in;
        written += outAvailable - stream.avail_out;
        if (status == Z_BUF_ERROR && stream.avail_out == 0)
            status = Z_OK; // no room was left: grow and go on
    }
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    out.truncate(written);
    return out;
}

std::optional<QByteArray> inflateGzipWhilePossible(const QByteArray& data)
{
    QByteArray current = data;
    for (int layer = 0; current.size() >= 4 && isGzip(current); ++layer) {
        if (layer == kMaxGzipLayers) {
            QMLogError("inflateGzipWhilePossible: more than %d gzip layers", kMaxGzipLayers);
            return std::nullopt;
        }
        std::optional<QByteArray> inflated = inflateGzip(current);
        if (!inflated)
            return std::nullopt;
        current = std::move(*inflated);
    }
    return current;
}

bool inflateGzipAtPath(const QString& fromPath, const QString& toPath)
{
    DW_PARAMETER_ASSERT(!fromPath.isEmpty());
    DW_PARAMETER_ASSERT(!toPath.isEmpty());
    const QFileInfo source(fromPath);
    DW_ASSERT(source.exists() && !source.isDir(), "File must exists and must not be a dir at %@", fromPath);
    const QFileInfo destination(toPath);
    DW_ASSERT(!destination.exists() && !destination.isSymLink(), "File must not exists at %@", toPath);

    QFile in(fromPath);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // The inflated file appears only when the whole stream was decoded: a damaged download never
    // leaves a plausible-looking half store behind.
    QSaveFile out(toPath);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, kGzipWindowBits) != Z_OK)
        return false;
    QByteArray input(kFileChunk, Qt::Uninitialized);
    QByteArray output(kFileChunk, Qt::Uninitialized);
    int status = Z_OK;
    bool failed = false;
    while (status != Z_STREAM_END && !failed) {
        const qint64 read = in.read(input.data(), kFileChunk);
        if (read < 0) {
            failed = true;
            break;
        }
        if (read == 0)
            break;
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = uInt(read);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = uInt(kFileChunk);
            status = ::inflate(&stream, Z_SYNC_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
                failed = true;
                break;
            }
            const qint64 produced = kFileChunk - stream.avail_out;
            if (produced > 0 && out.write(output.constData(), produced) != produced) {
                failed = true;
                break;
            }
        } while (stream.avail_out == 0 && status != Z_STREAM_END);
    }
    inflateEnd(&stream);
    if (failed || status != Z_STREAM_END) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool inflateGzipWhilePossibleAtPath(const QString& fromPath, const QString& toPath)
{
    QString source = fromPath;
    for (int pass = 0;; ++pass) {
        if (!isGzip(readHead(source)))
            return true;
        if (pass == kMaxGzipLayers) {
            QMLogError("inflateGzipWhilePossibleAtPath: more than %d gzip layers in %@", kMaxGzipLayers, fromPath);
            return false;
        }
        QString input = source;
        QString intermediate;
        if (pass > 0) {
            const QString folder = paths::temporaryFolder();
            if (folder.isNull())
                return false;
            intermediate = folder + QString::number(pass) + u'_' + QFileInfo(toPath).fileName();
            // A leftover of an earlier run must not block this one.
            QFile::remove(intermediate);
            if (!paths::ensureFolder(folder) || !QFile::rename(toPath, intermediate))
                return false;
            input = intermediate;
        }
        const bool inflated = inflateGzipAtPath(input, toPath);
        if (!intermediate.isEmpty())
            QFile::remove(intermediate);
        if (!inflated)
            return false;
        source = toPath;
    }
}

QString ascii85String(const QByteArray& data)
{
    QString out;
    out.reserve(data.size() * 5 / 4 + 5);
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; i += 4) {
        const int count = int(std::min<qsizetype>(4, n - i));
        quint32 value = 0;
        for (int j = 0; j < 4; ++j)
            value = (value << 8) | (j < count ? bytes[i + j] : 0);
        if (count == 4 && value == 0) {
            out += u'z';
            continue;
        }
        char digits[5];
        for (int j = 4; j >= 0; --j) {
            digits[j] = char(value % 85 + 33);
            value /= 85;
        }
        out += QLatin1String(digits, count + 1);
    }
    return out;
}

std::optional<QByteArray> dataWithASCII85String(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 127)
            return std::nullopt;
    static const quint64 kPowers[5] = {85ULL * 85 * 85 * 85, 85ULL * 85 * 85, 85ULL * 85, 85, 1};
    QByteArray out;
    out.reserve(text.size() * 4 / 5 + 4);
    quint64 group = 0;
    int position = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'z') {
            if (position != 0)
                throw NamedException(QStringLiteral("ASCII85Error"),
                                     QStringLiteral("ASCII85: z inside ascii85 5-tuple"));
            out.append(4, '\0');
            continue;
        }
        if (code < u'!' || code > u'u')
            throw NamedException(QStringLiteral("ASCII85Error"),
                                 format("ASCII85: bad character in ascii85 string: %#o", uint(code)));
        group += quint64(code - 33) * kPowers[position];
        if (++position == 5) {
            appendBigEndian(out, checkedGroup(group), 4);
            group = 0;
            position = 0;
        }
    }
    if (position > 1) {
        group += kPowers[position - 1];
        appendBigEndian(out, checkedGroup(group), position - 1);
    }
    return out;
}

QByteArray subdataUntilByte(const QByteArray& data, char byte)
{
    const qsizetype index = data.indexOf(byte);
    return index < 0 ? data : data.left(index);
}

QByteArray dataByRemovingNilCharacters(const QByteArray& data)
{
    QByteArray out = data;
    out.removeIf([](char c) { return c == '\0'; });
    return out;
}

QByteArray dataWithHexString(const QString& text)
{
    Scanner scanner(text);
    QString digits;
    if (!scanAllHexCharactersIntoString(scanner, &digits) || digits.size() % 2 != 0)
        return QByteArray("");
    QByteArray out;
    out.reserve(digits.size() / 2);
    for (qsizetype i = 0; i < digits.size(); i += 2)
        out.append(char(valueForHexCharacter(digits.at(i)) * 16 + valueForHexCharacter(digits.at(i + 1))));
    return out;
}

QString hexString(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex());
}

int valueForHexCharacter(QChar c)
{
    const int value = hexDigitValue(c.unicode());
    DW_ASSERT(value >= 0, "non hex character in valueForHexCharacter()");
    return value;
}

} // namespace dw
