#include "DWKit/MiscRegex/NSMutableString+MiscRegex.h"
#include "DWKit/MiscRegex/NSString+MiscRegex.h"

#include "platform/core/DWAssert.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace dw {
void PrintTo(const MiscRegexRange& range, std::ostream* os)
{
    if (range.isNotFound())
        *os << "{not found}";
    else
        *os << '{' << range.location << ", " << range.length << '}';
}
} // namespace dw

namespace {

using dw::MiscRegexOptions;
using dw::MiscRegexRange;

const MiscRegexRange kNotFound{};
const QString kReplacementChar = QString(QChar(0xfffd));

QString regexExceptionReason(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const dw::NamedException& e) {
        EXPECT_EQ(e.name(), "MiscRegexException");
        return e.reason();
    }
    return QStringLiteral("(nothing raised)");
}

TEST(MiscRegexCount, CountsMatchesInsideTheRange)
{
    struct Case
    {
        QString text;
        QString pattern;
        MiscRegexOptions options;
        qsizetype count;
    };
    const Case cases[] = {
        {"baaac", "a*", {}, 3}, // empty at 0, the run, empty at the end; not the empty one after the run
        {"baaac", "a", {}, 3},
        {"", "x*", {}, 1},
        {"abcabc", "b", {.range = MiscRegexRange{2, 4}}, 1},
        {"abcabc", "b", {.range = MiscRegexRange{1, 0}}, 0},
        {"AbA", "a", {.flags = dw::MiscRegexCaseless}, 2},
        {"AbA", "a", {}, 0},
        {"é", ".", {}, 2}, // bytes, not characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.pattern.toStdString());
        EXPECT_EQ(dw::numOfRegex(c.text, c.pattern, c.options), c.count);
    }
}

