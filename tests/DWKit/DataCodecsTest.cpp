#include "DWKit/NSData+DWExtensions.h"
#include "DWKit/NSScanner+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Paths.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QByteArray gzip(const QByteArray& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(::deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray randomBytes(qsizetype size)
{
    QRandomGenerator generator(42);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ascii85Error(const QString& text)
{
    try {
        (void)dw::dataWithASCII85String(text);
    } catch (const dw::NamedException& e) {
        return e.name() + QStringLiteral(": ") + e.reason();
    }
    return QString();
}

} // namespace

TEST(DataCodecs, Digests)
{
    struct Row
    {
        QByteArray data;
        const char* md5;
        const char* sha1;
    } rows[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data.constData());
        EXPECT_EQ(dw::md5DigestString(row.data), QString::fromLatin1(row.md5));
        EXPECT_EQ(dw::sha1DigestString(row.data), QString::fromLatin1(row.sha1));
        EXPECT_EQ(dw::md5Digest(row.data).size(), 16);
        EXPECT_EQ(dw::sha1Digest(row.data).size(), 20);
    }
}

TEST(DataCodecs, CompressionRoundTrips)
{
    const QByteArray inputs[] = {QByteArray(), QByteArray("hello"), QByteArray(4 << 20, 'a'), randomBytes(100000)};
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(input.size());
        const std::optional<QByteArray> zlib = dw::deflate(input);
        ASSERT_TRUE(zlib);
        EXPECT_EQ(dw::inflate(*zlib), std::optional<QByteArray>(input));
        EXPECT_EQ(dw::inflateGzip(gzip(input)), std::optional<QByteArray>(input));
        if (!input.isEmpty()) {
            EXPECT_EQ(dw::inflateGzip(*zlib), std::nullopt) << "a zlib stream is not gzip";
            EXPECT_EQ(dw::inflate(gzip(input)), std::nullopt) << "a gzip stream is not zlib";
        }
    }
}

// Every truncation and every single-byte corruption of a stream either decodes or gives nullopt;
// run under AddressSanitizer this shows that no damaged stream makes the reader overstep.
TEST(DataCodecs, DamagedStreamsGiveNothing)
{
    const QByteArray plain = QByteArray("The quick brown fox jumps over the lazy dog. ").repeated(40);
    const QByteArray gz = gzip(plain);
    const QByteArray zlib = *dw::deflate(plain);
    for (qsizetype cut = 1; cut < gz.size(); ++cut)
        EXPECT_EQ(dw::inflateGzip(gz.left(cut)), std::nullopt) << "cut at " << cut;
    for (qsizetype cut = 1; cut < zlib.size(); ++cut)
        EXPECT_EQ(dw::inflate(zlib.left(cut)), std::nullopt) << "cut at " << cut;
    for (qsizetype i = 0; i < gz.size(); ++i) {
        QByteArray damaged = gz;
        damaged[i] = char(damaged[i] ^ 0x5A);
        const auto result = dw::inflateGzip(damaged);
        EXPECT_TRUE(!result || *result == plain) << "byte " << i;
    }
    EXPECT_EQ(dw::inflateGzip(randomBytes(5000)), std::nullopt);
    EXPECT_EQ(dw::inflateGzipWhilePossible(QByteArray("\x1f\x8b\x08\x00garbage", 11)), std::nullopt);
}

TEST(DataCodecs, InflateGzipWhilePossible)
{
    const QByteArray plain("category store");
    EXPECT_EQ(dw::inflateGzipWhilePossible(gzip(gzip(plain))), std::optional<QByteArray>(plain));
    EXPECT_EQ(dw::inflateGzipWhilePossible(plain), std::optional<QByteArray>(plain));
    EXPECT_EQ(dw::inflateGzipWhilePossible(QByteArray("\x1f\x8b\x08", 3)), std::optional<QByteArray>("\x1f\x8b\x08"));
    EXPECT_EQ(dw::inflateGzipWhilePossible(gzip(plain).chopped(4)), std::nullopt);

    // Layers that do not end (a stream can be built to inflate to itself) stop at a bound.
    QByteArray layered = plain;
    for (int i = 0; i < 20; ++i)
        layered = gzip(layered);
    EXPECT_EQ(dw::inflateGzipWhilePossible(layered), std::nullopt);
}

