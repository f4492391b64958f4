#include "MacArchiveBuilder.h"

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/text/StyledText.h"

#include <gtest/gtest.h>

namespace {

using B = MacArchiveBuilder;

// A description as the platform archives it: bold red centred text, then plain underlined text
// in a named colour with a kerning attribute this system does not model. The first run is longer
// than 127 characters, so its length takes two bytes in the run table.
QByteArray macDescription(const QByteArray& runTable, int textLength = 200)
{
    B b;
    const int stringClass = b.classEntry({QStringLiteral("NSMutableString"), QStringLiteral("NSString")});
    const int text = b.add(B::object(stringClass, {{QStringLiteral("NS.string"), QString(textLength, u'x')}}));

    const int fontClass = b.classEntry({QStringLiteral("NSFont"), QStringLiteral("NSObject")});
    const int boldName = b.add(QStringLiteral("Helvetica-Bold"));
    const int plainName = b.add(QStringLiteral("Helvetica"));
    const int boldFont = b.add(B::object(fontClass, {{QStringLiteral("NSName"), B::uid(boldName)},
                                                     {QStringLiteral("NSSize"), 14.0},
                                                     {QStringLiteral("NSfFlags"), 16}}));
    const int plainFont = b.add(B::object(fontClass, {{QStringLiteral("NSName"), B::uid(plainName)},
                                                      {QStringLiteral("NSSize"), 12.0},
                                                      {QStringLiteral("NSfFlags"), 16}}));
    const int colorClass = b.classEntry({QStringLiteral("NSColor"), QStringLiteral("NSObject")});
    const int red = b.add(B::object(
        colorClass, {{QStringLiteral("NSColorSpace"), 1}, {QStringLiteral("NSRGB"), QByteArray("1 0 0\0", 6)}}));
    const int black = b.add(B::object(
        colorClass, {{QStringLiteral("NSColorSpace"), 3}, {QStringLiteral("NSWhite"), QByteArray("0\0", 2)}}));
    const int catalog = b.add(QStringLiteral("System"));
    const int named = b.add(B::object(colorClass, {{QStringLiteral("NSColorSpace"), 6},
                                                   {QStringLiteral("NSCatalogName"), B::uid(catalog)},
                                                   {QStringLiteral("NSColor"), B::uid(black)}}));
    const int styleClass = b.classEntry({QStringLiteral("NSParagraphStyle"), QStringLiteral("NSObject")});
    const int centred =
        b.add(B::object(styleClass, {{QStringLiteral("NSAlignment"), 2}, {QStringLiteral("NSTabStops"), B::uid(0)}}));

    const int dictionaryClass = b.classEntry({QStringLiteral("NSDictionary"), QStringLiteral("NSObject")});
    const auto dictionary = [&](const QList<std::pair<QString, int>>& entries) {
        QVariantList keys, values;
        for (const auto& [key, value] : entries) {
            keys.append(B::uid(b.add(key)));
            values.append(B::uid(value));
        }
        return b.add(
            B::object(dictionaryClass, {{QStringLiteral("NS.keys"), keys}, {QStringLiteral("NS.objects"), values}}));
    };
    const int first = dictionary({{QStringLiteral("NSFont"), boldFont},
                                  {QStringLiteral("NSColor"), red},
                                  {QStringLiteral("NSParagraphStyle"), centred}});
    const int second = dictionary({{QStringLiteral("NSFont"), plainFont},
                                   {QStringLiteral("NSColor"), named},
                                   {QStringLiteral("NSUnderline"), b.add(1)},
                                   {QStringLiteral("NSKern"), b.add(1.5)}});
    const int arrayClass = b.classEntry({QStringLiteral("NSArray"), QStringLiteral("NSObject")});
    const int attributes =
        b.add(B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(first), B::uid(second)}}}));
    const int dataClass = b.classEntry({QStringLiteral("NSMutableData"), QStringLiteral("NSData")});
    const int info = b.add(B::object(dataClass, {{QStringLiteral("NS.data"), runTable}}));
    const int attributedClass = b.classEntry({QStringLiteral("NSMutableAttributedString"),
                                              QStringLiteral("NSAttributedString"), QStringLiteral("NSObject")});
    return b.bytes(b.add(B::object(attributedClass, {{QStringLiteral("NSString"), B::uid(text)},
                                                     {QStringLiteral("NSAttributes"), B::uid(attributes)},
                                                     {QStringLiteral("NSAttributeInfo"), B::uid(info)}})));
}

