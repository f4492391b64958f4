#include "platform/core/DWAssert.h"
#include "platform/text/StyledText.h"

#include <gtest/gtest.h>

using dw::StyledRun;
using dw::StyledText;
using dw::TextAttributes;
using dw::TextFont;

namespace {

TextAttributes fontAttributes(const QString& family, bool bold = false)
{
    TextAttributes attributes;
    attributes.font = TextFont{family, 12, bold, false};
    return attributes;
}

} // namespace

TEST(StyledText, RunsStayNormalisedHoweverTheTextIsBuilt)
{
    const TextAttributes bold = fontAttributes(QStringLiteral("Helvetica"), true);
    const TextAttributes none;

    StyledText pieceByPiece;
    pieceByPiece.append(QStringLiteral("Ship"), bold);
    pieceByPiece.append(QString(), none); // an empty piece leaves no empty run behind
    pieceByPiece.append(QStringLiteral("ping"), bold);
    pieceByPiece.append(QStringLiteral(": free"), none);

    StyledText joined(QStringLiteral("Shipping"), bold);
    StyledText tail(QStringLiteral(":"), none);
    tail.append(StyledText(QStringLiteral(" free")));
    joined.append(tail);

    const std::vector<StyledRun> expected = {{0, 8, bold}, {8, 6, none}};
    EXPECT_EQ(pieceByPiece.runs(), expected);
    EXPECT_EQ(joined, pieceByPiece);
    EXPECT_EQ(pieceByPiece.text(), QStringLiteral("Shipping: free"));
    EXPECT_EQ(pieceByPiece.attributesAt(7), bold);
    EXPECT_EQ(pieceByPiece.attributesAt(8), none);
    EXPECT_TRUE(pieceByPiece.attributesAt(13).isEmpty());
    EXPECT_THROW(pieceByPiece.attributesAt(14), dw::InternalInconsistency);

    EXPECT_NE(pieceByPiece, StyledText(QStringLiteral("Shipping: free")));
    EXPECT_TRUE(StyledText().runs().empty());
    EXPECT_TRUE(StyledText(QString(), bold).runs().empty());
}

TEST(StyledText, FontNamesGiveFamilyAndTraits)
{
    struct Row
    {
        const char* name;
        const char* family;
        bool bold;
        bool italic;
    };
    const Row rows[] = {
        {"Helvetica", "Helvetica", false, false},
        {"Helvetica-BoldOblique", "Helvetica", true, true},
        {"TimesNewRomanPSMT", "Times New Roman", false, false},
        {"TimesNewRomanPS-ItalicMT", "Times New Roman", false, true},
        {"Arial-BoldItalicMT", "Arial", true, true},
        {"Arial-Black", "Arial Black", false, false},
        {"Trebuchet-BoldItalic", "Trebuchet MS", true, true},
        {"Times-Roman", "Times", false, false},
        {"Palatino-Bold", "Palatino", true, false},
        {"CourierNewPS-BoldMT", "Courier New", true, false},
        {"ComicSansMS", "Comic Sans MS", false, false},
        {"Times New Roman", "Times New Roman", false, false},
        {"Optima-Bold", "Optima", true, false},
        {"Avenir-BookOblique", "Avenir", false, true},
        {"Avenir-SemiBold", "Avenir", false, false},
        {"HiraKakuProN-W3", "HiraKakuProN-W3", false, false},
        {"GillSansMT", "GillSansMT", false, false},
        {"My Font-Bold", "My Font-Bold", false, false},
        {"", "Helvetica", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TextFont font = TextFont::fromFontName(QString::fromUtf8(row.name), 14);
        EXPECT_EQ(font.family, QString::fromUtf8(row.family));
        EXPECT_EQ(font.bold, row.bold);
        EXPECT_EQ(font.italic, row.italic);
        EXPECT_EQ(font.pointSize, 14);
    }
}

TEST(StyledText, FontNameReadsBackAsTheSameFont)
{
    const char* families[] = {"Helvetica",    "Times",     "Times New Roman", "Arial",   "Arial Black",
                              "Trebuchet MS", "Wingdings", "Optima",          "My Font", "Foo-Bar"};
    for (const char* family : families) {
        for (int traits = 0; traits < 4; ++traits) {
            const TextFont font{QString::fromUtf8(family), 11.5, bool(traits & 1), bool(traits & 2)};
            SCOPED_TRACE(font.fontName().toStdString());
            const TextFont again = TextFont::fromFontName(font.fontName(), 11.5);
            // A face the family lacks ("Arial Black" has no italic) keeps its family; the trait
            // then travels beside the name.
            EXPECT_EQ(again.family, font.family);
            EXPECT_EQ(again.bold && !font.bold, false);
            EXPECT_EQ(again.italic && !font.italic, false);
        }
    }
    EXPECT_EQ((TextFont{QStringLiteral("Arial"), 12, true, false}.fontName()), QStringLiteral("Arial-BoldMT"));
    EXPECT_EQ((TextFont{QStringLiteral("Optima"), 12, true, true}.fontName()), QStringLiteral("Optima-BoldItalic"));
    EXPECT_EQ((TextFont{QStringLiteral("My Font"), 12, true, false}.fontName()), QStringLiteral("My Font"));
}
