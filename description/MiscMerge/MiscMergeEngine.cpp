#include "description/MiscMerge/MiscMergeEngine.h"

#include "description/MiscMerge/MiscMergeCommand.h"
#include "description/MiscMerge/MiscMergeCommandBlock.h"
#include "description/MiscMerge/MiscMergeCommands_p.h"
#include "description/MiscMerge/MiscMergeDriver.h"
#include "description/MiscMerge/MiscMergeTemplate.h"
#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"

#include <algorithm>
#include <mutex>

namespace {

// Values set by one merge are seen by every later merge of the process, parse-time pruning
// included: stored designs set values in one pass and read them in the next.
struct GlobalSymbols
{
    std::mutex mutex;
    QVariantMap map;
};

GlobalSymbols& globals()
{
    static GlobalSymbols symbols;
    return symbols;
}

QString procedureKey(const QString& name)
{
    return QStringLiteral("_MiscMergeProcedure") + name;
}

} // namespace

MiscMergeEngine::MiscMergeEngine() = default;

MiscMergeEngine::MiscMergeEngine(std::shared_ptr<MiscMergeTemplate> mergeTemplate)
    : m_template(std::move(mergeTemplate))
{}

MiscMergeEngine::~MiscMergeEngine() = default;

void MiscMergeEngine::setTemplate(std::shared_ptr<MiscMergeTemplate> mergeTemplate)
{
    m_template = std::move(mergeTemplate);
}

void MiscMergeEngine::setMainObject(const QVariant& object)
{
    m_mainObject = object;
}

void MiscMergeEngine::prepareForExecution(MiscMergeDriver* sender)
{
    m_driver = sender;
    m_aborted = false;
    m_output = QString();
    m_localSymbols.clear();
    m_commandStack.clear();
    m_contextStack.clear();
    m_depthReported = false;
    m_outputFull = false;
    m_callDepth = 0;
    m_steps = 0;
    m_contextStack.push_back({Context::Globals, nullptr});
    m_contextStack.push_back({Context::EngineValues, nullptr});
    if (m_mainObject.isValid())
        m_contextStack.push_back({Context::Main, nullptr});
    m_contextStack.push_back({Context::LocalValues, nullptr});
}

QString MiscMergeEngine::execute(MiscMergeDriver* sender)
{
    prepareForExecution(sender);
    if (m_template)
        executeCommandBlock(*m_template->topLevelCommandBlock());
    m_driver = nullptr;
    return m_aborted ? QStringLiteral("") : m_output;
}

QString MiscMergeEngine::executeWithObject(const QVariant& object, MiscMergeDriver* sender)
{
    setMainObject(object);
    return execute(sender);
}

QVariant MiscMergeEngine::advanceRecord()
{
    return m_driver ? m_driver->advanceRecord() : QVariant();
}

void MiscMergeEngine::executeCommand(const MiscMergeCommand& command)
{
    command.executeForMerge(*this);
}

void MiscMergeEngine::executeCommandBlock(const MiscMergeCommandBlock& block)
{
    if (m_commandStack.size() >= size_t(kMaxBlockDepth)) {
        if (!m_depthReported)
            dw::consoleWrite(dw::format("MiscMergeEngine: Blocks nested more than %d deep; the inner ones are skipped.",
                                        kMaxBlockDepth));
        m_depthReported = true;
        return;
    }
    m_commandStack.push_back(&block);
    // As many commands as the block held when it started.
    const auto& commands = block.commandArray();
    const size_t count = commands.size();
    for (size_t i = 0; i < count && i < commands.size(); ++i)
        commands[i]->executeForMerge(*this);
    m_commandStack.pop_back();
}

QVariant MiscMergeEngine::valueForField(const QString& fieldName)
{
    const qsizetype dot = fieldName.indexOf(u'.');
    const QString firstKey = dot < 0 ? fieldName : fieldName.left(dot);
    const QString rest = dot < 0 ? QString() : fieldName.mid(dot + 1);
    QString unknownKey;
    auto answer = [&](const QVariant& first) {
        if (dot < 0)
            return first;
        const QVariant value = miscmerge::valueForKeyPath(first, rest, &unknownKey);
        if (!unknownKey.isNull())
            dw::consoleWrite(dw::format("MiscMergeEngine: Unknown key \"%@\" in field \"%@\"; it has no value.",
                                        unknownKey, fieldName));
        return value;
    };
    if (!firstKey.isEmpty()) {
        for (auto it = m_contextStack.rbegin(); it != m_contextStack.rend(); ++it) {
            switch (it->kind) {
            case Context::Globals: {
                QVariant value;
                {
                    GlobalSymbols& g = globals();
                    std::lock_guard lock(g.mutex);
                    const auto found = g.map.constFind(firstKey);
                    if (found == g.map.constEnd())
                        break;
                    value = found.value();
                }
                return answer(value);
            }
            case Context::EngineValues:
                if (m_engineSymbols.contains(firstKey))
                    return answer(m_engineSymbols.value(firstKey));
                break;
            case Context::LocalValues:
                if (m_localSymbols.contains(firstKey))
                    return answer(m_localSymbols.value(firstKey));
                break;
            case Context::Dictionary:
                if (it->dictionary->contains(firstKey))
                    return answer(it->dictionary->value(firstKey));
                break;
            case Context::Main:
                if (miscmerge::hasKey(m_mainObject, firstKey))
                    return answer(miscmerge::valueForKeyPath(m_mainObject, firstKey, &unknownKey));
                break;
            }
        }
    }
    if (m_parentMerge)
        return m_parentMerge->valueForField(fieldName);
    if (m_keepsDelimiters) {
        const QString start = m_template ? m_template->startDelimiter() : MiscMergeTemplate::defaultStartDelimiter();
        const QString end = m_template ? m_template->endDelimiter() : MiscMergeTemplate::defaultEndDelimiter();
        return QString(start + fieldName + end);
    }
    return fieldName;
}