TEST(MiscRegexLocate, ChoosesTheOccurrence)
{
    struct Case
    {
        QString text;
        QString pattern;
        MiscRegexOptions options;
        MiscRegexRange expected;
    };
    const unsigned fromEnd = dw::MiscRegexFromEnd;
    const unsigned anchored = dw::MiscRegexAnchored;
    const Case cases[] = {
        {"abcabc", "b", {}, {1, 1}},
        {"abcabc", "b", {.occurrenceNum = 1}, {4, 1}},
        {"abcabc", "b", {.occurrenceNum = 2}, kNotFound},
        {"abcabc", "b", {.occurrenceNum = -1}, kNotFound},
        {"abcabc", "b", {.flags = fromEnd}, {4, 1}},
        {"abcabc", "b", {.flags = fromEnd, .occurrenceNum = 1}, {1, 1}},
        {"abcabc", "b", {.flags = fromEnd, .occurrenceNum = 2}, kNotFound},
        {"abcabc", "b", {.range = MiscRegexRange{2, 3}}, {4, 1}},
        {"abcabc", "b", {.flags = anchored}, kNotFound},
        {"abcabc", "b", {.flags = anchored, .range = MiscRegexRange{1, 5}}, {1, 1}},
        {"abcab", "b", {.flags = anchored | fromEnd}, {4, 1}},
        {"abcabc", "b", {.flags = anchored | fromEnd}, kNotFound},
        {"x1y22", "[0-9]+", {.flags = fromEnd}, {3, 2}},
        {"éa", "a", {}, {2, 1}}, // byte offsets: é is two bytes
        {"ééa", "a", {}, {4, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.pattern.toStdString());
        EXPECT_EQ(dw::rangeOfRegex(c.text, c.pattern, c.options), c.expected);
    }
    EXPECT_TRUE(dw::containsRegex("abc", "b.$"));
    EXPECT_FALSE(dw::containsRegex("abc", "^b"));
}

TEST(MiscRegexLists, SplitsAndListsMatches)
{
    struct Case
    {
        QString text;
        QString pattern;
        QStringList components;
        QStringList matches;
    };
    const Case cases[] = {
        {"abc", ",", {"abc"}, {}},
        {"a,b,,c", ",", {"a", "b", "", "c"}, {",", ",", ","}},
        {",a,", ",", {"", "a", ""}, {",", ","}},
        {"é, è", ", *", {"é", "è"}, {", "}},
        {"a1b22c", "[0-9]+", {"a", "b", "c"}, {"1", "22"}},
        {"é", ".", {"", "", ""}, {kReplacementChar, kReplacementChar}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.pattern.toStdString());
        EXPECT_EQ(dw::componentsSeparatedByRegex(c.text, c.pattern), c.components);
        EXPECT_EQ(dw::stringsMatchedByRegex(c.text, c.pattern), c.matches);
    }
    const QList<MiscRegexRange> ranges{{3, 1}, {7, 2}};
    EXPECT_EQ(dw::rangesMatchedByRegex("éa1bé22", "[0-9]+"), ranges);
}

TEST(MiscRegexReplace, ReplacesTheChosenMatch)
{
    struct Case
    {
        QString text;
        QString pattern;
        QString replacement;
        MiscRegexOptions options;
        QString expected;
    };
    const unsigned templated = dw::MiscRegexTemplate;
    const Case cases[] = {
        {"abcabc", "b", "X", {}, "aXcabc"},
        {"abcabc", "b", "X", {.occurrenceNum = 1}, "abcaXc"},
        {"abcabc", "b", "X", {.flags = dw::MiscRegexFromEnd}, "abcaXc"},
        {"abcabc", "b", "X", {.range = MiscRegexRange{2, 4}}, "abcaXc"},
        {"éaé", "a", "b", {}, "ébé"},
        {"a1b", "\\([0-9]\\)", "[$1]", {.flags = templated}, "a[1]b"},
        {"a1b", "\\([0-9]\\)", "[$1]", {}, "a[$1]b"},
        // & whole match, $1 group, $$ and $& literal, $9 unset, $x kept, a non-ASCII digit (BMP
        // and beyond) dropped, $ at the end kept.
        {"ab", "\\(a\\)", "<&|$1|$$|$&|$9|$x|$\u0663|$\U0001D7D1|$", {.flags = templated}, "<a|a|$|&||$x|||$b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.pattern.toStdString() + " / " + c.replacement.toStdString());
        EXPECT_EQ(dw::stringByReplacingRegex(c.text, c.pattern, c.replacement, c.options), c.expected);
        QString mutableText = c.text;
        dw::replaceRegex(mutableText, c.pattern, c.replacement, c.options);
        EXPECT_EQ(mutableText, c.expected);
    }

    // Without a match the text itself comes back, not a copy.
    const QString text = QStringLiteral("abc");
    EXPECT_EQ(dw::stringByReplacingRegex(text, "x", "y").constData(), text.constData());
}

TEST(MiscRegexReplace, ReplacesEveryMatchInsideTheRange)
{
    struct Case
    {
        QString text;
        QString pattern;
        QString replacement;
        MiscRegexOptions options;
        QString expected;
    };
    const Case cases[] = {
        {"baaac", "a*", "-", {}, "-b-c-"},
        {"abc", "x", "y", {}, "abc"},
        {"abcabc", "b", "X", {.range = MiscRegexRange{2, 4}}, "abcaXc"},
        {"abcabc", "b", "X", {.range = MiscRegexRange{0, 3}}, "aXcabc"},
        {"a1b2", "\\([0-9]\\)", "<$1>", {.flags = dw::MiscRegexTemplate}, "a<1>b<2>"},
        {"éaéa", "a", "x", {}, "éxéx"},
        {"éaéa", "a", "x", {.range = MiscRegexRange{3, 3}}, "éaéx"},
        {"é", ".", "x", {}, "xx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " / " + c.pattern.toStdString());
        EXPECT_EQ(dw::stringByReplacingEveryOccurrenceOfRegex(c.text, c.pattern, c.replacement, c.options), c.expected);
        QString mutableText = c.text;
        dw::replaceEveryOccurrenceOfRegex(mutableText, c.pattern, c.replacement, c.options);
        EXPECT_EQ(mutableText, c.expected);
    }
}

TEST(MiscRegexPieces, TakesTheMatchApart)
{
    const QStringList keys{dw::MiscBeforePiece,      dw::MiscMiddlePiece,      dw::MiscAfterPiece,
                           dw::MiscBeforeRangePiece, dw::MiscMiddleRangePiece, dw::MiscAfterRangePiece,
                           dw::MiscSubstringsPiece,  dw::MiscSubrangesPiece,   QStringLiteral("Bogus")};
    const QString text = QStringLiteral("xé12y");

    const QVariantMap found = dw::grep(text, "\\([0-9]\\)\\([0-9]\\)", keys);
    EXPECT_EQ(found.size(), 8);
    EXPECT_EQ(found.value(dw::MiscBeforePiece).toString(), "xé");
    EXPECT_EQ(found.value(dw::MiscMiddlePiece).toString(), "12");
    EXPECT_EQ(found.value(dw::MiscAfterPiece).toString(), "y");
    EXPECT_EQ(found.value(dw::MiscBeforeRangePiece).value<MiscRegexRange>(), (MiscRegexRange{0, 3}));
    EXPECT_EQ(found.value(dw::MiscMiddleRangePiece).value<MiscRegexRange>(), (MiscRegexRange{3, 2}));
    EXPECT_EQ(found.value(dw::MiscAfterRangePiece).value<MiscRegexRange>(), (MiscRegexRange{5, 1}));
    EXPECT_EQ(found.value(dw::MiscSubstringsPiece).toStringList(), (QStringList{"12", "1", "2"}));
    EXPECT_EQ(found.value(dw::MiscSubrangesPiece).value<QList<MiscRegexRange>>(),
              (QList<MiscRegexRange>{{3, 2}, {3, 1}, {4, 1}}));

    const QVariantMap missing = dw::grep(text, "z", keys);
    EXPECT_EQ(missing.value(dw::MiscBeforePiece).toString(), text);
    EXPECT_EQ(missing.value(dw::MiscMiddlePiece).toString(), "");
    EXPECT_EQ(missing.value(dw::MiscAfterPiece).toString(), "");
    EXPECT_EQ(missing.value(dw::MiscBeforeRangePiece).value<MiscRegexRange>(), (MiscRegexRange{0, 6}));
    EXPECT_EQ(missing.value(dw::MiscMiddleRangePiece).value<MiscRegexRange>(), kNotFound);
    EXPECT_EQ(missing.value(dw::MiscAfterRangePiece).value<MiscRegexRange>(), kNotFound);
    EXPECT_TRUE(missing.value(dw::MiscSubstringsPiece).toStringList().isEmpty());
    EXPECT_TRUE(missing.value(dw::MiscSubrangesPiece).value<QList<MiscRegexRange>>().isEmpty());

    // Registers without a value inside the listed ones give an empty text and the not-found range.
    const QVariantMap gap = dw::grep("b", "\\(a\\)\\|\\(b\\)", {dw::MiscSubstringsPiece, dw::MiscSubrangesPiece});
    EXPECT_EQ(gap.value(dw::MiscSubstringsPiece).toStringList(), (QStringList{"b", "", "b"}));
    EXPECT_EQ(gap.value(dw::MiscSubrangesPiece).value<QList<MiscRegexRange>>(),
              (QList<MiscRegexRange>{{0, 1}, kNotFound, {0, 1}}));

    EXPECT_EQ(dw::grep(text, "[0-9]", dw::MiscMiddlePiece, {.flags = dw::MiscRegexFromEnd}).toString(), "2");
    // A match that cuts a character still gives a text.
    const QString cut = dw::grep("é", ".", dw::MiscMiddlePiece, {.occurrenceNum = 1}).toString();
    EXPECT_FALSE(cut.isNull());
    EXPECT_EQ(cut, kReplacementChar);
}

TEST(MiscRegexFailures, RaiseMiscRegexException)
{
    const QString run(5000, QLatin1Char('a'));
    struct Case
    {
        const char* name;
        std::function<void()> operation;
        QString reason;
    };
    const Case cases[] = {
        {"null pattern", [] { dw::numOfRegex("a", QString()); }, "MiscNewRegexStruct(): nil regex string"},
        {"malformed pattern", [] { dw::rangeOfRegex("a", "x\\("); },
         "MiscNewRegexStruct(): Malformed regular expression 'x\\(': Badly placed parenthesis"},
        {"count", [&] { dw::numOfRegex(run, "a*a"); }, "Error during regex search"},
        {"locate", [&] { dw::rangeOfRegex(run, "a*a"); }, "Error while searching"},
        {"locate from the end counts first", [&] { dw::rangeOfRegex(run, "a*a", {.flags = dw::MiscRegexFromEnd}); },
         "Error during regex search"},
        {"replace all", [&] { dw::stringByReplacingEveryOccurrenceOfRegex(run, "a*a", "b"); },
         "Error during regex search"},
        {"split", [&] { dw::componentsSeparatedByRegex(run, "a*a"); }, "Error during regex search"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(regexExceptionReason(c.operation), c.reason);
    }

    QString text = run;
    EXPECT_THROW(dw::replaceEveryOccurrenceOfRegex(text, "a*a", "b"), dw::NamedException);
    EXPECT_EQ(text, run);

    EXPECT_THROW(dw::numOfRegex("abc", "b", {.range = MiscRegexRange{2, 2}}), dw::InternalInconsistency);
}

TEST(MiscRegexValidity, CompilesAndRunsOnAProbe)
{
    struct Case
    {
        QString pattern;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"a*", true},
        {"\\(a*\\)*", true},
        {"\\(a", false},
        {QString(), false},
        // Each empty first alternative leaves a failure point behind: the probe runs out of them.
        {QStringLiteral("\\(\\|a\\)").repeated(5000), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern.left(20).toStdString());
        EXPECT_EQ(dw::isValidRegex(c.pattern), c.valid);
    }
}

TEST(MiscRegexStruct, CompiledPatternServesManyCalls)
{
    const auto digits = dw::MiscNewRegexStruct("[0-9]+", dw::MiscRegexFastmap);
    ASSERT_TRUE(digits->fastmap_valid);
    const QString text = QStringLiteral("é1 22 333");
    EXPECT_EQ(dw::numOfRegex(text, *digits), 3);
    EXPECT_EQ(dw::rangeOfRegex(text, *digits, {.flags = dw::MiscRegexFromEnd}), (MiscRegexRange{7, 3}));
    EXPECT_EQ(dw::stringByReplacingEveryOccurrenceOfRegex(text, *digits, "#"), "é# # #");
    EXPECT_EQ(dw::componentsSeparatedByRegex(text, *digits), (QStringList{"é", " ", " ", ""}));

    const auto caseless = dw::MiscNewRegexStruct("ab", dw::MiscRegexCaseless);
    EXPECT_EQ(dw::stringsMatchedByRegex("xABxAb", *caseless), (QStringList{"AB", "Ab"}));
}

} // namespace
