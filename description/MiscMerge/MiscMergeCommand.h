#pragma once
// The base of every template command, with the scanning that commands share.
//
// The template makes a command from its command word, adds it to the current block and tells it
// to parse its own text (parseFromScanner); the engine runs it (executeForMerge). The base class
// parses and outputs nothing: it is what a command text beginning with a blank becomes.
//
// The scanning operations read what commands take as arguments:
// - eatKeyWord: a keyword, ignoring case, as a prefix of what follows ("IF", and "field" in
//   "fieldcount");
// - getArgumentString: a quoted argument (backslash escapes only a quote), the rest of the text,
//   or a run of characters up to a blank or one of < > ! = ( ) | &;
// - getCondition: conditions with "or"/"||", "and"/"&&", "!" and parentheses around comparisons
//   with == = eq, != <> >< ne neq, <= =< le, >= => ge, < lt, > gt.
// Their complaints go to the console as lines of the form "ClassName:  Missing key word:  \"if\".";
// parsing always goes on with what was read. One thread at a time.

#include "description/MiscMerge/MiscMergeCondition.h"

#include <QString>
#include <memory>

class MiscMergeEngine;
class MiscMergeScanner;
class MiscMergeTemplate;

class MiscMergeCommand
{
public:
    virtual ~MiscMergeCommand() = default;

    // The class name that console messages name ("_MiscMergeIfCommand").
    virtual QString className() const { return QStringLiteral("MiscMergeCommand"); }

    // Parses the command text with a scanner that skips blanks.
    bool parseFromString(const QString& text, MiscMergeTemplate& mergeTemplate);
    virtual bool parseFromScanner(MiscMergeScanner& scanner, MiscMergeTemplate& mergeTemplate);
    virtual void executeForMerge(MiscMergeEngine& engine) const;

    // One line (and the lines of its blocks) of an outline of the parsed template.
    virtual void appendTree(QString& out, int indent) const;

    bool eatKeyWord(const QString& keyword, MiscMergeScanner& scanner, bool isOptional) const;
    // A null text when there is no argument.
    QString getArgumentString(MiscMergeScanner& scanner, bool toEnd) const;
    MiscMergeCondition::Operator getConditional(MiscMergeScanner& scanner) const;
    std::unique_ptr<MiscMergeCondition> getCondition(MiscMergeScanner& scanner) const;

    void error_conditional(const QString& text) const;
    void error_keyword(const QString& keyword) const;
    void error_closequote() const;
    virtual void error_closeparens() const;

protected:
    static void appendLine(QString& out, int indent, const QString& line);

private:
    QString getQuotedArgumentString(MiscMergeScanner& scanner, bool toEnd) const;
    std::unique_ptr<MiscMergeCondition> parseOrList(MiscMergeScanner& scanner, int depth) const;
    std::unique_ptr<MiscMergeCondition> parseAndList(MiscMergeScanner& scanner, int depth) const;
    std::unique_ptr<MiscMergeCondition> parsePrimary(MiscMergeScanner& scanner, int depth) const;
};