// 130 characters with attributes 0, then 70 with attributes 1.
const QByteArray kRunTable("\x82\x01\x00\x46\x01", 5);

dw::ArchivedAttributedString read(const QByteArray& data, QString* error = nullptr)
{
    const auto value = dw::KeyedUnarchiver::unarchiveObjectWithData(data, error);
    return value ? value->value<dw::ArchivedAttributedString>() : dw::ArchivedAttributedString();
}

TEST(ArchivedAttributedString, MacDescriptionReadsIntoRuns)
{
    QString error;
    const dw::ArchivedAttributedString text = read(macDescription(kRunTable), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(text.string, QString(200, u'x'));
    ASSERT_EQ(text.runs.size(), 2);

    const dw::ArchivedTextRun& bold = text.runs[0];
    EXPECT_EQ(bold.length, 130);
    EXPECT_EQ(bold.attributes.fontName, QStringLiteral("Helvetica-Bold"));
    EXPECT_EQ(bold.attributes.fontSize, 14.0);
    EXPECT_EQ(bold.attributes.color, (dw::RgbaColor{1, 0, 0, 1}));
    EXPECT_EQ(bold.attributes.alignment, dw::ArchivedTextAlignment::Center);
    EXPECT_EQ(bold.attributes.underline, 0);
    EXPECT_TRUE(bold.attributes.other.isEmpty());

    const dw::ArchivedTextRun& plain = text.runs[1];
    EXPECT_EQ(plain.length, 70);
    EXPECT_EQ(plain.attributes.fontName, QStringLiteral("Helvetica"));
    EXPECT_EQ(plain.attributes.color, (dw::RgbaColor{0, 0, 0, 1})); // the named colour's own value
    EXPECT_EQ(plain.attributes.alignment, dw::ArchivedTextAlignment::None);
    EXPECT_EQ(plain.attributes.underline, 1);
    EXPECT_EQ(plain.attributes.other, (QVariantMap{{QStringLiteral("NSKern"), 1.5}}));

    // Written by us and read again, text and attributes survive.
    const QByteArray ours = dw::KeyedArchiver::archivedDataWithRootObject(QVariant::fromValue(text));
    EXPECT_EQ(read(ours, &error), text) << error.toStdString();
}

TEST(ArchivedAttributedString, RoundTripsOfOurOwn)
{
    dw::ArchivedTextAttributes strike;
    strike.strikethrough = 1;
    strike.color = dw::RgbaColor{51 / 255.0, 102 / 255.0, 153 / 255.0, 128 / 255.0};
    strike.alignment = dw::ArchivedTextAlignment::Justified;
    dw::ArchivedTextAttributes plain;

    struct Row
    {
        const char* name;
        dw::ArchivedAttributedString text;
        dw::ArchivedAttributedString expected;
    };
    const QString hello = QStringLiteral("Hello wörld");
    const QString nul = QStringView(u"A\xd800"
                                    u"B")
                            .toString() +
                        QChar(0) + QStringLiteral("C");
    const Row rows[] = {
        {"empty", {QString(), {}}, {QString(), {}}},
        {"plain text reads as one run without attributes", {hello, {}}, {hello, {{hello.size(), plain}}}},
        {"one run", {hello, {{hello.size(), strike}}}, {hello, {{hello.size(), strike}}}},
        {"adjacent equal runs merge",
         {hello, {{2, strike}, {3, strike}, {6, plain}}},
         {hello, {{5, strike}, {6, plain}}}},
        {"runs that repeat attributes",
         {hello, {{2, strike}, {3, plain}, {6, strike}}},
         {hello, {{2, strike}, {3, plain}, {6, strike}}}},
        {"NUL and a lone surrogate", {nul, {{nul.size(), strike}}}, {nul, {{nul.size(), strike}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_EQ(read(dw::KeyedArchiver::archivedDataWithRootObject(QVariant::fromValue(row.text)), &error),
                  row.expected);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

TEST(ArchivedAttributedString, EmptyTextIsWrittenAsTextAndReadEitherWay)
{
    dw::KeyedArchiver archiver;
    archiver.encodeObject(QVariant::fromValue(dw::ArchivedAttributedString{}), QStringLiteral("root"));
    const QByteArray ours = archiver.encodedData(dw::plist::Format::Xml);
    EXPECT_TRUE(ours.contains("<key>NSString</key>")) << ours.toStdString();
    QString error;
    const auto value = dw::KeyedUnarchiver::unarchiveObjectWithData(ours, &error);
    ASSERT_TRUE(value) << error.toStdString();
    EXPECT_EQ(value->value<dw::ArchivedAttributedString>().string, QStringLiteral(""));

    // Earlier versions wrote nil for it.
    B b;
    const int cls = b.classEntry({QStringLiteral("NSMutableAttributedString"), QStringLiteral("NSAttributedString")});
    const auto older = dw::KeyedUnarchiver::unarchiveObjectWithData(
        b.bytes(b.add(B::object(cls, {{QStringLiteral("NSString"), B::uid(0)}}))), &error);
    ASSERT_TRUE(older) << error.toStdString();
    EXPECT_TRUE(older->value<dw::ArchivedAttributedString>().string.isEmpty());
}

TEST(ArchivedAttributedString, RunTablesThatDoNotFitTheTextFail)
{
    struct Row
    {
        const char* name;
        QByteArray table;
    };
    const Row rows[] = {
        {"runs longer than the text", QByteArray("\x82\x01\x00\x47\x01", 5)},
        {"runs shorter than the text", QByteArray("\x82\x01\x00", 3)},
        {"attribute index past the list", QByteArray("\x82\x01\x00\x46\x02", 5)},
        {"number cut off", QByteArray("\x82", 1)},
        {"number longer than 64 bits", QByteArray(12, '\xff')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_FALSE(dw::KeyedUnarchiver::unarchiveObjectWithData(macDescription(row.table), &error));
        EXPECT_TRUE(error.contains(QStringLiteral("runs do not fit"))) << error.toStdString();
    }
}

} // namespace

namespace {

TEST(ArchivedAttributedString, StyledTextSurvivesTheArchive)
{
    dw::TextAttributes heading;
    heading.font = dw::TextFont{QStringLiteral("Helvetica"), 18, true, true};
    heading.foregroundColor = dw::RgbaColor{1, 0, 0, 1};
    heading.alignment = dw::TextAlignment::Center;
    dw::TextAttributes body;
    body.font = dw::TextFont{QStringLiteral("Times New Roman"), 12, false, false};
    body.underlineStyle = dw::kLineStyleSingle;
    body.strikethroughStyle = dw::kLineStyleDouble;

    dw::StyledText text(QStringLiteral("Brass lamp\n"), heading);
    text.append(QStringLiteral("Works, "), body);
    text.append(QStringLiteral("no attributes"), {});

    const QByteArray data =
        dw::KeyedArchiver::archivedDataWithRootObject(QVariant::fromValue(dw::archivedAttributedString(text)));
    QString error;
    EXPECT_EQ(dw::styledText(read(data, &error)), text) << error.toStdString();

    // The archive names fonts by their faces, as the platform does.
    const auto archived = read(data);
    ASSERT_EQ(archived.runs.size(), 3);
    EXPECT_EQ(archived.runs[0].attributes.fontName, QStringLiteral("Helvetica-BoldOblique"));
    EXPECT_EQ(archived.runs[1].attributes.fontName, QStringLiteral("TimesNewRomanPSMT"));
    EXPECT_EQ(dw::styledText(dw::ArchivedAttributedString{QStringLiteral("plain"), {}}),
              dw::StyledText(QStringLiteral("plain")));
}

} // namespace
