#include "description/QMAttributedStringToHTMLConverter.h"

#include "model/QMDescriptionHTMLConverter.h"

#include <gtest/gtest.h>

namespace {

using dw::RgbaColor;
using dw::StyledText;
using dw::TextAlignment;
using dw::TextAttributes;
using dw::TextFont;

TextAttributes attributes(const QString& family, double size, bool bold = false, bool italic = false,
                          std::optional<RgbaColor> color = RgbaColor{0, 0, 0, 1},
                          TextAlignment alignment = TextAlignment::Left, int underline = dw::kLineStyleNone)
{
    TextAttributes result;
    result.font = TextFont{family, size, bold, italic};
    result.foregroundColor = color;
    result.alignment = alignment;
    result.underlineStyle = underline;
    return result;
}

StyledText runs(std::initializer_list<std::pair<QString, TextAttributes>> parts)
{
    StyledText text;
    for (const auto& [string, style] : parts)
        text.append(string, style);
    return text;
}

} // namespace

TEST(AttributedStringToHTML, StyledRunsGiveThePresentationTags)
{
    const TextAttributes plain = attributes(QStringLiteral("Helvetica"), 12);
    const TextAttributes bold = attributes(QStringLiteral("Helvetica"), 12, true);
    struct Row
    {
        const char* name;
        StyledText text;
        const char* html;
    };
    const Row rows[] = {
        {"one plain run", runs({{QStringLiteral("abc"), plain}}),
         "<div align=\"left\"><font size=\"3\" face=\"Helvetica\">abc</font></div>"},
        {"bold word inside plain text",
         runs({{QStringLiteral("a "), plain}, {QStringLiteral("big"), bold}, {QStringLiteral(" deal"), plain}}),
         "<div align=\"left\"><font size=\"3\" face=\"Helvetica\">a <b>big</b> deal</font></div>"},
        {"size change reopens the font",
         runs({{QStringLiteral("a"), plain}, {QStringLiteral("b"), attributes(QStringLiteral("Helvetica"), 14)}}),
         "<div align=\"left\"><font size=\"3\" face=\"Helvetica\">a</font><font size=\"5\" face=\"Helvetica\">b"
         "</font></div>"},
        {"family without web-safe list has no face",
         runs({{QStringLiteral("x"), attributes(QStringLiteral("Optima"), 9)}}),
         "<div align=\"left\"><font size=\"0\">x</font></div>"},
        {"red text, centred, italic and underlined",
         runs({{QStringLiteral("x"), attributes(QStringLiteral("Georgia"), 12, false, true, RgbaColor{1, 0, 0, 1},
                                                TextAlignment::Center, dw::kLineStyleSingle)}}),
         "<i><div align=\"center\"><font size=\"3\" face=\"Georgia\" color=\"#ff0000\"><u>x</font></u></i></div>"},
        {"alignment change closes the division",
         runs({{QStringLiteral("a"), plain},
               {QStringLiteral("b"), attributes(QStringLiteral("Helvetica"), 12, false, false, RgbaColor{0, 0, 0, 1},
                                                TextAlignment::Right)}}),
         "<div align=\"left\"><font size=\"3\" face=\"Helvetica\">a</font></div><div align=\"right\"><font size=\"3\" "
         "face=\"Helvetica\">b</font></div>"},
        {"text without attributes keeps its text",
         runs({{QStringLiteral("styled "), bold}, {QStringLiteral("plain\nrest"), {}}}),
         "<b><div align=\"left\"><font size=\"3\" face=\"Helvetica\">styled </b></font></div><div "
         "align=\"left\"><font size=\"3\" face=\"Helvetica\">plain<br>rest</font></div>"},
        {"only unstyled text", StyledText(QStringLiteral("just text")),
         "<div align=\"left\"><font size=\"3\" face=\"Helvetica\">just text</font></div>"},
        {"empty text", StyledText(), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QMAttributedStringToHTMLConverter::convert(row.text), QString::fromUtf8(row.html));
    }
}

TEST(AttributedStringToHTML, PlainTextFacesAndColours)
{
    EXPECT_EQ(QMAttributedStringToHTMLConverter::htmlStringForString(QStringLiteral("caf\u00e9 <b>&\n\U0001F600")),
              QStringLiteral("caf&#233; <b>&<br>&#55357;&#56832;"));
    EXPECT_EQ(QMAttributedStringToHTMLConverter::htmlStringForString(QString()), QStringLiteral(""));

    EXPECT_EQ(QMAttributedStringToHTMLConverter::htmlFaceStringForFontFamilyWithName(QStringLiteral("'Times'")),
              QStringLiteral("Times,Times New Roman"));
    EXPECT_EQ(QMAttributedStringToHTMLConverter::htmlFaceStringForFontFamilyWithName(QStringLiteral("Tahoma")),
              QStringLiteral("Geneva,Tahoma,MS Sans Serif"));
    EXPECT_EQ(QMAttributedStringToHTMLConverter::htmlFaceStringForFontFamilyWithName(QStringLiteral("Verdana")),
              QStringLiteral("Verdana"));
    EXPECT_TRUE(
        QMAttributedStringToHTMLConverter::htmlFaceStringForFontFamilyWithName(QStringLiteral("helvetica")).isNull());

    EXPECT_EQ(QMAttributedStringToHTMLConverter::stringForColor(RgbaColor{1, 0.5, 0, 1}), QStringLiteral("#ff8000"));
    // 0.5 * 255 = 127.5 rounds to the even 128; 2.5 / 255 * 255 rounds to 2.
    EXPECT_EQ(QMAttributedStringToHTMLConverter::stringForColor(RgbaColor{2.5 / 255, 0, 0, 1}),
              QStringLiteral("#020000"));
    EXPECT_EQ(QMAttributedStringToHTMLConverter::stringForColor(RgbaColor{0.25, 0.25, 0.25, 1}, 2.0),
              QStringLiteral("#808080"));
    EXPECT_TRUE(QMAttributedStringToHTMLConverter::stringForColor(std::nullopt).isNull());
    EXPECT_EQ(QMAttributedStringToHTMLConverter::blackColorString(), QStringLiteral("#000000"));
}
