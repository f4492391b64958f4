#include "description/MiscMerge/MiscMergeDriver.h"
#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"
#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/KeyValueCoding.h"

#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A model object with a field table: it has exactly the keys of its table, nil values included.
class Listing : public dw::KeyValueCoding
{
public:
    QVariantMap fields{{QStringLiteral("title"), QStringLiteral("Lamp")}, {QStringLiteral("subtitle"), QVariant()}};
    QVariant valueForKey(const QString& key) const override { return fields.value(key); }
    bool setValueForKey(const QVariant& value, const QString& key) override
    {
        if (!fields.contains(key))
            return false;
        fields.insert(key, value);
        return true;
    }
};

// A merge object with computed keys, as the description generator has.
class Generator : public dw::KeyValueCoding, public MiscMergeKeyedObject
{
public:
    QVariant valueForKey(const QString& key) const override
    {
        if (key.startsWith(QStringLiteral("layout_")))
            return key == QStringLiteral("layout_wide");
        return QVariant();
    }
    bool setValueForKey(const QVariant&, const QString&) override { return false; }
    bool hasMiscMergeKey(const QString& key) const override
    {
        return key.startsWith(QStringLiteral("layout_")) || key == QStringLiteral("nothing");
    }
};

QVariantMap mergeObject()
{
    static const bool registered = [] {
        miscmerge::addKeyPresenceTest([](const dw::KeyValueCoding& object, const QString& key) -> std::optional<bool> {
            if (const auto* listing = dynamic_cast<const Listing*>(&object))
                return listing->fields.contains(key);
            return std::nullopt;
        });
        return true;
    }();
    (void)registered;
    return {
        {QStringLiteral("title"), QStringLiteral("Lamp")},
        {QStringLiteral("price"), QStringLiteral("10.5")},
        {QStringLiteral("cheap"), QStringLiteral("abc")},
        {QStringLiteral("zero"), QStringLiteral("0")},
        {QStringLiteral("no"), QStringLiteral("NO")},
        {QStringLiteral("empty"), QStringLiteral("")},
        {QStringLiteral("yes"), true},
        {QStringLiteral("count"), 3},
        {QStringLiteral("one"), 1.0},
        {QStringLiteral("almostOne"), QStringLiteral("1.00000001")},
        {QStringLiteral("ratio"), 0.25},
        {QStringLiteral("pictures"), QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
        {QStringLiteral("sizes"), QVariantMap{{QStringLiteral("L"), 2}, {QStringLiteral("M"), 1}}},
        {QStringLiteral("item"), dw::objectValue(std::make_shared<Listing>())},
        {QStringLiteral("items"),
         QVariantList{dw::objectValue(std::make_shared<Listing>()), dw::objectValue(std::make_shared<Listing>())}},
        {QStringLiteral("generator"), dw::objectValue(std::make_shared<Generator>())},
    };
}

struct Merge
{
    QString output;
    QStringList console;
};

Merge merge(const QString& text, const QVariant& object, bool pruneWithObject = true)
{
    dw::ScopedConsoleCapture capture;
    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(text, pruneWithObject ? object : QVariant());
    MiscMergeEngine engine(mergeTemplate);
    Merge result;
    result.output = engine.executeWithObject(object);
    result.console = capture.lines();
    return result;
}

struct Row
{
    const char* name;
    QByteArray text;
    const char* output;
    QStringList console = {};
};

void runTable(const std::vector<Row>& rows, const QVariant& object)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Merge result = merge(QString::fromUtf8(row.text), object);
        EXPECT_EQ(result.output.toStdString(), row.output);
        EXPECT_EQ(result.console.join(u'\n').toStdString(), row.console.join(u'\n').toStdString());
    }
}

} // namespace

