#pragma once
// A template: text with embedded commands, parsed into a tree of command blocks that
// MiscMergeEngine runs.
//
// Commands stand between a start and an end delimiter ("[[" and "]]" in descriptions, "{{" and
// "}}" in the secondary pass). The first word of a command names it, ignoring case (if, elseif,
// else, endif, foreach, endforeach, loop, endloop, while, endwhile, procedure, endprocedure, call,
// set, identify, index, include, date, copy, comment, next, omit, field); any other word makes the
// whole command text a field reference, so [[item.title]] prints the listing's title. A command
// text that begins with a blank produces nothing.
//
// Parsing with a merge object leaves out the branches of if/elseif/else that are false for that
// object, so that a large design does not carry dead branches into every run; conditions inside
// foreach bodies are left to the run. Parse errors are console lines ("Line 3: Mismatched endif
// command", or "file: 3: ..." for a template read from a file); parsing never stops at one.
//
//     auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
//     mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
//     mergeTemplate->parseString(body, mergeObject);
//     QString html = MiscMergeEngine(mergeTemplate).executeWithObject(mergeObject);
//
// The include command reads only files inside the design-template folders (includeFolders()).
// A template, its engine and its commands are used by one thread at a time.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <memory>
#include <vector>

class MiscMergeCommand;
class MiscMergeCommandBlock;

class MiscMergeTemplate
{
public:
    MiscMergeTemplate();
    explicit MiscMergeTemplate(const QString& text);
    ~MiscMergeTemplate();
    MiscMergeTemplate(const MiscMergeTemplate&) = delete;
    MiscMergeTemplate& operator=(const MiscMergeTemplate&) = delete;

    static std::shared_ptr<MiscMergeTemplate> templateWithString(const QString& text);

    // U+00B4 and U+00AA; callers set their own delimiters before parsing.
    static QString defaultStartDelimiter();
    static QString defaultEndDelimiter();

    // Reads a file (its text encoding detected) and parses it with no merge object; false, with
    // the console line "MiscMergeTemplate: Could not read template file <path>: <error>", when it
    // cannot be read.
    bool parseContentsOfFile(const QString& path);
    // Parses text into the current block; with a merge object (a valid QVariant), false
    // branches are left out.
    void parseString(const QString& text, const QVariant& object = QVariant());

    QString startDelimiter() const { return m_startDelimiter; }
    QString endDelimiter() const { return m_endDelimiter; }
    // Both at once; they apply to the next parse. Empty delimiters are ignored.
    void setStartDelimiter(const QString& start, const QString& end);

    // The block stack that block commands push and pop while they parse.
    void pushCommandBlock(MiscMergeCommandBlock* block);
    void popCommandBlock(MiscMergeCommandBlock* block);
    void popCommandBlock();
    MiscMergeCommandBlock* currentCommandBlock() const { return m_commandStack.back(); }
    MiscMergeCommandBlock* topLevelCommandBlock() const { return m_topLevel.get(); }

    // One console line: "<filename>: <line>: <message>" or "Line <line>: <message>".
    void reportParseError(const QString& message) const;

    const QString& lastParsedString() const { return m_lastParsedString; }
    QString filename() const { return m_filename; }
    void setFilename(const QString& filename) { m_filename = filename; }

    // The parsed command tree as an indented outline (qm-merge --dump-tree).
    QString treeDescription() const;

    // The folders from which include may read, as absolute paths. By default the built-in
    // designs under the resources folder, the user's designs and the bought designs under the
    // data folders; the design-template manager may set others. Main thread.
    static QStringList includeFolders();
    static void setIncludeFolders(const QStringList& folders);
    static QStringList defaultIncludeFolders();

    // How many includes the template being parsed is nested in, and how many includes the
    // outermost template and all it includes have read (shared down the includes); deeper or
    // further includes are refused.
    int includeDepth() const { return m_includeDepth; }
    const std::shared_ptr<std::atomic<int>>& includeCount() const { return m_includeCount; }
    void setIncludeDepth(int depth, std::shared_ptr<std::atomic<int>> count)
    {
        m_includeDepth = depth;
        m_includeCount = std::move(count);
    }

    // Block commands nest at most this deep; further block commands are dropped with a parse
    // error, so that a hostile design cannot exhaust the stack while running or freeing the tree.
    static constexpr int kMaxNesting = 256;

private:
    void addCommandString(const QString& text, qsizetype position, class PruneState* prune);
    void countLinesUpTo(qsizetype position);

    std::unique_ptr<MiscMergeCommandBlock> m_topLevel;
    std::vector<MiscMergeCommandBlock*> m_commandStack;
    QString m_startDelimiter;
    QString m_endDelimiter;
    long m_lineNumber = 0;
    qsizetype m_linesCountedTo = 0;
    QString m_filename;
    QString m_lastParsedString;
    int m_includeDepth = 0;
    std::shared_ptr<std::atomic<int>> m_includeCount = std::make_shared<std::atomic<int>>(0);
};
