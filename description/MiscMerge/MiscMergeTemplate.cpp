#include "description/MiscMerge/MiscMergeTemplate.h"

#include "description/MiscMerge/MiscMergeCommandBlock.h"
#include "description/MiscMerge/MiscMergeCommands_p.h"
#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/NSString+MiscAdditions.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

QStringList& configuredIncludeFolders()
{
    static QStringList folders = MiscMergeTemplate::defaultIncludeFolders();
    return folders;
}

} // namespace

// The state of pruning false branches while parsing with a merge object.
class PruneState
{
public:
    explicit PruneState(MiscMergeEngine& engine) : m_engine(engine) {}

    MiscMergeEngine& m_engine;
    bool skipping = false;
    bool branchTaken = false;
    int foreachDepth = 0;
    int ifDepth = 0;
    int skippedIfCount = 0;
    std::vector<bool> savedBranchTaken;
};

QString miscmerge::readTemplateText(const QByteArray& data)
{
    if (data.startsWith("\xEF\xBB\xBF") || data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        const auto encoding = QStringConverter::encodingForData(data);
        QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
        return decoder(data);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(data);
}

MiscMergeTemplate::MiscMergeTemplate()
    : m_topLevel(std::make_unique<MiscMergeCommandBlock>()), m_startDelimiter(defaultStartDelimiter()),
      m_endDelimiter(defaultEndDelimiter())
{
    m_commandStack.push_back(m_topLevel.get());
}

MiscMergeTemplate::MiscMergeTemplate(const QString& text) : MiscMergeTemplate()
{
    parseString(text);
}

MiscMergeTemplate::~MiscMergeTemplate() = default;

std::shared_ptr<MiscMergeTemplate> MiscMergeTemplate::templateWithString(const QString& text)
{
    return std::make_shared<MiscMergeTemplate>(text);
}

QString MiscMergeTemplate::defaultStartDelimiter()
{
    return QString(QChar(0x00B4));
}

QString MiscMergeTemplate::defaultEndDelimiter()
{
    return QString(QChar(0x00AA));
}

void MiscMergeTemplate::setStartDelimiter(const QString& start, const QString& end)
{
    if (!start.isEmpty())
        m_startDelimiter = start;
    if (!end.isEmpty())
        m_endDelimiter = end;
}

bool MiscMergeTemplate::parseContentsOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dw::consoleWrite(
            dw::format("MiscMergeTemplate: Could not read template file %@: %@", path, file.errorString()));
        return false;
    }
    const QString text = miscmerge::readTemplateText(file.readAll());
    setFilename(path);
    parseString(text);
    return true;
}

void MiscMergeTemplate::pushCommandBlock(MiscMergeCommandBlock* block)
{
    m_commandStack.push_back(block);
}

void MiscMergeTemplate::popCommandBlock(MiscMergeCommandBlock* block)
{
    if (block && block != m_commandStack.back()) {
        dw::consoleWrite(QStringLiteral("Error, command stack mismatch"));
        return;
    }
    popCommandBlock();
}

void MiscMergeTemplate::popCommandBlock()
{
    if (m_commandStack.size() > 1)
        m_commandStack.pop_back();
    else
        dw::consoleWrite(QStringLiteral("Error, cannot pop last command block"));
}

void MiscMergeTemplate::reportParseError(const QString& message) const
{
    if (!m_filename.isEmpty())
        dw::consoleWrite(dw::format("%@: %ld: %@", m_filename, m_lineNumber, message));
    else
        dw::consoleWrite(dw::format("Line %ld: %@", m_lineNumber, message));
}

QString MiscMergeTemplate::treeDescription() const
{
    QString out;
    m_topLevel->appendTree(out, 0);
    return out;
}

QStringList MiscMergeTemplate::includeFolders()
{
    return configuredIncludeFolders();
}

void MiscMergeTemplate::setIncludeFolders(const QStringList& folders)
{
    configuredIncludeFolders() = folders;
}

QStringList MiscMergeTemplate::defaultIncludeFolders()
{
    return {QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("DesignTemplates")),
            QDir(dw::paths::fixedDataFolder()).filePath(QStringLiteral("DesignTemplates")),
            QDir(dw::paths::applicationSupportFolder()).filePath(QStringLiteral("PaidDesigns"))};
}

void MiscMergeTemplate::countLinesUpTo(qsizetype position)
{
    if (position <= m_linesCountedTo)
        return;
    m_lineNumber += QStringView(m_lastParsedString).mid(m_linesCountedTo, position - m_linesCountedTo).count(u'\n');
    m_linesCountedTo = position;
}