TEST(MiscMerge, CommandsProduceTheirOutputAndConsoleLines)
{
    dw::ManualClock clock(QDateTime::fromString(QStringLiteral("2026-06-15T12:00:00Z"), Qt::ISODate));
    dw::ScopedClock useClock(clock);
    const std::vector<Row> rows = {
        {"field", "[[title]] for [[price]]", "Lamp for 10.5"},
        {"field keyword", "[[field title]]|[[FIELD   title]]", "Lamp|Lamp"},
        {"unknown field prints its name", "[[nothing.here]]", "nothing.here"},
        {"blank after delimiter", "a[[ title]]b", "ab"},
        {"empty command", "a[[]]b", "ab"},
        {"date default", "[[date]]", "June 15, 2026"},
        {"date format", "[[date %A %e %b %y %%]]", "Monday 15 Jun 26 %"},
        {"copy", "[[copy   some [text]]", "some [text"},
        {"comment", "a[[comment anything at all]]b", "ab"},
        {"next without a driver", "a[[next]]b", "ab"},
        {"if else", "[[if price > 9]]big[[else]]small[[endif]]", "big"},
        {"elseif chain", "[[if zero]]A[[elseif no]]B[[else]]C[[endif]]|[[if zero]]A[[elseif empty]]B[[else]]C[[endif]]",
         "B|C"},
        {"nested if in elseif chain", "[[if zero]]A[[elseif yes]][[if no]]N[[endif]][[else]]C[[endif]]!", "N!"},
        {"foreach", "[[foreach p pictures]][[pIndex]][[p]] [[endforeach]]", "0a 1b 2c "},
        {"foreach over a map gives its keys", "[[foreach s sizes]][[s]][[endforeach]]", "LM"},
        {"foreach over a text gives nothing", "[[foreach c title]]x[[endforeach]]", ""},
        {"foreach with names", "[[foreach p pictures outer]][[p]][[endforeach outer]]", "abc"},
        {"endforeach of another name",
         "[[foreach p pictures x]][[p]][[endforeach other]]",
         "abc",
         {"Line 0: Mismatched endforeach command"}},
        {"loop", "[[loop i 2 6 2]][[i]],[[endloop]]", "2,4,6,"},
        {"loop with step 0",
         "[[loop i 1 3 0]][[i]][[endloop]]",
         "123",
         {"Line 0: _MiscMergeLoopCommand: Loop (null) is infinite.  Setting to 1."}},
        {"loop downwards", "[[loop i 3 1 -1 down]][[i]][[endloop down]]", "321"},
        {"loop the wrong way",
         "[[loop i 1 3 -1 up]][[i]][[endloop]]",
         "",
         {"Line 0: _MiscMergeLoopCommand: Loop up is probably longer than you want. (start,end,step) = (1,3,-1)."}},
        {"while false", "[[while zero]]x[[endwhile]]done", "done"},
        {"procedure and call", "[[procedure row a b]]<[[a]][[b]]>[[endprocedure]][[call row title price]]",
         "<Lamp10.5>"},
        {"call with too few values",
         "[[procedure row a b]][[a]]|[[b]][[endprocedure]][[call row title]]",
         "Lamp|b",
         {"_MiscMergeProcedureCommand: Wrong number of arguments passed (got 1, expected 2)"}},
        {"call before the procedure",
         "[[call row x]][[procedure row]][[endprocedure]]",
         "",
         {"_MiscMergeCallCommand: Error -- procedure row not found."}},
        {"identify hides the main object", "[[identify title = price]][[title]]", "10.5"},
        {"set does not hide the main object", "[[set cheap = title]][[cheap]]", "abc"},
        {"identify needs =",
         "[[identify x > title]][[x]]",
         "Lamp",
         {"_MiscMergeIdentifyCommand:  Unrecognized conditional:  \"Identify requires operator to be an =.\"."}},
        {"index", "[[index pictures 1]]|[[index pictures 5]]|[[index pictures -1]]|[[index title 7]]", "b|||Lamp"},
        {"omit empties the whole merge", "a[[omit]]b[[set afterOmit = title]]", ""},
        {"mismatched end commands",
         "[[endif]]\n[[else]]\n\n[[endwhile]][[endloop]][[endprocedure]][[elseif x]]",
         "\n\n\n",
         {"Line 0: Mismatched endif command", "Line 1: Mismatched else command", "Line 3: Mismatched endwhile command",
          "Line 3: Mismatched endloop command", "Line 3: Mismatched endprocedure command",
          "Line 3: Mismatched elseif command"}},
        {"quoted argument", "[[identify q = \"a \\\"b\\n\"]][[q]]", "a \"b\\n"},
        {"quote not closed",
         "[[identify q = \"abc]][[q]]",
         "abc",
         {"_MiscMergeIdentifyCommand:  Closing quote missing or spurious extra argument added."}},
        {"text form of values", "[[yes]] [[count]] [[ratio]] [[pictures]] [[sizes]]",
         "1 3 0.25 (\n    a,\n    b,\n    c\n) {\n    L = 2;\n    M = 1;\n}"},
    };
    runTable(rows, mergeObject());
    EXPECT_EQ(MiscMergeEngine::globalValueForKey(QStringLiteral("afterOmit")), QVariant(QStringLiteral("Lamp")));
}

