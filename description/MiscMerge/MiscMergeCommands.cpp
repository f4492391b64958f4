#include "description/MiscMerge/MiscMergeCommands_p.h"

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeScanner.h"
#include "description/MiscMerge/MiscMergeTemplate.h"
#include "description/MiscMerge/MiscMergeValues.h"
#include "description/MiscMerge/NSString+MiscAdditions.h"

#include "platform/core/Clock.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cstdlib>
#include <functional>

namespace {

// An include that includes itself, directly or not, would parse for ever; one that includes
// itself twice would parse 2^depth times.
constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxIncludes = 100;
// A template part is a few kilobytes; this is far beyond any.
constexpr qint64 kMaxIncludeBytes = qint64(4) << 20;

QVariant nameOrNil(const QString& name)
{
    return name.isNull() ? QVariant() : QVariant(name);
}

QString trimmed(const QString& text)
{
    return dw::stringByTrimmingWhitespace(text);
}

QString capitalized(const QString& word)
{
    return word.left(1).toUpper() + word.mid(1).toLower();
}

// Whether `path` names a file inside one of the folders, links resolved.
bool isInsideIncludeFolders(const QString& path)
{
    const QString file = QFileInfo(path).canonicalFilePath();
    if (file.isEmpty())
        return false;
    for (const QString& folder : MiscMergeTemplate::includeFolders()) {
        const QString root = QFileInfo(folder).canonicalFilePath();
        if (!root.isEmpty() && file.startsWith(root + u'/'))
            return true;
    }
    return false;
}

} // namespace

// ---- copy and field

bool _MiscMergeCopyCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate&)
{
    eatKeyWord(QStringLiteral("copy"), scanner, false);
    scanner.skipPastSkipCharacters();
    m_text = scanner.remainingString();
    m_from = 0;
    m_length = m_text.size();
    return true;
}

void _MiscMergeCopyCommand::executeForMerge(MiscMergeEngine& engine) const
{
    engine.appendText(text());
}

void _MiscMergeCopyCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("copy ") + miscmerge::quotedText(text().toString()));
}

bool _MiscMergeFieldCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate&)
{
    if (eatKeyWord(QStringLiteral("field"), scanner, true)) {
        scanner.skipPastSkipCharacters();
        m_field = scanner.remainingString();
    } else {
        m_field = scanner.text();
    }
    return true;
}

void _MiscMergeFieldCommand::executeForMerge(MiscMergeEngine& engine) const
{
    engine.appendToOutput(engine.valueForField(m_field));
}

void _MiscMergeFieldCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("field ") + miscmerge::quotedText(m_field));
}

// ---- if, elseif, else, endif

MiscMergeCommandBlock* _MiscMergeIfCommand::elseBlock()
{
    if (!m_elseBlock)
        m_elseBlock = std::make_unique<MiscMergeCommandBlock>(this);
    return m_elseBlock.get();
}

bool _MiscMergeIfCommand::parseCondition(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(QStringLiteral("if"), scanner, false);
    m_condition = getCondition(scanner);
    mergeTemplate.pushCommandBlock(m_trueBlock.get());
    return true;
}

bool _MiscMergeIfCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    return parseCondition(scanner, mergeTemplate);
}

void _MiscMergeIfCommand::executeForMerge(MiscMergeEngine& engine) const
{
    if (m_condition && m_condition->evaluateWithEngine(engine))
        engine.executeCommandBlock(*m_trueBlock);
    else if (m_elseBlock)
        engine.executeCommandBlock(*m_elseBlock);
}

void _MiscMergeIfCommand::handleElseInTemplate(MiscMergeTemplate& mergeTemplate)
{
    mergeTemplate.popCommandBlock();
    mergeTemplate.pushCommandBlock(elseBlock());
}

void _MiscMergeIfCommand::handleEndifInTemplate(MiscMergeTemplate& mergeTemplate)
{
    mergeTemplate.popCommandBlock();
    // One endif closes a whole if/elseif chain: each elseif sits in the else block of the one
    // before it.
    if (dynamic_cast<_MiscMergeElseifCommand*>(this)) {
        if (auto* outer = dynamic_cast<_MiscMergeIfCommand*>(mergeTemplate.currentCommandBlock()->owner()))
            outer->handleEndifInTemplate(mergeTemplate);
    }
}

