#include "platform/text/RtfCodec.h"

#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

using dw::RgbaColor;
using dw::StyledText;
using dw::TextAlignment;
using dw::TextAttributes;
using dw::TextFont;

namespace {

TextAttributes attributes(const QString& family, double size, bool bold = false, bool italic = false,
                          TextAlignment alignment = TextAlignment::Natural)
{
    TextAttributes result;
    result.font = TextFont{family, size, bold, italic};
    result.alignment = alignment;
    return result;
}

TextAttributes withColor(TextAttributes base, RgbaColor color)
{
    base.foregroundColor = color;
    return base;
}

std::string describe(const StyledText& text)
{
    std::string out = text.text().toStdString() + "\n";
    for (const dw::StyledRun& run : text.runs()) {
        const TextAttributes& a = run.attributes;
        out += "[" + std::to_string(run.start) + "+" + std::to_string(run.length) + "]";
        if (a.font)
            out += " " + a.font->family.toStdString() + " " + std::to_string(a.font->pointSize) +
                   (a.font->bold ? " bold" : "") + (a.font->italic ? " italic" : "");
        if (a.foregroundColor)
            out += " rgba(" + std::to_string(a.foregroundColor->red) + "," + std::to_string(a.foregroundColor->green) +
                   "," + std::to_string(a.foregroundColor->blue) + "," + std::to_string(a.foregroundColor->alpha) + ")";
        if (a.alignment)
            out += " align=" + std::to_string(int(*a.alignment));
        if (a.underlineStyle)
            out += " ul=" + std::to_string(a.underlineStyle);
        if (a.strikethroughStyle)
            out += " strike=" + std::to_string(a.strikethroughStyle);
        out += "\n";
    }
    return out;
}

} // namespace

namespace dw {
// Readable failure messages.
void PrintTo(const StyledText& text, std::ostream* os)
{
    *os << describe(text);
}
} // namespace dw

namespace {

StyledText readOrFail(const QByteArray& data)
{
    QString error;
    std::optional<StyledText> text = dw::rtf::read(data, &error);
    EXPECT_TRUE(text) << error.toStdString();
    return text.value_or(StyledText());
}

// What every text read from RTF must survive: written and read again, it is unchanged.
void expectRoundTrip(const StyledText& text)
{
    const QByteArray written = dw::rtf::write(text);
    EXPECT_EQ(describe(readOrFail(written)), describe(text)) << written.toStdString();
}

} // namespace

TEST(RtfCodec, ReadsThePlatformWritersStyle)
{
    const StyledText text = readOrFail(dw::test::fixture(QStringLiteral("rtf/CocoaStyled.rtf")));

    const TextAttributes plain = attributes(QStringLiteral("Helvetica"), 12);
    TextAttributes underlined = plain;
    underlined.underlineStyle = dw::kLineStyleSingle;
    TextAttributes struck = plain;
    struck.strikethroughStyle = dw::kLineStyleSingle;
    const TextAttributes georgia = attributes(QStringLiteral("Georgia"), 10, false, false, TextAlignment::Right);
    TextAttributes justified = georgia;
    justified.alignment = TextAlignment::Justified;

    StyledText expected;
    expected.append(QStringLiteral(u"Vintage camera, café edition – при and 😀\n\n"), plain);
    expected.append(QStringLiteral("Bold red"),
                    withColor(attributes(QStringLiteral("Helvetica"), 12, true), {0.98431, 0, 0.02745, 1}));
    expected.append(QStringLiteral(" plain "), plain);
    expected.append(QStringLiteral("underlined"), underlined);
    expected.append(QStringLiteral(" "), plain);
    expected.append(QStringLiteral("struck"), struck);
    expected.append(QStringLiteral(" {braces} and \\backslash\n"), plain);
    expected.append(QStringLiteral("Centred italic grey\n"),
                    withColor(attributes(QStringLiteral("Times New Roman"), 18, false, true, TextAlignment::Center),
                              {0.5, 0.5, 0.5, 1}));
    expected.append(QStringLiteral("Right half-blue link\n"), withColor(georgia, {0, 0, 1, 0.5}));
    expected.append(QStringLiteral("Justified\ttab"), justified);

    EXPECT_EQ(describe(text), describe(expected));
    EXPECT_EQ(text, expected);
    expectRoundTrip(text);
    EXPECT_EQ(dw::rtf::plainText(dw::test::fixture(QStringLiteral("rtf/CocoaStyled.rtf"))), expected.text());
}