void MiscMergeTemplate::parseString(const QString& text, const QVariant& object)
{
    std::unique_ptr<MiscMergeEngine> pruneEngine;
    std::unique_ptr<PruneState> prune;
    if (object.isValid()) {
        pruneEngine = std::make_unique<MiscMergeEngine>();
        pruneEngine->setMainObject(object);
        pruneEngine->prepareForExecution();
        prune = std::make_unique<PruneState>(*pruneEngine);
    }

    m_lastParsedString = text;
    m_linesCountedTo = 0;
    const QString start = m_startDelimiter;
    const QString end = m_endDelimiter;
    qsizetype segmentStart = 0;
    qsizetype startMatch = 0;
    qsizetype endMatch = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A partial match that fails starts again after the character that broke it.
        startMatch = c == start.at(startMatch) ? startMatch + 1 : 0;
        endMatch = c == end.at(endMatch) ? endMatch + 1 : 0;
        if (startMatch == start.size()) {
            const qsizetype literalEnd = i + 1 - start.size();
            if (literalEnd > segmentStart && !(prune && prune->skipping))
                m_commandStack.back()->addCommand(
                    std::make_unique<_MiscMergeCopyCommand>(text, segmentStart, literalEnd - segmentStart));
            segmentStart = i + 1;
            startMatch = 0;
        } else if (endMatch == end.size()) {
            // An end delimiter closes a command from the segment start, whether or not a start
            // delimiter opened it: stored designs rely on "abc]]" printing the field abc.
            const qsizetype commandEnd = i + 1 - end.size();
            if (commandEnd > segmentStart)
                addCommandString(text.mid(segmentStart, commandEnd - segmentStart), segmentStart, prune.get());
            segmentStart = i + 1;
            startMatch = 0;
            endMatch = 0;
        }
    }
    if (segmentStart < text.size())
        m_commandStack.back()->addCommand(
            std::make_unique<_MiscMergeCopyCommand>(text, segmentStart, text.size() - segmentStart));
    countLinesUpTo(text.size());
}

void MiscMergeTemplate::addCommandString(const QString& commandText, qsizetype position, PruneState* prune)
{
    countLinesUpTo(position);
    std::unique_ptr<MiscMergeCommand> made = miscmerge::commandForWord(dw::firstWord(commandText));
    MiscMergeCommand* command = made.get();
    if (miscmerge::isBlockOpening(*command) && m_commandStack.size() > size_t(kMaxNesting)) {
        reportParseError(dw::format("Commands nested more than %d deep; \"%@\" is left out", kMaxNesting, commandText));
        countLinesUpTo(position + commandText.size());
        return;
    }

    auto addAndParse = [&] {
        m_commandStack.back()->addCommand(std::move(made));
        command->parseFromString(commandText, *this);
    };
    auto evaluate = [&] {
        const auto* ifCommand = dynamic_cast<const _MiscMergeIfCommand*>(command);
        return ifCommand && ifCommand->condition() && ifCommand->condition()->evaluateWithEngine(prune->m_engine);
    };

    if (!prune) {
        addAndParse();
    } else if (prune->foreachDepth > 0) {
        addAndParse();
    } else if (dynamic_cast<_MiscMergeElseifCommand*>(command)) {
        if (prune->skippedIfCount > 0) {
            if (!prune->skipping)
                addAndParse();
        } else {
            addAndParse();
            if (prune->branchTaken) {
                prune->skipping = true;
            } else {
                const bool holds = evaluate();
                prune->skipping = !holds;
                prune->branchTaken = holds;
            }
        }
    } else if (dynamic_cast<_MiscMergeIfCommand*>(command)) {
        if (prune->skipping) {
            ++prune->skippedIfCount;
        } else {
            addAndParse();
            if (prune->ifDepth > 0)
                prune->savedBranchTaken.push_back(prune->branchTaken);
            ++prune->ifDepth;
            const bool holds = evaluate();
            prune->skipping = !holds;
            prune->branchTaken = holds;
        }
    } else if (dynamic_cast<_MiscMergeElseCommand*>(command) && prune->skippedIfCount == 0) {
        addAndParse();
        prune->skipping = prune->branchTaken;
        prune->branchTaken = true;
    } else if (dynamic_cast<_MiscMergeEndifCommand*>(command)) {
        if (prune->skippedIfCount > 0) {
            --prune->skippedIfCount;
        } else {
            addAndParse();
            --prune->ifDepth;
            prune->skipping = false;
            if (prune->ifDepth > 0 && !prune->savedBranchTaken.empty()) {
                prune->branchTaken = prune->savedBranchTaken.back();
                prune->savedBranchTaken.pop_back();
            } else {
                prune->branchTaken = false;
            }
        }
    } else if (!prune->skipping) {
        addAndParse();
    }

    if (prune && !prune->skipping && made == nullptr) {
        if (dynamic_cast<_MiscMergeForeachCommand*>(command))
            ++prune->foreachDepth;
        else if (const auto* endCommand = dynamic_cast<MiscMergeEndBlockCommand*>(command);
                 endCommand && endCommand->className() == QStringLiteral("_MiscMergeEndforeachCommand"))
            --prune->foreachDepth;
    }
    countLinesUpTo(position + commandText.size());
}