TEST(MiscMerge, ConditionsCompareAndTestValues)
{
    const std::vector<Row> rows = {
        {"==", "[[if count == 3]]T[[else]]F[[endif]]", "T"},
        {"=", "[[if count = 3]]T[[else]]F[[endif]]", "T"},
        {"eq", "[[if count eq 4]]T[[else]]F[[endif]]", "F"},
        {"!=", "[[if count != 4]]T[[else]]F[[endif]]", "T"},
        {"<>", "[[if count <> 3]]T[[else]]F[[endif]]", "F"},
        {"><", "[[if count >< 4]]T[[else]]F[[endif]]", "T"},
        {"ne", "[[if count ne 3]]T[[else]]F[[endif]]", "F"},
        {"neq", "[[if count neq 4]]T[[else]]F[[endif]]", "T"},
        {"<=", "[[if count <= 3]]T[[else]]F[[endif]]", "T"},
        {"=<", "[[if count =< 2]]T[[else]]F[[endif]]", "F"},
        {"le", "[[if count le 3]]T[[else]]F[[endif]]", "T"},
        {">=", "[[if count >= 4]]T[[else]]F[[endif]]", "F"},
        {"=>", "[[if count => 3]]T[[else]]F[[endif]]", "T"},
        {"ge", "[[if count ge 2]]T[[else]]F[[endif]]", "T"},
        {"<", "[[if count < 3]]T[[else]]F[[endif]]", "F"},
        {"lt", "[[if count lt 4]]T[[else]]F[[endif]]", "T"},
        {">", "[[if price > 9]]T[[else]]F[[endif]]", "T"},
        {"gt", "[[if count gt 3]]T[[else]]F[[endif]]", "F"},
        {"operator without blanks", "[[if count>=3]]T[[else]]F[[endif]]", "T"},
        {"three equals signs test the left field alone",
         "[[if zero === zero]]T[[else]]F[[endif]]",
         "F",
         {"_MiscMergeIfCommand:  Unrecognized conditional:  \"===\"."}},
        {"texts compare as texts", "[[if cheap > 9]]T[[else]]F[[endif]]|[[if cheap < b]]T[[else]]F[[endif]]", "T|T"},
        {"single precision", "[[if one == almostOne]]T[[else]]F[[endif]]", "T"},
        {"nil sorts first", "[[if item.subtitle < a]]T[[else]]F[[endif]]", "T"},
        {"truth of values",
         "[[if empty]]1[[endif]][[if zero]]2[[endif]][[if no]]3[[endif]][[if unknown]]4[[endif]][[if yes]]5[[endif]]",
         "345"},
        {"index test",
         "[[if \"index pictures 2\"]]A[[endif]][[if \"index pictures 3\"]]B[[endif]]"
         "[[if \"index pictures -1\"]]C[[endif]][[if \"index title 0\"]]D[[endif]]",
         "A"},
        {"none and all",
         "[[if --none--]]A[[endif]][[if --No-- == x]]B[[endif]][[if --YES--]]C[[endif]][[if --all--]]D[["
         "endif]]",
         "CD"},
        {"and or not",
         "[[if (zero or yes) and !empty]]T[[else]]F[[endif]]|[[if zero || no && empty]]T[[else]]F[[endif]]", "T|F"},
        {"missing parenthesis", "[[if (yes]]T[[endif]]", "T", {"_MiscMergeIfCommand:  Closing parenthesis missing."}},
        {"keywords ignore case", "[[IF yes]]A[[EndIf]][[If yes AND no]]B[[endif]]", "AB"},
    };
    runTable(rows, mergeObject());
}

