#pragma once
// Runs a parsed MiscMergeTemplate against a main object and collects the output text.
//
// Fields are looked up in a context stack, from the top down: the dictionaries of the running
// foreach, loop and procedure calls (innermost first), the local values (identify), the main
// object, the engine values and, last, the global values (set), which every engine of the
// process shares for the life of the process. The first object that has the field's first key
// gives the value of the whole key path, even when that value is nil. A field that no object
// has prints its own name. A key path that goes on into an object that lacks the key (a typo
// such as item.titel) yields nil and one console line.
//
//     MiscMergeEngine engine(mergeTemplate);
//     QString text = engine.executeWithObject(mergeObject);   // "" when the template says omit
//
// Runs are bounded: one run makes at most kMaxIterations passes of while, loop and foreach bodies
// and procedure calls together (nested loops multiply), calls nest at most kMaxCallDepth deep and
// blocks kMaxBlockDepth deep, and the output holds at most kMaxOutputLength characters; when a
// bound is hit a console line says so and the run goes on without repeating or without writing
// (a piece of output that does not fit is left out whole, and everything after it), so that a
// downloaded design cannot hang the program or fill its memory. One thread at a time; the global
// values are guarded for the process.

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <vector>

class MiscMergeCommand;
class MiscMergeCommandBlock;
class MiscMergeDriver;
class MiscMergeTemplate;
class _MiscMergeProcedureCommand;

class MiscMergeEngine
{
public:
    static constexpr long kMaxIterations = 100000;
    static constexpr int kMaxCallDepth = 100;
    static constexpr int kMaxBlockDepth = 1000;
    // Far beyond any description (eBay takes half a million characters).
    static constexpr qsizetype kMaxOutputLength = qsizetype(16) << 20;

    MiscMergeEngine();
    explicit MiscMergeEngine(std::shared_ptr<MiscMergeTemplate> mergeTemplate);
    ~MiscMergeEngine();
    MiscMergeEngine(const MiscMergeEngine&) = delete;
    MiscMergeEngine& operator=(const MiscMergeEngine&) = delete;

    const std::shared_ptr<MiscMergeTemplate>& mergeTemplate() const { return m_template; }
    void setTemplate(std::shared_ptr<MiscMergeTemplate> mergeTemplate);

    QVariant mainObject() const { return m_mainObject; }
    void setMainObject(const QVariant& object);

    // Starts a run for a sender (a record driver, or none): clears the abort flag, the output, the
    // local values and the stacks, and builds the context stack with the main object.
    void prepareForExecution(MiscMergeDriver* sender = nullptr);
    // Runs the template; the output, or "" when the run was aborted (omit). The sender is the
    // driver of the run until it ends.
    QString execute(MiscMergeDriver* sender = nullptr);
    QString executeWithObject(const QVariant& object, MiscMergeDriver* sender = nullptr);
    MiscMergeDriver* driver() const { return m_driver; }

    void executeCommand(const MiscMergeCommand& command);
    void executeCommandBlock(const MiscMergeCommandBlock& block);

    // The value of a field (see above): never fails.
    QVariant valueForField(const QString& fieldName);

    // Appends a value's text; nil appends nothing. Nothing is appended once the output is full.
    void appendToOutput(const QVariant& value);
    void appendText(QStringView text);
    const QString& outputString() const { return m_output; }

    void abortMerge() { m_aborted = true; }
    bool isAborted() const { return m_aborted; }
    // Asks the run's driver to move on to its next record and answers that record; nil for a run
    // without driver (the program's own merges). The main object of the run stays as it is.
    QVariant advanceRecord();

    // Context dictionaries pushed by loops and procedure calls; removing takes out every
    // occurrence of that very dictionary.
    using ContextObject = std::shared_ptr<QVariantMap>;
    void addContextObject(const ContextObject& object);
    void removeContextObject(const ContextObject& object);

    // Global values, one map for the process; nil removes the key.
    static QVariantMap globalSymbolsDictionary();
    static void setGlobalValue(const QVariant& value, const QString& key);
    static void removeGlobalValueForKey(const QString& key);
    static QVariant globalValueForKey(const QString& key);

    void setEngineValue(const QVariant& value, const QString& key);
    void removeEngineValueForKey(const QString& key);
    QVariant engineValueForKey(const QString& key) const;

    void setLocalValue(const QVariant& value, const QString& key);
    void removeLocalValueForKey(const QString& key);
    QVariant localValueForKey(const QString& key) const;

    // Procedures defined during runs; they stay for later runs of this engine.
    void setProcedure(const _MiscMergeProcedureCommand& procedure);
    const _MiscMergeProcedureCommand* procedureNamed(const QString& name) const;

    MiscMergeEngine* parentMerge() const { return m_parentMerge; }
    void setParentMerge(MiscMergeEngine* parent) { m_parentMerge = parent; }
    bool keepsDelimiters() const { return m_keepsDelimiters; }
    void setKeepsDelimiters(bool keeps) { m_keepsDelimiters = keeps; }

    // One more pass of a loop body or one more call: false (with one console line per run) when
    // the run has made kMaxIterations of them already.
    bool takeStep(const MiscMergeCommand& command);
    // Procedure call nesting: false (with a console line) when the call would go too deep.
    bool enterCall(const QString& procedureName);
    void leaveCall() { --m_callDepth; }

private:
    struct Context
    {
        enum Kind { Globals, EngineValues, Main, LocalValues, Dictionary } kind;
        ContextObject dictionary;
    };

    std::shared_ptr<MiscMergeTemplate> m_template;
    // Keeps the templates whose procedures this engine remembers.
    std::vector<std::shared_ptr<MiscMergeTemplate>> m_procedureTemplates;
    QHash<QString, const _MiscMergeProcedureCommand*> m_procedures;
    QVariantMap m_engineSymbols;
    QVariantMap m_localSymbols;
    QVariant m_mainObject;
    std::vector<Context> m_contextStack;
    std::vector<const MiscMergeCommandBlock*> m_commandStack;
    QString m_output;
    MiscMergeEngine* m_parentMerge = nullptr;
    MiscMergeDriver* m_driver = nullptr;
    bool m_aborted = false;
    bool m_keepsDelimiters = false;
    bool m_depthReported = false;
    bool m_outputFull = false;
    int m_callDepth = 0;
    long m_steps = 0;
};