TEST(RtfCodec, WrittenTextAndAttributesSurviveReading)
{
    TextAttributes special = attributes(QStringLiteral("My Font;{x}"), 10.5, true, true, TextAlignment::Left);
    special.underlineStyle = dw::kLineStyleDouble;
    special.strikethroughStyle = dw::kLineStyleDouble;
    special.foregroundColor = RgbaColor{0.25, 0.125, 1, 0.75};
    TextAttributes thick = attributes(QStringLiteral("Times"), 30, true, false, TextAlignment::Left);
    thick.underlineStyle = dw::kLineStyleThick;
    thick.foregroundColor = RgbaColor{1, 1, 1, 1};
    const TextAttributes plain = attributes(QStringLiteral("Helvetica"), 12);

    StyledText text;
    text.append(QStringLiteral(u"Escapes \\ { } ; and 12 digits, café €—, при, 日本, 😀\n"), plain);
    text.append(QStringLiteral(u"controls \t \r \x01 \u2028 \u2029 \u00A0\n"), special);
    text.append(QStringLiteral("\n\n"), thick);
    text.append(QStringLiteral("Right\n"), attributes(QStringLiteral("Arial"), 9, false, true, TextAlignment::Right));
    text.append(QStringLiteral("tail without line end"),
                attributes(QStringLiteral("Optima"), 12, false, false, TextAlignment::Center));
    expectRoundTrip(text);
    expectRoundTrip(StyledText());
}

TEST(RtfCodec, WritesInThePlatformWritersForm)
{
    const QByteArray written =
        dw::rtf::write(StyledText(QStringLiteral(u"café при\nend"), attributes(QStringLiteral("Helvetica"), 12)));
    EXPECT_TRUE(written.startsWith("{\\rtf1\\ansi\\ansicpg1252\\cocoartf")) << written.toStdString();
    EXPECT_TRUE(written.contains("{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}")) << written.toStdString();
    EXPECT_TRUE(written.contains("caf\\'e9 \\uc0\\u1087 \\u1088 \\u1080 \\\nend}")) << written.toStdString();
    // Written without document attributes, as the listing stores its description.
    EXPECT_FALSE(written.contains("\\paperw")) << written.toStdString();
}

TEST(RtfCodec, TextWithoutAttributesGetsThePlatformDefaults)
{
    const StyledText text = readOrFail(dw::rtf::write(StyledText(QStringLiteral("footer"))));
    EXPECT_EQ(text, StyledText(QStringLiteral("footer"), attributes(QStringLiteral("Helvetica"), 12)));
}

