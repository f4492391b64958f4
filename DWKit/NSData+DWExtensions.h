#pragma once
// Byte codecs: MD5 and SHA-1 digests, gzip and zlib (in memory and file to file), ASCII85,
// hexadecimal text, and small byte filters.
//
// Pure functions of their arguments except the two file inflations; any thread. Readers of
// encoded input never read outside their input, whatever it holds: a damaged gzip or zlib stream
// gives nullopt, never partial data.
//
//     const QString checksum = dw::md5DigestString(pictureBytes);       // 32 lower-case hex digits
//     const std::optional<QByteArray> store = dw::inflateGzipWhilePossible(download);
//     if (!store) return fail("damaged download");

#include <QByteArray>
#include <QString>
#include <optional>

namespace dw {

QByteArray md5Digest(const QByteArray& data);  // 16 bytes
QByteArray sha1Digest(const QByteArray& data); // 20 bytes
QString md5DigestString(const QByteArray& data);
QString sha1DigestString(const QByteArray& data);

// One gzip stream (gzip only, not zlib) decoded; empty data is returned unchanged; nullopt for a
// damaged or truncated stream. Bytes after the end of the stream are ignored.
std::optional<QByteArray> inflateGzip(const QByteArray& data);
// The same for one zlib stream.
std::optional<QByteArray> inflate(const QByteArray& data);
// A zlib stream at the default level; empty data is returned unchanged; nullopt when the
// compressor cannot start.
std::optional<QByteArray> deflate(const QByteArray& data);
// Gunzips again and again while the data starts with the gzip signature 1F 8B 08 (downloads may
// arrive compressed twice): the first result that is not gzip, the data itself when it never
// was, nullopt when a layer does not inflate or the layers do not end.
std::optional<QByteArray> inflateGzipWhilePossible(const QByteArray& data);

// Streams one gzip file into a new file. Empty paths, a missing or folder source and an existing
// destination are caller errors (DW_ASSERT). The destination appears only when the whole stream
// was decoded; true then.
[[nodiscard]] bool inflateGzipAtPath(const QString& fromPath, const QString& toPath);
// Repeats the file inflation while the result is gzip again. A source that is not gzip gives
// true and no destination file. Intermediate layers pass through the temporary folder.
[[nodiscard]] bool inflateGzipWhilePossibleAtPath(const QString& fromPath, const QString& toPath);

// ASCII85 without delimiters or line breaks ("z" for a full group of zero bytes).
QString ascii85String(const QByteArray& data);
// The inverse. nullopt when the text is not pure ASCII. Throws dw::NamedException named
// "ASCII85Error" for a character outside "!".."u" (white space included), a "z" inside a group,
// or a group whose value exceeds 2^32-1.
std::optional<QByteArray> dataWithASCII85String(const QString& text);

// The bytes before the first `byte`, or all of them when it does not occur.
QByteArray subdataUntilByte(const QByteArray& data, char byte);
QByteArray dataByRemovingNilCharacters(const QByteArray& data);

// The bytes written by the hexadecimal digits of `text` (anything else is skipped); empty when
// there are none or an odd number of them.
QByteArray dataWithHexString(const QString& text);
// Two lower-case hexadecimal digits per byte.
QString hexString(const QByteArray& data);
// 0..15 for "0"-"9", "a"-"f", "A"-"F"; any other character is a caller error (DW_ASSERT).
int valueForHexCharacter(QChar c);

} // namespace dw
