#include "platform/archive/PropertyList.h"
#include "platform/archive/PropertyListGuard.h"

#include <gtest/gtest.h>

namespace {

// A binary property list whose objects are given as raw bytes, with 4-byte offsets and
// references; object 0 is the top.
QByteArray binaryList(const QList<QByteArray>& objects)
{
    QByteArray out("bplist00");
    QList<quint32> offsets;
    for (const QByteArray& object : objects) {
        offsets.append(quint32(out.size()));
        out += object;
    }
    const auto tableStart = quint64(out.size());
    const auto bigEndian = [](quint64 value, int size) {
        QByteArray bytes(size, '\0');
        for (int i = size - 1; i >= 0; --i, value >>= 8)
            bytes[i] = char(value & 0xFF);
        return bytes;
    };
    for (quint32 offset : offsets)
        out += bigEndian(offset, 4);
    out += QByteArray(6, '\0') + char(4) + char(4);
    out += bigEndian(quint64(objects.size()), 8) + bigEndian(0, 8) + bigEndian(tableStart, 8);
    return out;
}

QByteArray reference(int index)
{
    return QByteArray(1, '\0') + char((index >> 16) & 0xFF) + char((index >> 8) & 0xFF) + char(index & 0xFF);
}

// Each object an array holding the next one (twice when shared), the last an integer.
QByteArray nestedArrays(int count, bool shared)
{
    QList<QByteArray> objects;
    for (int i = 0; i < count; ++i)
        objects.append((shared ? QByteArray("\xA2") + reference(i + 1) : QByteArray("\xA1")) + reference(i + 1));
    objects.append(QByteArray("\x10\x00", 2));
    return binaryList(objects);
}

QByteArray nestedXml(int depth)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><!-- <array> in a comment -->" +
           QByteArray("<array>").repeated(depth) + "<string><![CDATA[<array><dict>]]></string><array/>" +
           QByteArray("</array>").repeated(depth) + "</plist>";
}

// One million levels whose nesting the parser sees while a naive scan of the text does not: the
// parser skips double-quoted attribute values, processing instructions and document type
// declarations as wholes, so closing tags hidden there close nothing, and tags hidden there open
// nothing.
QByteArray disguisedXml(const QByteArray& open, const QByteArray& close = "</array>", const QByteArray& before = {},
                        const QByteArray& after = {})
{
    constexpr int kLevels = 1000000;
    return "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>" + before + open.repeated(kLevels) + after +
           close.repeated(kLevels) + "</array></plist>";
}

TEST(PropertyListGuard, HostileNestingIsRefusedBeforeTheParserSeesIt)
{
    const QByteArray keyWithNul = binaryList(
        {QByteArray("\xD1") + reference(1) + reference(2), QByteArray("\x61\x00\x00", 3), QByteArray("\x10\x01", 2)});
    EXPECT_FALSE(dw::plist::checkStructure(keyWithNul, dw::plist::kMaxDepth, dw::plist::kMaxNodes));
    EXPECT_EQ(dw::plist::read(keyWithNul)->toMap(), (QVariantMap{{QString(QChar(0)), qlonglong(1)}}));

    struct Row
    {
        const char* name;
        QByteArray data;
        bool readable;
    };
    const Row rows[] = {
        {"binary, shallow", nestedArrays(10, false), true},
        {"binary, 100000 levels", nestedArrays(100000, false), false},
        {"binary, shared arrays expanding to 2^60 values", nestedArrays(60, true), false},
        {"binary, array that contains itself", binaryList({QByteArray("\xA1") + reference(0)}), false},
        {"binary, reference past the objects", binaryList({QByteArray("\xA1") + reference(7)}), false},
        {"binary, count past the end", binaryList({QByteArray("\xAF\x13\x7f\xff\xff\xff\xff\xff\xff\xff")}), false},
        // The parser aborts on a UTF-16 key holding U+0000: the guard refuses it (below), and the
        // reader hands the parser a placeholder for that text instead, so the key reads.
        {"binary, UTF-16 dictionary key holding U+0000", keyWithNul, true},
        {"binary, UTF-16 dictionary key",
         binaryList({QByteArray("\xD1") + reference(1) + reference(2), QByteArray("\x63\x00\xE4\xD8\x3D\xDE\x00", 7),
                     QByteArray("\x10\x01", 2)}),
         true},
        {"binary, trailer only", QByteArray("bplist00") + QByteArray(32, '\xff'), false},
        {"XML, shallow (comments and CDATA do not count)", nestedXml(dw::plist::kMaxDepth - 2), true},
        {"XML, one million levels", nestedXml(1000000), false},
        {"XML, closing tags in attribute values", disguisedXml("<array><true a=\"</array>\"/>"), false},
        {"XML, a self-closing mark in an attribute value", disguisedXml("<array a=\"/>\">"), false},
        {"XML, closing tags after a quoted end in an instruction", disguisedXml("<array><?x \"?>\" </array> ?>"),
         false},
        {"XML, closing tags inside an internal subset", disguisedXml("<array><!DOCTYPE x [ > </array> ]>"), false},
        {"XML, a comment start in an attribute value",
         disguisedXml("<array>", "</array>", "<true a=\"<!--\"/>", "<true a=\"-->\"/>"), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        const auto value = dw::plist::read(row.data, &error);
        EXPECT_EQ(value.has_value(), row.readable) << error.toStdString();
        if (!row.readable) {
            EXPECT_FALSE(error.isEmpty());
        }
    }
}

} // namespace