TEST(MiscMerge, StoredTemplatesKeepTheirQuirks)
{
    const std::string year = std::to_string(dw::now().toLocalTime().date().year());
    const std::vector<Row> rows = {
        {"keyword prefix of field", "[[fieldtitle]]", "Lamp"},
        {"else if is a plain else", "[[if zero]]A[[else if zero]]B[[endif]]", "B"},
        {"end delimiter without start", "title]]def", "Lampdef"},
        {"start delimiter twice", "[[a [[title]]", "a Lamp"},
        {"command word up to the first space only", "[[if\tyes]]", "if\tyes"},
        {"date is never a field", "[[date %Y]]", year.c_str()},
    };
    runTable(rows, mergeObject());

    // A value set in one merge lasts for the process.
    merge(QStringLiteral("[[set total = price]]"), mergeObject());
    EXPECT_EQ(merge(QStringLiteral("[[total]]"), QVariant()).output, QStringLiteral("10.5"));
    EXPECT_EQ(merge(QStringLiteral("[[if total > 10]]T[[endif]]"), QVariantMap{{QStringLiteral("x"), 1}}).output,
              QStringLiteral("T"));
    MiscMergeEngine::removeGlobalValueForKey(QStringLiteral("total"));
    EXPECT_EQ(merge(QStringLiteral("[[total]]"), QVariant()).output, QStringLiteral("total"));
}