TEST(DataCodecs, FileInflation)
{
    dw::test::TemporaryXdg xdg;
    QTemporaryDir dir;
    const QByteArray plain = randomBytes(70000) + QByteArray(50000, 'x');
    const QString source = dir.filePath(QStringLiteral("store.gz"));
    writeFile(source, gzip(plain));

    const QString out = dir.filePath(QStringLiteral("store.sqlite"));
    EXPECT_TRUE(dw::inflateGzipAtPath(source, out));
    EXPECT_EQ(readFile(out), plain);
    EXPECT_THROW((void)dw::inflateGzipAtPath(source, out), dw::InternalInconsistency);
    EXPECT_THROW((void)dw::inflateGzipAtPath(dir.filePath(QStringLiteral("missing")), out + u'2'),
                 dw::InternalInconsistency);
    EXPECT_THROW((void)dw::inflateGzipAtPath(dir.path(), out + u'2'), dw::InternalInconsistency);

    // A damaged download leaves no destination behind.
    const QString damaged = dir.filePath(QStringLiteral("damaged.gz"));
    writeFile(damaged, gzip(plain).chopped(100));
    const QString damagedOut = dir.filePath(QStringLiteral("damaged.sqlite"));
    EXPECT_FALSE(dw::inflateGzipAtPath(damaged, damagedOut));
    EXPECT_FALSE(QFile::exists(damagedOut));

    // Twice compressed; a leftover intermediate of an earlier run does not get in the way.
    const QString twice = dir.filePath(QStringLiteral("twice.gz"));
    writeFile(twice, gzip(gzip(plain)));
    const QString twiceOut = dir.filePath(QStringLiteral("twice.sqlite"));
    writeFile(dw::paths::temporaryFolder() + QStringLiteral("1_twice.sqlite"), "stale");
    EXPECT_TRUE(dw::inflateGzipWhilePossibleAtPath(twice, twiceOut));
    EXPECT_EQ(readFile(twiceOut), plain);
    EXPECT_FALSE(QFile::exists(dw::paths::temporaryFolder() + QStringLiteral("1_twice.sqlite")));

    const QString notGzip = dir.filePath(QStringLiteral("plain.txt"));
    writeFile(notGzip, "plain");
    EXPECT_TRUE(dw::inflateGzipWhilePossibleAtPath(notGzip, dir.filePath(QStringLiteral("plain.out"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("plain.out"))));
}

TEST(DataCodecs, ASCII85)
{
    struct Row
    {
        QByteArray data;
        QString text;
    } rows[] = {
        {QByteArray(), ""},
        {QByteArray(4, '\0'), "z"},
        {QByteArray(1, '\0'), "!!"},
        {QByteArray(8, '\0'), "zz"},
        {"Man ", "9jqo^"},
        {"Man sure.", "9jqo^F*2M7/c"},
        {QByteArray(4, '\xFF'), "s8W-!"},
        {QByteArray("\xFF\xFF\xFF", 3), "s8W*"},
        {QByteArray("\0\0\0\0\1", 5), "z!<"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(dw::ascii85String(row.data), row.text);
        EXPECT_EQ(dw::dataWithASCII85String(row.text), std::optional<QByteArray>(row.data));
    }
    EXPECT_EQ(dw::dataWithASCII85String(QStringLiteral("9")), std::optional<QByteArray>(QByteArray()));
    EXPECT_EQ(dw::dataWithASCII85String(QStringLiteral("9jqo\u00E9")), std::nullopt);

    struct Failure
    {
        const char* name;
        QString text;
        QString error;
    } failures[] = {
        {"blank", "9jqo ^", "ASCII85Error: ASCII85: bad character in ascii85 string: 040"},
        {"line break", "9jqo\n^", "ASCII85Error: ASCII85: bad character in ascii85 string: 012"},
        {"past the alphabet", "9jqo{", "ASCII85Error: ASCII85: bad character in ascii85 string: 0173"},
        {"z inside a group", "9jzqo", "ASCII85Error: ASCII85: z inside ascii85 5-tuple"},
        {"group over 2^32-1", "s8W-\"", "ASCII85Error: ASCII85: ascii85 5-tuple out of range"},
        {"largest group", "uuuuu", "ASCII85Error: ASCII85: ascii85 5-tuple out of range"},
        {"partial group over 2^32-1", "uu", "ASCII85Error: ASCII85: ascii85 5-tuple out of range"},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        EXPECT_EQ(ascii85Error(failure.text), failure.error);
    }
}

TEST(DataCodecs, HexAndByteFilters)
{
    EXPECT_EQ(dw::dataWithHexString(QStringLiteral("0a:FF")), QByteArray("\x0a\xff"));
    EXPECT_EQ(dw::dataWithHexString(QStringLiteral("abc")), QByteArray());
    EXPECT_EQ(dw::dataWithHexString(QStringLiteral("xyz")), QByteArray());
    EXPECT_EQ(dw::hexString(QByteArray("\x0a\xff", 2)), QStringLiteral("0aff"));
    EXPECT_EQ(dw::hexString(QByteArray()), QStringLiteral(""));
    EXPECT_EQ(dw::valueForHexCharacter(u'B'), 11);
    EXPECT_THROW(dw::valueForHexCharacter(u'g'), dw::InternalInconsistency);

    EXPECT_EQ(dw::subdataUntilByte(QByteArray("key=value"), '='), QByteArray("key"));
    EXPECT_EQ(dw::subdataUntilByte(QByteArray("key"), '='), QByteArray("key"));
    EXPECT_EQ(dw::dataByRemovingNilCharacters(QByteArray("\0a\0\0\0b\0", 7)), QByteArray("ab"));
}

TEST(DataCodecs, ScanningAndCleaning)
{
    dw::Scanner scanner(QStringLiteral("xx12:ab-G3"));
    scanner.setScanLocation(2);
    QString hex;
    EXPECT_TRUE(dw::scanAllHexCharactersIntoString(scanner, &hex));
    EXPECT_EQ(hex, QStringLiteral("12ab3"));
    EXPECT_TRUE(scanner.isAtEnd());
    EXPECT_FALSE(dw::scanAllHexCharactersIntoString(scanner, &hex));
    EXPECT_EQ(hex, QStringLiteral(""));
    EXPECT_THROW(dw::scanAllHexCharactersIntoString(scanner, nullptr), dw::InternalInconsistency);

    const QString text = QStringLiteral(" a\tb\r\nc d ");
    EXPECT_EQ(dw::cleanString(text), QStringLiteral("abcd"));
    EXPECT_EQ(dw::stringByRemovingCarriageReturnAndLineFeed(text), QStringLiteral(" a\tbc d "));
    EXPECT_EQ(dw::DWCreateCleanString(text), QStringLiteral("ab\r\ncd"));
}