TEST(RtfCodec, RefusesDataThatIsNotRtf)
{
    for (const char* data : {"", "footer text", "{\\rt", "{\\rtx1 a}", "\\rtf1 a"}) {
        SCOPED_TRACE(data);
        QString error;
        EXPECT_FALSE(dw::rtf::read(data, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(dw::rtf::plainText(data));
    }
}

TEST(RtfCodec, DecodesCodePagesAndUnicodeEscapes)
{
    struct Row
    {
        const char* name;
        QByteArray rtf;
        QString text;
    };
    const Row rows[] = {
        {"raw cp1252 bytes", "{\\rtf1\\ansi caf\xe9 \x80}", QStringLiteral(u"café €")},
        {"document code page", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", QStringLiteral(u"При")},
        {"Mac code page", "{\\rtf1\\mac \\'8e}", QStringLiteral(u"é")},
        {"double-byte font charset",
         "{\\rtf1\\ansi{\\fonttbl\\f0\\fnil\\fcharset128 HiraKakuProN-W3;\\f1\\fswiss\\fcharset0 Helvetica;}"
         "\\f0 \\'82\\'a0\\f1 \\'e9}",
         QStringLiteral(u"あé")},
        {"invalid double-byte sequence", "{\\rtf1{\\fonttbl\\f0\\fcharset128 X;}\\f0 \\'82}",
         QStringLiteral(u"\uFFFD")},
        {"one fallback character", "{\\rtf1 \\u1087?\\u1088?}", QStringLiteral(u"пр")},
        {"fallback given as escape", "{\\rtf1\\uc2 \\u1087\\'3f\\'3fz}", QStringLiteral(u"пz")},
        {"no fallback", "{\\rtf1\\uc0 \\u1087 z}", QStringLiteral(u"пz")},
        {"negative values and surrogates", "{\\rtf1 \\u-10179?\\u-8704?}", QStringLiteral(u"😀")},
        {"fallback setting is group scoped", "{\\rtf1{\\uc0 \\u1087 a}\\u1088 ab}",
         QStringLiteral(u"п"
                        "a"
                        "р"
                        "b")},
        {"named characters", "{\\rtf1 a\\tab b\\line c\\emdash\\~\\ldblquote x\\rdblquote}",
         QStringLiteral(u"a\tb\u2028c—\u00A0“x”")},
        {"field result kept, instruction dropped",
         "{\\rtf1 see {\\field{\\*\\fldinst{HYPERLINK \"http://x\"}}{\\fldrslt here}}.}", QStringLiteral("see here.")},
        {"ignorable and skipped destinations",
         "{\\rtf1{\\*\\unknowndest junk}{\\stylesheet{\\s0 Normal;}}{\\info{\\title t}}"
         "{\\pict\\bin4 }}{\\}a}",
         QStringLiteral("a")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StyledText text = readOrFail(row.rtf);
        EXPECT_EQ(text.text(), row.text);
        expectRoundTrip(text);
    }
}

TEST(RtfCodec, ParagraphAlignmentIsTheOneInForceAtTheParagraphsEnd)
{
    const StyledText text = readOrFail("{\\rtf1 one {\\b two}\\qc\\par\\pard\\qr three\\par four}");
    ASSERT_EQ(text.text(), QStringLiteral("one two\nthree\nfour"));
    EXPECT_EQ(text.attributesAt(0).alignment, TextAlignment::Center);
    EXPECT_EQ(text.attributesAt(4).alignment, TextAlignment::Center);
    EXPECT_EQ(text.attributesAt(7).alignment, TextAlignment::Center);
    EXPECT_EQ(text.attributesAt(8).alignment, TextAlignment::Right);
    EXPECT_EQ(text.attributesAt(14).alignment, TextAlignment::Right);
    expectRoundTrip(text);
}

TEST(RtfCodec, DamagedInputGivesTheTextReadSoFar)
{
    static const char kControlBytes[] = "{\\rtf1 a\0b\x01\x1f"
                                        "c}";
    const QByteArray deep = "{\\rtf1 a" + QByteArray(100000, '{') + "b" + QByteArray(100000, '}') + "}";
    const QByteArray nested = "{\\rtf1 a" + QByteArray(dw::rtf::kMaxGroupDepth - 1, '{') + "b" +
                              QByteArray(dw::rtf::kMaxGroupDepth - 1, '}') + "c}";
    struct Row
    {
        const char* name;
        QByteArray rtf;
        QString text;
    };
    const Row rows[] = {
        {"only the opening", "{\\rtf", QString()},
        {"cut off in a group", "{\\rtf1 Hello {\\b world", QStringLiteral("Hello world")},
        {"cut off in a control word", "{\\rtf1 Hello\\par\\b", QStringLiteral("Hello\n")},
        {"backslash at the end", "{\\rtf1 a\\", QStringLiteral("a")},
        {"cut off in the font table", "{\\rtf1{\\fonttbl\\f0 Hel", QString()},
        {"cut off in the colour table", "{\\rtf1{\\colortbl;\\red255", QString()},
        {"text after the document", "{\\rtf1 a}} b{\\rtf1 c}", QStringLiteral("a")},
        {"nesting beyond the limit", deep, QStringLiteral("a")},
        {"nesting within the limit", nested, QStringLiteral("abc")},
        {"huge \\u", "{\\rtf1 \\u99999999999999999999?x\\u-99999999999?y}", QStringLiteral(u"\uFFFDx\uFFFDy")},
        {"huge \\uc", "{\\rtf1{\\uc99999999999\\u1087 abc}def}", QStringLiteral(u"пdef")},
        {"negative \\uc", "{\\rtf1\\uc-5\\u1087 a}", QStringLiteral(u"пa")},
        {"bad hex escape", "{\\rtf1 a\\'zzb\\'4}", QStringLiteral("azzb4")},
        {"hex escape cut off", "{\\rtf1 a\\'4", QStringLiteral("a4")},
        {"\\bin longer than the data", "{\\rtf1 a\\bin999999 xyz", QStringLiteral("a")},
        {"negative \\bin", "{\\rtf1 a\\bin-5 b}", QStringLiteral("ab")},
        {"huge font size", "{\\rtf1\\fs99999999999 a}", QStringLiteral("a")},
        {"undefined font and colour", "{\\rtf1{\\colortbl;}\\f99\\cf99\\cf-3 a}", QStringLiteral("a")},
        {"overlong control word", "{\\rtf1 a\\" + QByteArray(10000, 'x') + " b}", QStringLiteral("ab")},
        {"ignorable mark at the end", "{\\rtf1 a\\*", QStringLiteral("a")},
        {"lone surrogate", "{\\rtf1 \\u-10179?x}", QStringLiteral(u"\xD83Dx")},
        {"control bytes in text", QByteArray(kControlBytes, sizeof(kControlBytes) - 1), QStringLiteral("abc")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StyledText text = readOrFail(row.rtf);
        EXPECT_EQ(text.text(), row.text);
        expectRoundTrip(text);
    }

    const StyledText odd = readOrFail("{\\rtf1{\\colortbl;}\\f99\\cf99\\fs99999999999 a}");
    EXPECT_EQ(odd.attributesAt(0).font, (TextFont{QStringLiteral("Helvetica"), 16383.5, false, false}));
    EXPECT_FALSE(odd.attributesAt(0).foregroundColor);
}
