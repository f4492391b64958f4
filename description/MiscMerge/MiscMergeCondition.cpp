#include "description/MiscMerge/MiscMergeCondition.h"

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeValues.h"

#include "platform/core/CocoaNumbers.h"

#include <QStringList>

namespace {

// "index pictures 2": the list named by the middle word has more elements than the last word
// says. A negative count never holds, as the count is read as an unsigned number.
std::optional<bool> indexTest(const QVariant& value, MiscMergeEngine& engine)
{
    if (!miscmerge::isText(value))
        return std::nullopt;
    const QStringList parts = value.toString().split(u' ');
    if (parts.size() != 3 || parts.at(0) != QStringLiteral("index"))
        return std::nullopt;
    const QVariant list = engine.valueForField(parts.at(1));
    if (!miscmerge::isList(list))
        return false;
    const auto count = static_cast<unsigned long>(list.toList().size());
    return count > static_cast<unsigned long>(static_cast<long>(dw::intValue(parts.at(2))));
}

} // namespace

QString MiscMergeSimpleCondition::operatorString() const
{
    switch (m_operator) {
    case Equal:
        return QStringLiteral("==");
    case NotEqual:
        return QStringLiteral("!=");
    case LessOrEqual:
        return QStringLiteral("<=");
    case GreaterOrEqual:
        return QStringLiteral(">=");
    case Less:
        return QStringLiteral("<");
    case Greater:
        return QStringLiteral(">");
    case None:
        break;
    }
    return QString();
}

bool MiscMergeSimpleCondition::evaluateWithEngine(MiscMergeEngine& engine) const
{
    const QString word = m_leftField.toUpper();
    if (word == QStringLiteral("--NONE--") || word == QStringLiteral("--NO--"))
        return false;
    if (word == QStringLiteral("--ALL--") || word == QStringLiteral("--YES--"))
        return true;

    const QVariant left = engine.valueForField(m_leftField);
    if (m_operator != None) {
        const int r = miscmerge::compare(left, engine.valueForField(m_rightField));
        switch (m_operator) {
        case Equal:
            return r == 0;
        case NotEqual:
            return r != 0;
        case LessOrEqual:
            return r != 1;
        case GreaterOrEqual:
            return r != -1;
        case Less:
            return r == -1;
        case Greater:
            return r == 1;
        case None:
            break;
        }
    }
    if (const std::optional<bool> indexed = indexTest(left, engine))
        return *indexed;
    if (miscmerge::isNumeric(left))
        return miscmerge::doubleOf(left) != 0;
    if (miscmerge::isText(left))
        return !left.toString().isEmpty();
    return left.isValid() && !m_leftField.isEmpty();
}

QString MiscMergeSimpleCondition::descriptionWithGroupParentheses(bool) const
{
    const QString left = miscmerge::quotedText(m_leftField);
    if (m_operator == None)
        return left;
    const QString op = m_operator <= Greater ? operatorString() : QStringLiteral("<unknownop>");
    return left + u' ' + op + u' ' + miscmerge::quotedText(m_rightField);
}

bool MiscMergeNotCondition::evaluateWithEngine(MiscMergeEngine& engine) const
{
    return !(m_condition && m_condition->evaluateWithEngine(engine));
}

QString MiscMergeNotCondition::descriptionWithGroupParentheses(bool) const
{
    return QStringLiteral("!(") + (m_condition ? m_condition->description() : QString()) + u')';
}

QString MiscMergeListCondition::descriptionWithGroupParentheses(bool parentheses) const
{
    QStringList parts;
    for (const auto& condition : m_conditions)
        parts << condition->descriptionWithGroupParentheses(true);
    const QString joined = parts.join(joiner());
    return parentheses ? QStringLiteral("( ") + joined + QStringLiteral(" )") : joined;
}

bool MiscMergeAndCondition::evaluateWithEngine(MiscMergeEngine& engine) const
{
    if (m_conditions.empty())
        return false;
    for (const auto& condition : m_conditions)
        if (!condition->evaluateWithEngine(engine))
            return false;
    return true;
}

bool MiscMergeOrCondition::evaluateWithEngine(MiscMergeEngine& engine) const
{
    for (const auto& condition : m_conditions)
        if (condition->evaluateWithEngine(engine))
            return true;
    return false;
}