TEST(MiscMerge, ParsingWithAnObjectLeavesOutFalseBranches)
{
    const QVariantMap object = mergeObject();
    auto tree = [&](const QString& text, const QVariant& with) {
        MiscMergeTemplate mergeTemplate;
        mergeTemplate.setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
        mergeTemplate.parseString(text, with);
        return mergeTemplate.treeDescription().toStdString();
    };
    const QString ifElse = QStringLiteral("[[if yes]]A[[else]]B[[endif]]");
    EXPECT_EQ(tree(ifElse, object), "if yes\n  then\n    copy A\n    else\n  else\n    endif\n");
    EXPECT_EQ(tree(ifElse, QVariant()), "if yes\n  then\n    copy A\n    else\n  else\n    copy B\n    endif\n");
    EXPECT_EQ(tree(QStringLiteral("[[if zero]][[if yes]]A[[elseif x]]B[[endif]][[else]]C[[endif]]"), object),
              "if zero\n  then\n    else\n  else\n    copy C\n    endif\n");

    struct Case
    {
        const char* name;
        const char* text;
        const char* pruned;
        const char* unpruned;
    };
    const Case cases[] = {
        {"loop bodies are pruned", "[[loop i 1 3 1]][[if i == 2]]X[[endif]][[endloop]]", "", "X"},
        {"while bodies are pruned",
         "[[identify n = yes]][[while n]][[identify n = zero]][[if n == 0]]X[[endif]][["
         "endwhile]]",
         "", "X"},
        {"procedure bodies are pruned", "[[procedure pr a]][[if a == 1]]X[[endif]][[endprocedure]][[call pr one]]", "",
         "X"},
        {"foreach bodies are not", "[[foreach p pictures]][[if p == b]]X[[endif]][[endforeach]]", "X", "X"},
        {"nested false if inside a false branch", "[[if zero]][[if yes]]A[[else]]B[[endif]]C[[endif]]D", "D", "D"},
        {"branch taken comes back after a nested if",
         "[[if yes]][[if zero]]A[[endif]]B[[elseif yes]]C[[else]]E[[endif]]", "B", "B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(merge(QString::fromUtf8(c.text), object, true).output.toStdString(), c.pruned);
        EXPECT_EQ(merge(QString::fromUtf8(c.text), object, false).output.toStdString(), c.unpruned);
    }
}

TEST(MiscMerge, FieldsAreFoundInContextOrder)
{
    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(QStringLiteral("[[a]] [[b]] [[c]] [[d]] [[foreach a pictures]][[a]][[endforeach]] "
                                              "[[identify b = d]][[b]] [[e]] [[f]]"));
    MiscMergeEngine::setGlobalValue(QStringLiteral("global"), QStringLiteral("a"));
    MiscMergeEngine::setGlobalValue(QStringLiteral("global"), QStringLiteral("c"));
    MiscMergeEngine::setGlobalValue(QStringLiteral("global"), QStringLiteral("f"));
    MiscMergeEngine engine(mergeTemplate);
    engine.setEngineValue(QStringLiteral("engine"), QStringLiteral("b"));
    engine.setEngineValue(QStringLiteral("engine"), QStringLiteral("c"));
    MiscMergeEngine parent;
    parent.setEngineValue(QStringLiteral("parent"), QStringLiteral("e"));
    parent.prepareForExecution();
    engine.setParentMerge(&parent);
    const QVariantMap object{{QStringLiteral("a"), QStringLiteral("main")},
                             {QStringLiteral("d"), QStringLiteral("main-d")},
                             {QStringLiteral("pictures"), QStringList{QStringLiteral("x")}}};
    EXPECT_EQ(engine.executeWithObject(object), QStringLiteral("main engine engine main-d x main-d parent global"));

    engine.setParentMerge(nullptr);
    engine.setKeepsDelimiters(true);
    mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(QStringLiteral("[[unknown]]"));
    engine.setTemplate(mergeTemplate);
    EXPECT_EQ(engine.execute(), QStringLiteral("[[unknown]]"));
    for (const char* key : {"a", "c", "f"})
        MiscMergeEngine::removeGlobalValueForKey(QString::fromLatin1(key));
}

TEST(MiscMerge, KeysReachMapsObjectsAndListElements)
{
    const std::vector<Row> rows = {
        {"object field", "[[item.title]]", "Lamp"},
        {"object field without value", "<[[item.subtitle]]>", "<>"},
        {"a key of every list element", "[[items.title]]", "(\n    Lamp,\n    Lamp\n)"},
        {"computed keys of a merge object", "[[generator.layout_wide]] [[generator.layout_narrow]]", "1 0"},
        {"map without the key", "<[[sizes.XL]]>", "<>"},
    };
    runTable(rows, mergeObject());

    dw::ScopedConsoleCapture capture;
    auto generator = std::make_shared<Generator>();
    // A key the merge object claims hides a global value of the same name, even when nil.
    MiscMergeEngine::setGlobalValue(QStringLiteral("global"), QStringLiteral("nothing"));
    EXPECT_EQ(merge(QStringLiteral("<[[nothing]]>"), dw::objectValue(generator)).output, QStringLiteral("<>"));
    MiscMergeEngine::removeGlobalValueForKey(QStringLiteral("nothing"));
}

TEST(MiscMerge, BadDesignsCannotBreakOrHangTheMerge)
{
    const QVariantMap object = mergeObject();
    const std::string hundred(MiscMergeEngine::kMaxCallDepth, 'x');
    const std::vector<Row> rows = {
        {"unknown key of an object",
         "[[item.titel]]|[[item.title.more]]|[[items.titel]]",
         "||(\n    <null>,\n    <null>\n)",
         {"MiscMergeEngine: Unknown key \"titel\" in field \"item.titel\"; it has no value.",
          "MiscMergeEngine: Unknown key \"more\" in field \"item.title.more\"; it has no value.",
          "MiscMergeEngine: Unknown key \"titel\" in field \"items.titel\"; it has no value."}},
        {"endless recursion",
         "[[procedure r]]x[[call r]][[endprocedure]][[call r]]",
         hundred.c_str(),
         {"MiscMergeEngine: Procedure r called more than 100 deep; the call is skipped."}},
        {"include outside the design folders",
         "[[include /etc/passwd]]",
         "",
         {"Line 0: _MiscMergeIncludeCommand: Could not load from file '/etc/passwd'"}},
        {"include without a path",
         "[[include]]",
         "",
         {"Line 0: _MiscMergeIncludeCommand: Could not load from file ''"}},
    };
    runTable(rows, object);

    const Merge endless = merge(QStringLiteral("[[while yes]]x[[endwhile]]"), object);
    EXPECT_EQ(endless.output.size(), MiscMergeEngine::kMaxIterations);
    EXPECT_EQ(endless.console, QStringList{QStringLiteral("_MiscMergeWhileCommand: Stopped repeating after 100000 loop "
                                                          "passes and procedure calls in one merge.")});
    // Nested loops and calls that fan out share the one bound of the run.
    for (const char* text : {"[[loop i 1 9223372036854775807 1]][[loop j 1 1000000 1]]x[[endloop]][[endloop]]",
                             "[[procedure r]][[call r]][[call r]][[endprocedure]][[call r]]"}) {
        SCOPED_TRACE(text);
        const Merge bounded = merge(QString::fromLatin1(text), object);
        ASSERT_FALSE(bounded.console.isEmpty());
        EXPECT_TRUE(bounded.console.last().endsWith(QStringLiteral("Stopped repeating after 100000 loop passes and "
                                                                   "procedure calls in one merge.")));
    }

    // The output is bounded as well: 100000 passes of 2000 characters would be 200 million.
    const Merge huge = merge(
        QStringLiteral("[[loop i 1 100000 1]]") + QString(2000, u'x') + QStringLiteral("[[endloop]]<end>"), object);
    const qsizetype kept = MiscMergeEngine::kMaxOutputLength / 2000 * 2000;
    EXPECT_EQ(huge.output, QString(kept, u'x')) << "whole pieces, and nothing after the first that did not fit";
    EXPECT_EQ(huge.console, QStringList{QStringLiteral("MiscMergeEngine: Stopped writing after %1 characters in one "
                                                       "merge; the rest of the output is left out.")
                                            .arg(kept)});

    QString deep;
    for (int i = 0; i < 2000; ++i)
        deep += QStringLiteral("[[if yes]]");
    const Merge nested = merge(deep + QStringLiteral("x"), object, false);
    EXPECT_EQ(nested.output, QStringLiteral("x"));
    EXPECT_EQ(nested.console.size(), 2000 - MiscMergeTemplate::kMaxNesting);
}

TEST(MiscMerge, IncludeReadsOnlyDesignTemplateFolders)
{
    dw::test::TemporaryXdg xdg;
    const QStringList saved = MiscMergeTemplate::includeFolders();
    QTemporaryDir designs;
    QTemporaryDir elsewhere;
    MiscMergeTemplate::setIncludeFolders({designs.path()});
    auto write = [](const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    const QString part = designs.filePath(QStringLiteral("part.html"));
    const QString loop = designs.filePath(QStringLiteral("loop.html"));
    const QString outside = elsewhere.filePath(QStringLiteral("secret.html"));
    write(part, "<b>[[title]]</b>\n[[endif]]");
    write(loop, QStringLiteral("[[include %1]]").arg(loop).toUtf8());
    const QString twice = designs.filePath(QStringLiteral("twice.html"));
    write(twice, QStringLiteral("[[include %1]][[include %1]]").arg(twice).toUtf8());
    write(outside, "secret");
    ASSERT_TRUE(QFile::link(outside, designs.filePath(QStringLiteral("link.html"))));
    // A pipe nobody writes to would hold the merge for good.
    const QString pipe = designs.filePath(QStringLiteral("pipe.html"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString folder = designs.filePath(QStringLiteral("folder.html"));
    ASSERT_TRUE(QDir().mkdir(folder));

    const std::vector<Row> rows = {
        {"inside",
         QStringLiteral("x[[include %1]]y").arg(part).toUtf8(),
         "x<b>Lamp</b>\ny",
         {QStringLiteral("%1: 1: Mismatched endif command").arg(part)}},
        {"outside",
         QStringLiteral("[[include %1]]").arg(outside).toUtf8(),
         "",
         {QStringLiteral("Line 0: _MiscMergeIncludeCommand: Could not load from file '%1'").arg(outside)}},
        {"a pipe",
         QStringLiteral("[[include %1]]").arg(pipe).toUtf8(),
         "",
         {QStringLiteral("Line 0: _MiscMergeIncludeCommand: Could not load from file '%1'").arg(pipe)}},
        {"a folder",
         QStringLiteral("[[include %1]]").arg(folder).toUtf8(),
         "",
         {QStringLiteral("Line 0: _MiscMergeIncludeCommand: Could not load from file '%1'").arg(folder)}},
        {"dot-dot out of the folder",
         QStringLiteral("[[include %1/../%2/secret.html]]")
             .arg(designs.path(), QDir(elsewhere.path()).dirName())
             .toUtf8(),
         "",
         {QStringLiteral("Line 0: _MiscMergeIncludeCommand: Could not load from file '%1/../%2/secret.html'")
              .arg(designs.path(), QDir(elsewhere.path()).dirName())}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Merge result = merge(QString::fromUtf8(row.text), mergeObject());
        EXPECT_EQ(result.output.toStdString(), row.output);
        EXPECT_EQ(result.console, row.console);
    }

    const Merge linked =
        merge(QStringLiteral("[[include %1]]").arg(designs.filePath(QStringLiteral("link.html"))), mergeObject());
    EXPECT_EQ(linked.output, QString());
    const Merge endless = merge(QStringLiteral("[[include %1]]").arg(loop), mergeObject());
    EXPECT_EQ(endless.output, QString());
    ASSERT_EQ(endless.console.size(), 1);
    EXPECT_TRUE(endless.console.first().contains(QStringLiteral("Includes nested more than 16 deep")));

    const Merge fanOut = merge(QStringLiteral("[[include %1]]").arg(twice), mergeObject());
    EXPECT_EQ(fanOut.output, QString());
    EXPECT_TRUE(fanOut.console.last().contains(QStringLiteral("More than 100 includes")));

    MiscMergeTemplate::setIncludeFolders(saved);
}

namespace {

// A record whose key "again" asks the running driver for a second merge and to take new records,
// both of which a merge in progress must refuse.
class Meddler : public dw::KeyValueCoding, public MiscMergeKeyedObject
{
public:
    explicit Meddler(MiscMergeDriver& driver) : m_driver(driver) {}
    QVariant valueForKey(const QString& key) const override
    {
        if (key == QStringLiteral("name"))
            return QStringLiteral("m");
        secondMerge = m_driver.doMerge();
        m_driver.setMergeData({});
        m_driver.setTemplate(nullptr);
        return QStringLiteral("again");
    }
    bool setValueForKey(const QVariant&, const QString&) override { return false; }
    bool hasMiscMergeKey(const QString& key) const override
    {
        return key == QStringLiteral("name") || key == QStringLiteral("again");
    }
    mutable std::optional<QStringList> secondMerge = QStringList{QStringLiteral("not asked")};

private:
    MiscMergeDriver& m_driver;
};

std::shared_ptr<MiscMergeTemplate> parsed(const QString& text)
{
    auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
    mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
    mergeTemplate->parseString(text);
    return mergeTemplate;
}

QVariantMap record(const char* name, const char* skip = "")
{
    return {{QStringLiteral("name"), QString::fromUtf8(name)}, {QStringLiteral("skip"), QString::fromUtf8(skip)}};
}

} // namespace

TEST(MiscMerge, DriverMergesEachRecordAndNextSkipsTheFollowingOne)
{
    MiscMergeDriver driver;
    driver.setTemplate(parsed(QStringLiteral("[[if skip == YES]][[next]][[endif]]<[[name]]>")));
    driver.setMergeData({record("r1", "YES"), record("r2"), record("r3")});
    // The run of r1 moves on to r2: r1's slot stays empty, r2 is not run, r1's output is in r2's slot.
    EXPECT_EQ(driver.doMerge(), (QStringList{QString(), QStringLiteral("<r1>"), QStringLiteral("<r3>")}));
    EXPECT_EQ(driver.engine(), nullptr) << "the engine made for the merge goes with it";
    EXPECT_FALSE(driver.isMerging());
    EXPECT_FALSE(driver.advanceRecord().isValid()) << "nothing to advance outside a merge";

    driver.setMergeData({record("r1"), record("r2")});
    EXPECT_EQ(driver.doMerge(), (QStringList{QStringLiteral("<r1>"), QStringLiteral("<r2>")}));

    auto engine = std::make_shared<MiscMergeEngine>(driver.mergeTemplate());
    driver.setEngine(engine);
    driver.doMerge();
    EXPECT_EQ(driver.engine(), engine) << "an engine set by the caller stays";
    EXPECT_EQ(engine->driver(), nullptr) << "the run's sender is cleared when it ends";
}

TEST(MiscMerge, DriverRefusesWhatCannotOrMustNotBeMerged)
{
    MiscMergeDriver driver;
    driver.setMergeData({record("r1")});
    EXPECT_FALSE(driver.doMerge().has_value()) << "no template";
    driver.setTemplate(parsed(QStringLiteral("[[name]]")));
    driver.setMergeData({});
    EXPECT_FALSE(driver.doMerge().has_value()) << "no records";

    const auto meddler = std::make_shared<Meddler>(driver);
    driver.setTemplate(parsed(QStringLiteral("[[name]][[again]]")));
    driver.setMergeData({dw::objectValue(meddler), record("r2")});
    EXPECT_EQ(driver.doMerge(), (QStringList{QStringLiteral("magain"), QStringLiteral("r2again")}));
    EXPECT_FALSE(meddler->secondMerge.has_value()) << "a merge asked for while one runs is refused";

    // A program merge has no driver: next does nothing and the main object stays.
    MiscMergeEngine engine(parsed(QStringLiteral("[[next]][[name]]")));
    EXPECT_EQ(engine.executeWithObject(record("alone")), QStringLiteral("alone"));
}
