#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyList.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

namespace {

// Texts that a C string cannot carry, each next to the kind of text around it in a document.
struct Text
{
    const char* name;
    QString text;
};
const Text kTexts[] = {
    {"NUL inside", QStringLiteral("nul") + QChar(0) + QStringLiteral("inside")},
    {"lone high surrogate and NUL", QStringView(u"A\xd800"
                                                u"B")
                                            .toString() +
                                        QChar(0) + QStringLiteral("C")},
    {"lone low surrogate first", QStringView(u"\xdc00"
                                             u"x")
                                     .toString()},
    {"pair, then a NUL at the end", QStringView(u"caf\u00e9 \U0001F600").toString() + QChar(0)},
    {"more than 15 units", QStringView(u"\xd83d").toString() + QString(40, u'y')},
};

TEST(PropertyList, BinaryListsKeepTextsThatCStringsCannotCarry)
{
    for (const Text& row : kTexts) {
        SCOPED_TRACE(row.name);
        const QVariantMap value{{QStringLiteral("title"), row.text},
                                {QStringLiteral("list"), QVariantList{row.text, QStringLiteral("plain")}},
                                {row.text, 1}};
        QString error;
        const auto read = dw::plist::read(dw::plist::write(value, dw::plist::Format::Binary), &error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_EQ(read->toMap(), value);
        EXPECT_EQ(read->toMap().value(QStringLiteral("title")).toString().size(), row.text.size());

        const auto archived = dw::KeyedUnarchiver::unarchiveObjectWithData(
            dw::KeyedArchiver::archivedDataWithRootObject(QVariantList{row.text, QStringLiteral("plain"), row.text}),
            &error);
        ASSERT_TRUE(archived) << error.toStdString();
        EXPECT_EQ(archived->toList(), (QVariantList{row.text, QStringLiteral("plain"), row.text}));

        // XML has no form for them: the text loses them, but nothing else leaks in.
        const QByteArray xml = dw::KeyedArchiver::archivedDataWithRootObject(row.text, dw::plist::Format::Xml);
        EXPECT_FALSE(xml.contains("qv-text")) << xml.toStdString();
        EXPECT_TRUE(dw::KeyedUnarchiver::unarchiveObjectWithData(xml));
    }

    // What we write is an ordinary binary list that holds the text as a UTF-16 string.
    const QString text = kTexts[0].text;
    const QByteArray bytes = dw::plist::write(QVariantList{text, 7}, dw::plist::Format::Binary);
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    ASSERT_TRUE(root);
    uint64_t length = 0;
    const char* utf8 = plist_get_string_ptr(plist_array_get_item(root, 0), &length);
    EXPECT_EQ(QString::fromUtf8(utf8, qsizetype(length)), text);
    plist_free(root);
}

TEST(PropertyList, AsciiTextWithNulWrittenElsewhereIsReadWhole)
{
    // The platform writes "nul\0inside" as an ASCII string; make one by patching a plain text.
    const auto patched = [](QByteArray bytes) {
        bytes[bytes.indexOf("nul_inside") + 3] = '\0';
        return bytes;
    };
    const QString expected = kTexts[0].text;
    QString error;
    const auto list = dw::plist::read(
        patched(dw::plist::write(QVariantList{QStringLiteral("nul_inside")}, dw::plist::Format::Binary)), &error);
    ASSERT_TRUE(list) << error.toStdString();
    EXPECT_EQ(list->toList().value(0).toString(), expected);
    const auto archived = dw::KeyedUnarchiver::unarchiveObjectWithData(
        patched(dw::KeyedArchiver::archivedDataWithRootObject(QStringLiteral("nul_inside"))), &error);
    ASSERT_TRUE(archived) << error.toStdString();
    EXPECT_EQ(archived->toString(), expected);
}

} // namespace