void MiscMergeEngine::appendToOutput(const QVariant& value)
{
    if (!value.isValid() || m_outputFull)
        return;
    if (value.typeId() == QMetaType::QString)
        appendText(value.toString());
    else
        appendText(miscmerge::textOf(value));
}

void MiscMergeEngine::appendText(QStringView text)
{
    if (m_outputFull)
        return;
    if (text.size() > kMaxOutputLength - m_output.size()) {
        dw::consoleWrite(dw::format("MiscMergeEngine: Stopped writing after %ld characters in one merge; the rest "
                                    "of the output is left out.",
                                    long(m_output.size())));
        m_outputFull = true;
        return;
    }
    // Grown by half again, exactly: growing by powers of two made an output of 9 million
    // characters a block of 32 MB, which the allocator maps afresh for every run (a page fault per
    // 4 KB), so large merges took far longer per character than small ones.
    const qsizetype needed = m_output.size() + text.size();
    if (needed > m_output.capacity())
        m_output.reserve(std::max(needed, m_output.capacity() + m_output.capacity() / 2));
    m_output += text;
}

void MiscMergeEngine::addContextObject(const ContextObject& object)
{
    if (object)
        m_contextStack.push_back({Context::Dictionary, object});
}

void MiscMergeEngine::removeContextObject(const ContextObject& object)
{
    if (!object)
        return;
    std::erase_if(m_contextStack,
                  [&](const Context& c) { return c.kind == Context::Dictionary && c.dictionary == object; });
}

QVariantMap MiscMergeEngine::globalSymbolsDictionary()
{
    std::lock_guard lock(globals().mutex);
    return globals().map;
}

void MiscMergeEngine::setGlobalValue(const QVariant& value, const QString& key)
{
    std::lock_guard lock(globals().mutex);
    if (value.isValid())
        globals().map.insert(key, value);
    else
        globals().map.remove(key);
}

void MiscMergeEngine::removeGlobalValueForKey(const QString& key)
{
    setGlobalValue(QVariant(), key);
}

QVariant MiscMergeEngine::globalValueForKey(const QString& key)
{
    std::lock_guard lock(globals().mutex);
    return globals().map.value(key);
}

void MiscMergeEngine::setEngineValue(const QVariant& value, const QString& key)
{
    if (value.isValid())
        m_engineSymbols.insert(key, value);
    else
        m_engineSymbols.remove(key);
}

void MiscMergeEngine::removeEngineValueForKey(const QString& key)
{
    m_engineSymbols.remove(key);
}

QVariant MiscMergeEngine::engineValueForKey(const QString& key) const
{
    return m_engineSymbols.value(key);
}

void MiscMergeEngine::setLocalValue(const QVariant& value, const QString& key)
{
    if (value.isValid())
        m_localSymbols.insert(key, value);
    else
        m_localSymbols.remove(key);
}

void MiscMergeEngine::removeLocalValueForKey(const QString& key)
{
    m_localSymbols.remove(key);
}

QVariant MiscMergeEngine::localValueForKey(const QString& key) const
{
    return m_localSymbols.value(key);
}

void MiscMergeEngine::setProcedure(const _MiscMergeProcedureCommand& procedure)
{
    if (m_template &&
        std::find(m_procedureTemplates.begin(), m_procedureTemplates.end(), m_template) == m_procedureTemplates.end())
        m_procedureTemplates.push_back(m_template);
    m_procedures.insert(procedureKey(procedure.procedureName()), &procedure);
}

const _MiscMergeProcedureCommand* MiscMergeEngine::procedureNamed(const QString& name) const
{
    return m_procedures.value(procedureKey(name));
}

bool MiscMergeEngine::takeStep(const MiscMergeCommand& command)
{
    if (m_steps == kMaxIterations) {
        dw::consoleWrite(dw::format("%@: Stopped repeating after %ld loop passes and procedure calls in one merge.",
                                    command.className(), kMaxIterations));
        ++m_steps;
    }
    if (m_steps > kMaxIterations)
        return false;
    ++m_steps;
    return true;
}

bool MiscMergeEngine::enterCall(const QString& procedureName)
{
    if (m_callDepth >= kMaxCallDepth) {
        dw::consoleWrite(dw::format("MiscMergeEngine: Procedure %@ called more than %d deep; the call is skipped.",
                                    procedureName, kMaxCallDepth));
        return false;
    }
    ++m_callDepth;
    return true;
}