void _MiscMergeIfCommand::appendTree(QString& out, int indent) const
{
    appendLine(
        out, indent,
        (dynamic_cast<const _MiscMergeElseifCommand*>(this) ? QStringLiteral("elseif ") : QStringLiteral("if ")) +
            (m_condition ? m_condition->description() : QStringLiteral("(no condition)")));
    appendLine(out, indent + 1, QStringLiteral("then"));
    m_trueBlock->appendTree(out, indent + 2);
    if (m_elseBlock) {
        appendLine(out, indent + 1, QStringLiteral("else"));
        m_elseBlock->appendTree(out, indent + 2);
    }
}

bool _MiscMergeElseifCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    MiscMergeCommandBlock* current = mergeTemplate.currentCommandBlock();
    auto* owner = dynamic_cast<_MiscMergeIfCommand*>(current->owner());
    if (!owner) {
        mergeTemplate.reportParseError(QStringLiteral("Mismatched elseif command"));
        return false;
    }
    std::unique_ptr<MiscMergeCommand> self = current->removeCommand(this);
    owner->handleElseInTemplate(mergeTemplate);
    mergeTemplate.currentCommandBlock()->addCommand(std::move(self));
    eatKeyWord(QStringLiteral("else"), scanner, true);
    return parseCondition(scanner, mergeTemplate);
}

void _MiscMergeElseifCommand::appendTree(QString& out, int indent) const
{
    _MiscMergeIfCommand::appendTree(out, indent);
}

bool _MiscMergeElseCommand::parseFromScanner(MiscMergeScanner&, MiscMergeTemplate& mergeTemplate)
{
    auto* owner = dynamic_cast<_MiscMergeIfCommand*>(mergeTemplate.currentCommandBlock()->owner());
    if (!owner) {
        mergeTemplate.reportParseError(QStringLiteral("Mismatched else command"));
        return false;
    }
    owner->handleElseInTemplate(mergeTemplate);
    return true;
}

void _MiscMergeElseCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("else"));
}

bool _MiscMergeEndifCommand::parseFromScanner(MiscMergeScanner&, MiscMergeTemplate& mergeTemplate)
{
    auto* owner = dynamic_cast<_MiscMergeIfCommand*>(mergeTemplate.currentCommandBlock()->owner());
    if (!owner) {
        mergeTemplate.reportParseError(QStringLiteral("Mismatched endif command"));
        return false;
    }
    owner->handleEndifInTemplate(mergeTemplate);
    return true;
}

void _MiscMergeEndifCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("endif"));
}

// ---- foreach, loop, while, procedure and their end commands

bool _MiscMergeForeachCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(QStringLiteral("foreach"), scanner, false);
    m_itemName = getArgumentString(scanner, false);
    m_arrayField = getArgumentString(scanner, false);
    m_loopName = getArgumentString(scanner, false);
    mergeTemplate.pushCommandBlock(m_commandBlock.get());
    return true;
}

void _MiscMergeForeachCommand::executeForMerge(MiscMergeEngine& engine) const
{
    const QVariant value = engine.valueForField(m_arrayField);
    QVariantList elements;
    if (miscmerge::isList(value)) {
        elements = value.toList();
    } else if (value.typeId() == QMetaType::QVariantMap) {
        for (const QString& key : value.toMap().keys())
            elements << key;
    } else {
        return;
    }
    const auto context = std::make_shared<QVariantMap>();
    engine.addContextObject(context);
    const QString indexName = m_itemName + QStringLiteral("Index");
    for (qsizetype i = 0; i < elements.size() && engine.takeStep(*this); ++i) {
        context->insert(m_itemName, elements.at(i));
        context->insert(indexName, qlonglong(i));
        engine.executeCommandBlock(*m_commandBlock);
    }
    engine.removeContextObject(context);
}

void _MiscMergeForeachCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("foreach %1 in %2").arg(m_itemName, m_arrayField));
    m_commandBlock->appendTree(out, indent + 1);
}

bool _MiscMergeLoopCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(QStringLiteral("loop"), scanner, false);
    m_indexName = getArgumentString(scanner, false);
    m_start = dw::integerValue(getArgumentString(scanner, false));
    m_stop = dw::integerValue(getArgumentString(scanner, false));
    m_step = dw::integerValue(getArgumentString(scanner, false));
    m_loopName = getArgumentString(scanner, false);
    mergeTemplate.pushCommandBlock(m_commandBlock.get());
    if (m_step == 0) {
        m_step = m_start > m_stop ? -1 : 1;
        mergeTemplate.reportParseError(
            dw::format("%@: Loop %@ is infinite.  Setting to %ld.", className(), nameOrNil(m_loopName), m_step));
    } else if ((m_start < m_stop && m_step < 0) || (m_start > m_stop && m_step > 0)) {
        mergeTemplate.reportParseError(
            dw::format("%@: Loop %@ is probably longer than you want. (start,end,step) = (%ld,%ld,%ld).", className(),
                       nameOrNil(m_loopName), m_start, m_stop, m_step));
    }
    return true;
}

