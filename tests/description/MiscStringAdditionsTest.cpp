#include "description/MiscMerge/NSString+MiscAdditions.h"

#include <gtest/gtest.h>

namespace {

const QString kSpaced = QStringLiteral(" \t one  two\nthree \f\v");

} // namespace

TEST(MiscStringAdditions, WhitespaceWordsAndLetters)
{
    EXPECT_EQ(dw::stringByTrimmingLeadWhitespace(kSpaced), QStringLiteral("one  two\nthree \f\v"));
    EXPECT_EQ(dw::stringByTrimmingTailWhitespace(kSpaced), QStringLiteral(" \t one  two\nthree"));
    EXPECT_EQ(dw::stringByTrimmingWhitespace(QStringLiteral(" \r\n ")), QStringLiteral(""));
    EXPECT_EQ(dw::stringBySquashingWhitespace(kSpaced), QStringLiteral("one two three"));
    EXPECT_EQ(dw::stringBySquashingWhitespace2(kSpaced), QStringLiteral("one two three"));
    EXPECT_TRUE(dw::isBlank(QStringLiteral(" \t\n")));
    EXPECT_FALSE(dw::isBlank(QStringLiteral(" \u00a0 "))) << "a no-break space is no whitespace here";

    EXPECT_EQ(dw::wordArray(kSpaced),
              (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    EXPECT_EQ(dw::wordCount(kSpaced), 3);
    EXPECT_EQ(dw::wordNum(kSpaced, 2), QStringLiteral("three"));
    EXPECT_TRUE(dw::wordNum(kSpaced, 3).isNull());
    auto words = dw::wordEnumerator(QStringLiteral("a b"));
    EXPECT_EQ(words.nextObject(), QStringLiteral("a"));
    EXPECT_EQ(words.nextObject(), QStringLiteral("b"));
    EXPECT_TRUE(words.nextObject().isNull());
    EXPECT_EQ(dw::firstWord(QStringLiteral("include\tx y")), QStringLiteral("include\tx")) << "a space ends it";
    EXPECT_EQ(dw::firstWord(QStringLiteral("endif")), QStringLiteral("endif"));

    // An e with a combining acute accent, then a character outside the BMP: two letters.
    const QString letters = QStringLiteral("e\u0301") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(dw::firstLetter(letters), QStringLiteral("e\u0301"));
    EXPECT_EQ(dw::letterCount(letters), 2);
    EXPECT_EQ(dw::completeRange(letters), (dw::MiscTextRange{0, 4}));
}

TEST(MiscStringAdditions, OccurrencesAreCountedLocatedAndReplaced)
{
    const QString text = QStringLiteral("aXaxaaa");
    EXPECT_EQ(dw::numOfString(text, QStringLiteral("aa")), 1);
    EXPECT_EQ(dw::numOfString(text, QStringLiteral("aa"), dw::MiscOverlappingSearch), 2);
    EXPECT_EQ(dw::numOfString(text, QStringLiteral("x"), dw::MiscCaseInsensitiveSearch), 2);
    EXPECT_EQ(dw::numOfString(text, QStringLiteral("a"), 0, {1, 3}), 1);
    EXPECT_EQ(dw::numOfString(text, QString()), 0);

    struct Row
    {
        const char* name;
        qsizetype occurrence;
        dw::MiscStringOptions options;
        dw::MiscTextRange expected;
    };
    const Row rows[] = {
        {"first", 0, 0, {0, 1}},
        {"third", 2, 0, {4, 1}},
        {"from the end", 0, dw::MiscBackwardsSearch, {6, 1}},
        {"second from the end", 1, dw::MiscBackwardsSearch, {5, 1}},
        {"anchored is ignored", 1, dw::MiscAnchoredSearch, {2, 1}},
        {"past the last", 5, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::rangeOfString(text, QStringLiteral("a"), row.occurrence, row.options), row.expected);
    }
    EXPECT_TRUE(dw::rangeOfString(text, QStringLiteral("q"), 0).isNotFound());

    EXPECT_EQ(dw::miscStringByReplacingEveryOccurrenceOfString(text, QStringLiteral("x"), QStringLiteral("-"),
                                                               dw::MiscCaseInsensitiveSearch),
              QStringLiteral("a-a-aaa"));
    EXPECT_EQ(dw::miscStringByReplacingEveryOccurrenceOfString(QStringLiteral("aaa"), QStringLiteral("aa"),
                                                               QStringLiteral("b")),
              QStringLiteral("ba"));
    EXPECT_EQ(dw::miscStringByReplacingEveryOccurrenceOfString(QStringLiteral("aaa"), QStringLiteral("aa"),
                                                               QStringLiteral("b"), dw::MiscOverlappingSearch),
              QStringLiteral("bb"))
        << "each overlapping occurrence is replaced";
    QString mutableText = QStringLiteral("a.b.c");
    dw::replaceEveryOccurrenceOfString(mutableText, QStringLiteral("."), QStringLiteral("::"), 0);
    EXPECT_EQ(mutableText, QStringLiteral("a::b::c"));
    dw::setStringValue(mutableText, QStringLiteral("new"));
    EXPECT_EQ(mutableText, QStringLiteral("new"));

    EXPECT_TRUE(dw::containsString(text, QStringLiteral("XA"), dw::MiscCaseInsensitiveSearch));
    EXPECT_FALSE(dw::containsString(text, QStringLiteral("XA")));
    EXPECT_TRUE(dw::hasPrefix(text, QStringLiteral("AX"), dw::MiscCaseInsensitiveSearch));
    EXPECT_TRUE(dw::hasSuffix(text, QStringLiteral("aaa"), 0));
    EXPECT_EQ(dw::substringToString(QStringLiteral("key=value=x"), QStringLiteral("=")), QStringLiteral("key"));
    EXPECT_EQ(dw::substringFromEndOfString(QStringLiteral("key=value=x"), QStringLiteral("=")),
              QStringLiteral("value=x"));
    EXPECT_TRUE(dw::substringToString(QStringLiteral("key"), QStringLiteral("=")).isNull());
}

TEST(MiscStringAdditions, CharactersFromASet)
{
    const dw::CharacterSet separators = dw::CharacterSet::characters(QStringLiteral(",;"));
    const QString text = QStringLiteral(",a,,b;c;");
    EXPECT_EQ(
        dw::componentsSeparatedByCharactersFromSet(text, separators),
        (QStringList{QString(), QStringLiteral("a"), QString(), QStringLiteral("b"), QStringLiteral("c"), QString()}));
    EXPECT_EQ(dw::componentsSeparatedBySeriesOfCharactersFromSet(text, separators),
              (QStringList{QString(), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString()}));
    EXPECT_EQ(dw::numOfCharactersFromSet(text, separators), 5);
    EXPECT_EQ(dw::numOfCharactersFromSet(text, separators, {1, 3}), 2);
    EXPECT_EQ(dw::stringByReplacingEverySeriesOfCharactersFromSet(text, separators, QStringLiteral("|")),
              QStringLiteral("|a|b|c|"));
    EXPECT_EQ(dw::stringByReplacingEveryOccurrenceOfCharactersFromSet(text, separators, QStringLiteral("|")),
              QStringLiteral("|a||b|c|"));

    // A composed sequence counts as one character in the second form only.
    const dw::CharacterSet letterE = dw::CharacterSet::characters(QStringLiteral("e"));
    const QString accented = QStringLiteral("e\u0301e");
    EXPECT_EQ(dw::stringByReplacingEveryOccurrenceOfCharactersFromSet(accented, letterE, QStringLiteral("x")),
              QStringLiteral("x\u0301x"));
    EXPECT_EQ(dw::stringByReplacingEveryOccurrenceOfCharactersFromSet2(accented, letterE, QStringLiteral("x")),
              QStringLiteral("xx"));
    QString inPlace = text;
    dw::replaceEverySeriesOfCharactersFromSet(inPlace, dw::miscWhitespaceSet().unitedWith(separators),
                                              QStringLiteral(" "));
    EXPECT_EQ(inPlace, QStringLiteral(" a b c "));
}
