#pragma once
// Conditions of the if, elseif and while commands: a comparison of two fields or the truth of
// one (MiscMergeSimpleCondition), negation, and lists joined by "and" or "or".
//
// A simple condition whose left field is written --NONE-- or --NO-- (any case) is false and
// --ALL-- or --YES-- true, whatever follows. Otherwise both fields are looked up in the engine:
// numbers, and texts that begin with a number, compare as single-precision floats; other values
// by equality, then by their own order (texts, dates) or their text. Without an operator the left
// value is tested: "index <list> <n>" holds when the list has more than n elements; a number holds
// when it is not 0, a text when it is not empty, any other value when it exists.
//
//     auto condition = MiscMergeCondition::conditionWithString(QStringLiteral("price > 9 and !sold"));
//     bool holds = condition->evaluateWithEngine(engine);

#include <QString>
#include <memory>
#include <vector>

class MiscMergeEngine;

class MiscMergeCondition
{
public:
    enum Operator { None = 0, Equal = 1, NotEqual = 2, LessOrEqual = 3, GreaterOrEqual = 4, Less = 5, Greater = 6 };

    virtual ~MiscMergeCondition() = default;
    virtual bool evaluateWithEngine(MiscMergeEngine& engine) const = 0;
    // The condition as text, for the console: "a == b", "( a && b ) || !(c)".
    QString description() const { return descriptionWithGroupParentheses(false); }
    virtual QString descriptionWithGroupParentheses(bool parentheses) const = 0;

    // Parses a condition from plain text with the grammar of the if command.
    static std::unique_ptr<MiscMergeCondition> conditionWithString(const QString& text);
};

class MiscMergeSimpleCondition : public MiscMergeCondition
{
public:
    explicit MiscMergeSimpleCondition(QString leftField, Operator op = None, QString rightField = QString())
        : m_leftField(std::move(leftField)), m_rightField(std::move(rightField)), m_operator(op)
    {}
    const QString& leftField() const { return m_leftField; }
    const QString& rightField() const { return m_rightField; }
    Operator conditionOperator() const { return m_operator; }
    // "==", "!=", "<=", ">=", "<", ">", or a null text without an operator.
    QString operatorString() const;

    bool evaluateWithEngine(MiscMergeEngine& engine) const override;
    QString descriptionWithGroupParentheses(bool parentheses) const override;

private:
    QString m_leftField;
    QString m_rightField;
    Operator m_operator;
};

class MiscMergeNotCondition : public MiscMergeCondition
{
public:
    explicit MiscMergeNotCondition(std::unique_ptr<MiscMergeCondition> condition) : m_condition(std::move(condition)) {}
    const MiscMergeCondition* condition() const { return m_condition.get(); }
    bool evaluateWithEngine(MiscMergeEngine& engine) const override;
    QString descriptionWithGroupParentheses(bool parentheses) const override;

private:
    std::unique_ptr<MiscMergeCondition> m_condition;
};

// And and or lists; an empty list is false.
class MiscMergeListCondition : public MiscMergeCondition
{
public:
    explicit MiscMergeListCondition(std::vector<std::unique_ptr<MiscMergeCondition>> conditions)
        : m_conditions(std::move(conditions))
    {}
    const std::vector<std::unique_ptr<MiscMergeCondition>>& conditions() const { return m_conditions; }
    QString descriptionWithGroupParentheses(bool parentheses) const override;

protected:
    virtual QString joiner() const = 0;
    std::vector<std::unique_ptr<MiscMergeCondition>> m_conditions;
};

class MiscMergeAndCondition : public MiscMergeListCondition
{
public:
    using MiscMergeListCondition::MiscMergeListCondition;
    bool evaluateWithEngine(MiscMergeEngine& engine) const override;

protected:
    QString joiner() const override { return QStringLiteral(" && "); }
};

class MiscMergeOrCondition : public MiscMergeListCondition
{
public:
    using MiscMergeListCondition::MiscMergeListCondition;
    bool evaluateWithEngine(MiscMergeEngine& engine) const override;

protected:
    QString joiner() const override { return QStringLiteral(" || "); }
};