void _MiscMergeLoopCommand::executeForMerge(MiscMergeEngine& engine) const
{
    const auto context = std::make_shared<QVariantMap>();
    engine.addContextObject(context);
    for (qint64 i = m_start; m_step >= 1 ? i <= m_stop : i >= m_stop;) {
        if (!engine.takeStep(*this))
            break;
        context->insert(m_indexName, QString::number(i));
        engine.executeCommandBlock(*m_commandBlock);
        if (__builtin_add_overflow(i, m_step, &i))
            break;
    }
    engine.removeContextObject(context);
}

void _MiscMergeLoopCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, dw::format("loop %@ from %ld to %ld by %ld", m_indexName, m_start, m_stop, m_step));
    m_commandBlock->appendTree(out, indent + 1);
}

bool _MiscMergeWhileCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(QStringLiteral("while"), scanner, false);
    m_condition = getCondition(scanner);
    mergeTemplate.pushCommandBlock(m_commandBlock.get());
    return true;
}

void _MiscMergeWhileCommand::executeForMerge(MiscMergeEngine& engine) const
{
    while (m_condition && m_condition->evaluateWithEngine(engine)) {
        if (!engine.takeStep(*this))
            break;
        engine.executeCommandBlock(*m_commandBlock);
    }
}

void _MiscMergeWhileCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("while ") + (m_condition ? m_condition->description() : QString()));
    m_commandBlock->appendTree(out, indent + 1);
}

bool _MiscMergeProcedureCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(QStringLiteral("procedure"), scanner, false);
    m_procedureName = getArgumentString(scanner, false);
    for (QString name = getArgumentString(scanner, false); !name.isNull(); name = getArgumentString(scanner, false))
        m_argumentNames << name;
    mergeTemplate.pushCommandBlock(m_commandBlock.get());
    return true;
}

void _MiscMergeProcedureCommand::executeForMerge(MiscMergeEngine& engine) const
{
    engine.setProcedure(*this);
}

void _MiscMergeProcedureCommand::executeForMerge(MiscMergeEngine& engine, const QVariantList& values) const
{
    if (values.size() != m_argumentNames.size())
        dw::consoleWrite(dw::format("%@: Wrong number of arguments passed (got %lu, expected %lu)", className(),
                                    qulonglong(values.size()), qulonglong(m_argumentNames.size())));
    const auto context = std::make_shared<QVariantMap>();
    for (qsizetype i = 0; i < std::min(values.size(), m_argumentNames.size()); ++i)
        context->insert(m_argumentNames.at(i), values.at(i));
    engine.addContextObject(context);
    engine.executeCommandBlock(*m_commandBlock);
    engine.removeContextObject(context);
}

void _MiscMergeProcedureCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, (QStringList{QStringLiteral("procedure"), m_procedureName} + m_argumentNames).join(u' '));
    m_commandBlock->appendTree(out, indent + 1);
}

QString MiscMergeEndBlockCommand::className() const
{
    return QStringLiteral("_MiscMerge") + capitalized(m_word) + QStringLiteral("Command");
}

bool MiscMergeEndBlockCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(m_word, scanner, false);
    const MiscMergeCommand* owner = mergeTemplate.currentCommandBlock()->owner();
    QString ownerName;
    bool matches = false;
    if (m_word == QStringLiteral("endforeach")) {
        const auto* foreach = dynamic_cast<const _MiscMergeForeachCommand*>(owner);
        matches = foreach != nullptr;
        ownerName = foreach ? foreach->loopName() : QString();
    } else if (m_word == QStringLiteral("endloop")) {
        const auto* loop = dynamic_cast<const _MiscMergeLoopCommand*>(owner);
        matches = loop != nullptr;
        ownerName = loop ? loop->loopName() : QString();
    } else if (m_word == QStringLiteral("endprocedure")) {
        const auto* procedure = dynamic_cast<const _MiscMergeProcedureCommand*>(owner);
        matches = procedure != nullptr;
        ownerName = procedure ? procedure->procedureName() : QString();
    } else {
        matches = dynamic_cast<const _MiscMergeWhileCommand*>(owner) != nullptr;
    }
    if (m_word != QStringLiteral("endwhile")) {
        m_name = getArgumentString(scanner, false);
        if (!m_name.isEmpty() && !ownerName.isEmpty() && m_name != ownerName)
            matches = false;
    }
    if (!matches) {
        mergeTemplate.reportParseError(dw::format("Mismatched %@ command", m_word));
        return false;
    }
    mergeTemplate.popCommandBlock();
    return true;
}

void MiscMergeEndBlockCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, m_name.isEmpty() ? m_word : m_word + u' ' + m_name);
}

// ---- call, set, identify, index, include, date

bool _MiscMergeCallCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate&)
{
    eatKeyWord(QStringLiteral("call"), scanner, false);
    m_procedureName = getArgumentString(scanner, false);
    for (QString argument = getArgumentString(scanner, false); !argument.isNull();
         argument = getArgumentString(scanner, false))
        m_arguments << argument;
    return true;
}

void _MiscMergeCallCommand::executeForMerge(MiscMergeEngine& engine) const
{
    const _MiscMergeProcedureCommand* procedure = engine.procedureNamed(m_procedureName);
    if (!procedure) {
        dw::consoleWrite(dw::format("%@: Error -- procedure %@ not found.", className(), nameOrNil(m_procedureName)));
        return;
    }
    QVariantList values;
    for (const QString& argument : m_arguments) {
        const QVariant value = engine.valueForField(argument);
        values << (value.isValid() ? value : QVariant(QStringLiteral("")));
    }
    if (!engine.takeStep(*this) || !engine.enterCall(m_procedureName))
        return;
    procedure->executeForMerge(engine, values);
    engine.leaveCall();
}

void _MiscMergeCallCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, (QStringList{QStringLiteral("call"), m_procedureName} + m_arguments).join(u' '));
}

QString MiscMergeAssignCommand::className() const
{
    return m_global ? QStringLiteral("_MiscMergeSetCommand") : QStringLiteral("_MiscMergeIdentifyCommand");
}

bool MiscMergeAssignCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate&)
{
    eatKeyWord(m_global ? QStringLiteral("set") : QStringLiteral("identify"), scanner, false);
    m_name = trimmed(getArgumentString(scanner, false));
    if (getConditional(scanner) != MiscMergeCondition::Equal)
        error_conditional(m_global ? QStringLiteral("Set requires operator to be an =.")
                                   : QStringLiteral("Identify requires operator to be an =."));
    m_field = trimmed(getArgumentString(scanner, true));
    return true;
}

void MiscMergeAssignCommand::executeForMerge(MiscMergeEngine& engine) const
{
    const QVariant value = engine.valueForField(m_field);
    if (m_global)
        MiscMergeEngine::setGlobalValue(value, m_name);
    else
        engine.setLocalValue(value, m_name);
}

void MiscMergeAssignCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent,
               (m_global ? QStringLiteral("set ") : QStringLiteral("identify ")) + m_name + u" = " + m_field);
}

bool _MiscMergeIndexCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate&)
{
    eatKeyWord(QStringLiteral("index"), scanner, false);
    m_arrayField = getArgumentString(scanner, false);
    m_index = dw::integerValue(getArgumentString(scanner, true));
    return true;
}

void _MiscMergeIndexCommand::executeForMerge(MiscMergeEngine& engine) const
{
    const QVariant value = engine.valueForField(m_arrayField);
    if (!miscmerge::isList(value)) {
        engine.appendToOutput(value);
        return;
    }
    const QVariantList list = value.toList();
    if (m_index >= 0 && m_index < list.size())
        engine.appendToOutput(list.at(m_index));
}

void _MiscMergeIndexCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, dw::format("index %@ %ld", m_arrayField, m_index));
}

_MiscMergeIncludeCommand::_MiscMergeIncludeCommand() = default;
_MiscMergeIncludeCommand::~_MiscMergeIncludeCommand() = default;

