#pragma once
// The command family: one class per command word, found by MiscMergeTemplate from the word.

#include "description/MiscMerge/MiscMergeCommand.h"
#include "description/MiscMerge/MiscMergeCommandBlock.h"

#include <QDateTime>
#include <QStringList>
#include <memory>

class MiscMergeBlockCommand : public MiscMergeCommand
{
public:
    MiscMergeBlockCommand() : m_commandBlock(std::make_unique<MiscMergeCommandBlock>(this)) {}
    const MiscMergeCommandBlock& commandBlock() const { return *m_commandBlock; }

protected:
    std::unique_ptr<MiscMergeCommandBlock> m_commandBlock;
};

class _MiscMergeCopyCommand : public MiscMergeCommand
{
public:
    _MiscMergeCopyCommand() = default;
    // Literal text of the template: a range of the parsed text, shared rather than copied.
    _MiscMergeCopyCommand(const QString& source, qsizetype from, qsizetype length)
        : m_text(source), m_from(from), m_length(length)
    {}
    QString className() const override { return QStringLiteral("_MiscMergeCopyCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;
    QStringView text() const { return QStringView(m_text).mid(m_from, m_length); }

private:
    QString m_text;
    qsizetype m_from = 0;
    qsizetype m_length = 0;
};

class _MiscMergeFieldCommand : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeFieldCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    QString m_field;
};

class _MiscMergeIfCommand : public MiscMergeCommand
{
public:
    _MiscMergeIfCommand() : m_trueBlock(std::make_unique<MiscMergeCommandBlock>(this)) {}
    QString className() const override { return QStringLiteral("_MiscMergeIfCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

    const MiscMergeCondition* condition() const { return m_condition.get(); }
    void handleElseInTemplate(MiscMergeTemplate& mergeTemplate);
    void handleEndifInTemplate(MiscMergeTemplate& mergeTemplate);
    MiscMergeCommandBlock* elseBlock();

protected:
    bool parseCondition(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate);
    std::unique_ptr<MiscMergeCondition> m_condition;
    std::unique_ptr<MiscMergeCommandBlock> m_trueBlock;
    std::unique_ptr<MiscMergeCommandBlock> m_elseBlock;
};

class _MiscMergeElseifCommand : public _MiscMergeIfCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeElseifCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void appendTree(QString& out, int indent) const override;
};

class _MiscMergeElseCommand : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeElseCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void appendTree(QString& out, int indent) const override;
};

class _MiscMergeEndifCommand : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeEndifCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void appendTree(QString& out, int indent) const override;
};

class _MiscMergeForeachCommand : public MiscMergeBlockCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeForeachCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;
    const QString& loopName() const { return m_loopName; }

private:
    QString m_itemName;
    QString m_arrayField;
    QString m_loopName;
};

class _MiscMergeLoopCommand : public MiscMergeBlockCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeLoopCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;
    const QString& loopName() const { return m_loopName; }

private:
    QString m_indexName;
    QString m_loopName;
    qint64 m_start = 0;
    qint64 m_stop = 0;
    qint64 m_step = 0;
};

class _MiscMergeWhileCommand : public MiscMergeBlockCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeWhileCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    std::unique_ptr<MiscMergeCondition> m_condition;
};

class _MiscMergeProcedureCommand : public MiscMergeBlockCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeProcedureCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;
    const QString& procedureName() const { return m_procedureName; }
    // Runs the body with the argument names bound to `values`.
    void executeForMerge(MiscMergeEngine& engine, const QVariantList& values) const;

private:
    QString m_procedureName;
    QStringList m_argumentNames;
};

// endforeach, endloop, endprocedure and endwhile.
class MiscMergeEndBlockCommand : public MiscMergeCommand
{
public:
    explicit MiscMergeEndBlockCommand(QString word) : m_word(std::move(word)) {}
    QString className() const override;
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void appendTree(QString& out, int indent) const override;

private:
    QString m_word;
    QString m_name;
};

class _MiscMergeCallCommand : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeCallCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    QString m_procedureName;
    QStringList m_arguments;
};

// set (a global value) and identify (a local value).
class MiscMergeAssignCommand : public MiscMergeCommand
{
public:
    explicit MiscMergeAssignCommand(bool global) : m_global(global) {}
    QString className() const override;
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    bool m_global;
    QString m_name;
    QString m_field;
};

class _MiscMergeIndexCommand : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeIndexCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    QString m_arrayField;
    qint64 m_index = 0;
};

class _MiscMergeIncludeCommand : public MiscMergeCommand
{
public:
    _MiscMergeIncludeCommand();
    ~_MiscMergeIncludeCommand() override;
    QString className() const override { return QStringLiteral("_MiscMergeIncludeCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    QString m_path;
    std::unique_ptr<MiscMergeTemplate> m_included;
};

class _MiscMergeDateCommand : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeDateCommand"); }
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    QString m_format;
};

// comment, next and omit: nothing to read.
class MiscMergeWordCommand : public MiscMergeCommand
{
public:
    enum Kind { Comment, Next, Omit };
    explicit MiscMergeWordCommand(Kind kind) : m_kind(kind) {}
    QString className() const override;
    bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate) override;
    void executeForMerge(MiscMergeEngine& engine) const override;
    void appendTree(QString& out, int indent) const override;

private:
    Kind m_kind;
};

namespace miscmerge {

// The command for a command text's first word, capitalized ("endif" and "ENDIF" give "Endif"):
// the command of that name, the base command for an empty word, otherwise a field command.
std::unique_ptr<MiscMergeCommand> commandForWord(const QString& word);
bool isBlockOpening(const MiscMergeCommand& command);

// Calendar formats of the date command: %a %A %b %B %c %d %e %F %H %I %j %m %M %p %S %w %x %X
// %y %Y %Z %z %%, in English.
QString formatCalendarDate(const QDateTime& date, const QString& format);

// The text of a template file: UTF-8 or UTF-16 by their byte-order marks, UTF-8 when it decodes
// as such, Latin-1 otherwise.
QString readTemplateText(const QByteArray& data);

} // namespace miscmerge