bool _MiscMergeIncludeCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate)
{
    eatKeyWord(QStringLiteral("include"), scanner, false);
    m_path = trimmed(getArgumentString(scanner, true));
    if (mergeTemplate.includeDepth() >= kMaxIncludeDepth) {
        mergeTemplate.reportParseError(dw::format("%@: Includes nested more than %d deep; '%@' is not loaded",
                                                  className(), kMaxIncludeDepth, m_path));
        return false;
    }
    if (mergeTemplate.includeCount()->fetch_add(1) >= kMaxIncludes) {
        mergeTemplate.reportParseError(
            dw::format("%@: More than %d includes; '%@' is not loaded", className(), kMaxIncludes, m_path));
        return false;
    }
    // A downloaded design may name any path; only ordinary files of the design folders are read: a
    // pipe put there would hold the merge for good and a device would never end.
    const std::optional<QByteArray> bytes = m_path.isEmpty() || !isInsideIncludeFolders(m_path)
                                                ? std::nullopt
                                                : dw::readRegularFile(m_path, kMaxIncludeBytes);
    if (!bytes) {
        mergeTemplate.reportParseError(dw::format("%@: Could not load from file '%@'", className(), m_path));
        return false;
    }
    m_included = std::make_unique<MiscMergeTemplate>();
    m_included->setStartDelimiter(mergeTemplate.startDelimiter(), mergeTemplate.endDelimiter());
    m_included->setFilename(m_path);
    m_included->setIncludeDepth(mergeTemplate.includeDepth() + 1, mergeTemplate.includeCount());
    m_included->parseString(miscmerge::readTemplateText(*bytes));
    return true;
}

void _MiscMergeIncludeCommand::executeForMerge(MiscMergeEngine& engine) const
{
    if (m_included)
        engine.executeCommandBlock(*m_included->topLevelCommandBlock());
}

void _MiscMergeIncludeCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("include ") + miscmerge::quotedText(m_path));
    if (m_included)
        m_included->topLevelCommandBlock()->appendTree(out, indent + 1);
}

bool _MiscMergeDateCommand::parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate&)
{
    eatKeyWord(QStringLiteral("date"), scanner, false);
    m_format = getArgumentString(scanner, true);
    if (m_format.isEmpty())
        m_format = QStringLiteral("%B %d, %Y");
    return true;
}

void _MiscMergeDateCommand::executeForMerge(MiscMergeEngine& engine) const
{
    engine.appendToOutput(miscmerge::formatCalendarDate(dw::now().toLocalTime(), m_format));
}

void _MiscMergeDateCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("date ") + miscmerge::quotedText(m_format));
}

// ---- comment, next, omit

QString MiscMergeWordCommand::className() const
{
    switch (m_kind) {
    case Comment:
        return QStringLiteral("_MiscMergeCommentCommand");
    case Next:
        return QStringLiteral("_MiscMergeNextCommand");
    case Omit:
        break;
    }
    return QStringLiteral("_MiscMergeOmitCommand");
}

bool MiscMergeWordCommand::parseFromScanner(MiscMergeScanner&, MiscMergeTemplate&)
{
    return true;
}

void MiscMergeWordCommand::executeForMerge(MiscMergeEngine& engine) const
{
    if (m_kind == Next)
        engine.advanceRecord();
    else if (m_kind == Omit)
        engine.abortMerge();
}

void MiscMergeWordCommand::appendTree(QString& out, int indent) const
{
    static const char* const words[] = {"comment", "next", "omit"};
    appendLine(out, indent, QString::fromLatin1(words[m_kind]));
}

// ---- command words

namespace miscmerge {

std::unique_ptr<MiscMergeCommand> commandForWord(const QString& word)
{
    using Factory = std::function<std::unique_ptr<MiscMergeCommand>()>;
    auto end = [](const char* w) -> Factory {
        return [w] { return std::make_unique<MiscMergeEndBlockCommand>(QString::fromLatin1(w)); };
    };
    static const QHash<QString, Factory> factories = {
        {QStringLiteral("Call"), [] { return std::make_unique<_MiscMergeCallCommand>(); }},
        {QStringLiteral("Comment"),
         [] { return std::make_unique<MiscMergeWordCommand>(MiscMergeWordCommand::Comment); }},
        {QStringLiteral("Copy"), [] { return std::make_unique<_MiscMergeCopyCommand>(); }},
        {QStringLiteral("Date"), [] { return std::make_unique<_MiscMergeDateCommand>(); }},
        {QStringLiteral("Else"), [] { return std::make_unique<_MiscMergeElseCommand>(); }},
        {QStringLiteral("Elseif"), [] { return std::make_unique<_MiscMergeElseifCommand>(); }},
        {QStringLiteral("Endforeach"), end("endforeach")},
        {QStringLiteral("Endif"), [] { return std::make_unique<_MiscMergeEndifCommand>(); }},
        {QStringLiteral("Endloop"), end("endloop")},
        {QStringLiteral("Endprocedure"), end("endprocedure")},
        {QStringLiteral("Endwhile"), end("endwhile")},
        {QStringLiteral("Field"), [] { return std::make_unique<_MiscMergeFieldCommand>(); }},
        {QStringLiteral("Foreach"), [] { return std::make_unique<_MiscMergeForeachCommand>(); }},
        {QStringLiteral("Identify"), [] { return std::make_unique<MiscMergeAssignCommand>(false); }},
        {QStringLiteral("If"), [] { return std::make_unique<_MiscMergeIfCommand>(); }},
        {QStringLiteral("Include"), [] { return std::make_unique<_MiscMergeIncludeCommand>(); }},
        {QStringLiteral("Index"), [] { return std::make_unique<_MiscMergeIndexCommand>(); }},
        {QStringLiteral("Loop"), [] { return std::make_unique<_MiscMergeLoopCommand>(); }},
        {QStringLiteral("Next"), [] { return std::make_unique<MiscMergeWordCommand>(MiscMergeWordCommand::Next); }},
        {QStringLiteral("Omit"), [] { return std::make_unique<MiscMergeWordCommand>(MiscMergeWordCommand::Omit); }},
        {QStringLiteral("Procedure"), [] { return std::make_unique<_MiscMergeProcedureCommand>(); }},
        {QStringLiteral("Set"), [] { return std::make_unique<MiscMergeAssignCommand>(true); }},
        {QStringLiteral("While"), [] { return std::make_unique<_MiscMergeWhileCommand>(); }},
    };
    if (word.isEmpty())
        return std::make_unique<MiscMergeCommand>();
    const auto it = factories.constFind(capitalized(word));
    if (it == factories.constEnd())
        return std::make_unique<_MiscMergeFieldCommand>();
    return (*it)();
}

bool isBlockOpening(const MiscMergeCommand& command)
{
    return dynamic_cast<const _MiscMergeIfCommand*>(&command) || dynamic_cast<const MiscMergeBlockCommand*>(&command);
}

QString formatCalendarDate(const QDateTime& date, const QString& format)
{
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    static const char* const days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    const QDate day = date.date();
    const QTime time = date.time();
    auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    const QString month = QString::fromLatin1(months[day.month() - 1]);
    const QString weekday = QString::fromLatin1(days[day.dayOfWeek() - 1]);
    const int offset = date.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? u'-' : u'+')
                             .arg(two(std::abs(offset) / 60))
                             .arg(two(std::abs(offset) % 60));
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar spec = format.at(++i);
        switch (spec.unicode()) {
        case 'a':
            out += weekday.left(3);
            break;
        case 'A':
            out += weekday;
            break;
        case 'b':
            out += month.left(3);
            break;
        case 'B':
            out += month;
            break;
        case 'c':
            out += formatCalendarDate(date, QStringLiteral("%a %b %d %H:%M:%S %z %Y"));
            break;
        case 'd':
            out += two(day.day());
            break;
        case 'e':
            out += QString::number(day.day());
            break;
        case 'F':
            out += QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
            break;
        case 'H':
            out += two(time.hour());
            break;
        case 'I':
            out += two(time.hour() % 12 == 0 ? 12 : time.hour() % 12);
            break;
        case 'j':
            out += QStringLiteral("%1").arg(day.dayOfYear(), 3, 10, QLatin1Char('0'));
            break;
        case 'm':
            out += two(day.month());
            break;
        case 'M':
            out += two(time.minute());
            break;
        case 'p':
            out += time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            break;
        case 'S':
            out += two(time.second());
            break;
        case 'w':
            out += QString::number(day.dayOfWeek() % 7);
            break;
        case 'x':
            out += formatCalendarDate(date, QStringLiteral("%m/%d/%y"));
            break;
        case 'X':
            out += formatCalendarDate(date, QStringLiteral("%H:%M:%S"));
            break;
        case 'y':
            out += two(day.year() % 100);
            break;
        case 'Y':
            out += QString::number(day.year());
            break;
        case 'Z':
            out += date.timeZoneAbbreviation();
            break;
        case 'z':
            out += zone;
            break;
        case '%':
            out += u'%';
            break;
        default:
            out += c;
            out += spec;
        }
    }
    return out;
}

} // namespace miscmerge
