#include "description/MiscMerge/MiscMergeCommand.h"

#include "description/MiscMerge/MiscMergeCommandBlock.h"
#include "description/MiscMerge/MiscMergeScanner.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"

#include <QHash>

namespace {

// Parentheses and "!" nest by recursion; a downloaded design must not be able to exhaust the
// stack with a long run of them.
constexpr int kMaxConditionDepth = 100;

bool isArgumentStop(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '\v':
    case '\f':
    case '<':
    case '>':
    case '!':
    case '=':
    case '(':
    case ')':
    case '|':
    case '&':
        return true;
    default:
        return false;
    }
}

bool isOperatorCharacter(QChar c)
{
    return QStringView(u"=!<>ltgenq").contains(c);
}

} // namespace

MiscMergeCommandBlock::MiscMergeCommandBlock(MiscMergeCommand* owner) : m_owner(owner) {}

MiscMergeCommandBlock::~MiscMergeCommandBlock() = default;

void MiscMergeCommandBlock::addCommand(std::unique_ptr<MiscMergeCommand> command)
{
    m_commands.push_back(std::move(command));
}

std::unique_ptr<MiscMergeCommand> MiscMergeCommandBlock::removeCommand(const MiscMergeCommand* command)
{
    for (auto it = m_commands.begin(); it != m_commands.end(); ++it) {
        if (it->get() == command) {
            std::unique_ptr<MiscMergeCommand> taken = std::move(*it);
            m_commands.erase(it);
            return taken;
        }
    }
    return nullptr;
}

void MiscMergeCommandBlock::appendTree(QString& out, int indent) const
{
    for (const auto& command : m_commands)
        command->appendTree(out, indent);
}

bool MiscMergeCommand::parseFromString(const QString& text, MiscMergeTemplate& mergeTemplate)
{
    MiscMergeScanner scanner(text);
    return parseFromScanner(scanner, mergeTemplate);
}

bool MiscMergeCommand::parseFromScanner(MiscMergeScanner&, MiscMergeTemplate&)
{
    return false;
}

void MiscMergeCommand::executeForMerge(MiscMergeEngine&) const {}

void MiscMergeCommand::appendLine(QString& out, int indent, const QString& line)
{
    out += QString(indent * 2, u' ') + line + u'\n';
}

void MiscMergeCommand::appendTree(QString& out, int indent) const
{
    appendLine(out, indent, QStringLiteral("nothing"));
}

bool MiscMergeCommand::eatKeyWord(const QString& keyword, MiscMergeScanner& scanner, bool isOptional) const
{
    scanner.skipPastSkipCharacters();
    const QStringView rest = QStringView(scanner.text()).mid(scanner.location());
    if (rest.startsWith(keyword, Qt::CaseInsensitive)) {
        scanner.setLocation(scanner.location() + keyword.size());
        return true;
    }
    if (!isOptional)
        error_keyword(keyword);
    return false;
}

QString MiscMergeCommand::getArgumentString(MiscMergeScanner& scanner, bool toEnd) const
{
    if (scanner.isAtEnd())
        return QString();
    if (scanner.peekNextCharacter() == u'"')
        return getQuotedArgumentString(scanner, toEnd);
    const QString& text = scanner.text();
    const qsizetype start = scanner.location();
    if (toEnd) {
        scanner.scanToEnd();
        return text.mid(start);
    }
    qsizetype end = start;
    while (end < text.size() && !isArgumentStop(text.at(end)))
        ++end;
    scanner.setLocation(end);
    return end > start ? text.mid(start, end - start) : QString();
}

QString MiscMergeCommand::getQuotedArgumentString(MiscMergeScanner& scanner, bool toEnd) const
{
    const bool skipped = scanner.skipsBlanks();
    scanner.setSkipsBlanks(false);
    const QString& text = scanner.text();
    qsizetype i = scanner.location() + 1;
    QString argument = QStringLiteral("");
    bool closed = false;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            if (text.at(i + 1) != u'"')
                argument += c;
            argument += text.at(i + 1);
            i += 2;
        } else if (c == u'"') {
            ++i;
            closed = true;
            break;
        } else {
            argument += c;
            ++i;
        }
    }
    scanner.setLocation(i);
    if (!closed) {
        error_closequote();
    } else if (toEnd) {
        const QString rest = scanner.remainingString();
        bool onlyBlanks = true;
        for (const QChar c : rest)
            onlyBlanks = onlyBlanks && MiscMergeScanner::isBlank(c);
        if (!onlyBlanks) {
            error_closequote();
            argument += rest;
        }
        scanner.scanToEnd();
    }
    scanner.setSkipsBlanks(skipped);
    return argument;
}

MiscMergeCondition::Operator MiscMergeCommand::getConditional(MiscMergeScanner& scanner) const
{
    scanner.skipPastSkipCharacters();
    const QString& text = scanner.text();
    const qsizetype start = scanner.location();
    qsizetype end = start;
    while (end < text.size() && isOperatorCharacter(text.at(end)))
        ++end;
    scanner.setLocation(end);
    if (end == start)
        return MiscMergeCondition::None;
    const QString run = text.mid(start, end - start);
    static const QHash<QString, MiscMergeCondition::Operator> operators = {
        {QStringLiteral("=="), MiscMergeCondition::Equal},
        {QStringLiteral("="), MiscMergeCondition::Equal},
        {QStringLiteral("eq"), MiscMergeCondition::Equal},
        {QStringLiteral("<>"), MiscMergeCondition::NotEqual},
        {QStringLiteral("><"), MiscMergeCondition::NotEqual},
        {QStringLiteral("!="), MiscMergeCondition::NotEqual},
        {QStringLiteral("ne"), MiscMergeCondition::NotEqual},
        {QStringLiteral("neq"), MiscMergeCondition::NotEqual},
        {QStringLiteral("<="), MiscMergeCondition::LessOrEqual},
        {QStringLiteral("=<"), MiscMergeCondition::LessOrEqual},
        {QStringLiteral("le"), MiscMergeCondition::LessOrEqual},
        {QStringLiteral(">="), MiscMergeCondition::GreaterOrEqual},
        {QStringLiteral("=>"), MiscMergeCondition::GreaterOrEqual},
        {QStringLiteral("ge"), MiscMergeCondition::GreaterOrEqual},
        {QStringLiteral("<"), MiscMergeCondition::Less},
        {QStringLiteral("lt"), MiscMergeCondition::Less},
        {QStringLiteral(">"), MiscMergeCondition::Greater},
        {QStringLiteral("gt"), MiscMergeCondition::Greater},
    };
    const auto it = operators.constFind(run);
    if (it == operators.constEnd()) {
        error_conditional(run);
        return MiscMergeCondition::None;
    }
    return *it;
}

std::unique_ptr<MiscMergeCondition> MiscMergeCommand::getCondition(MiscMergeScanner& scanner) const
{
    return parseOrList(scanner, 0);
}

std::unique_ptr<MiscMergeCondition> MiscMergeCommand::parseOrList(MiscMergeScanner& scanner, int depth) const
{
    std::vector<std::unique_ptr<MiscMergeCondition>> list;
    list.push_back(parseAndList(scanner, depth));
    while (eatKeyWord(QStringLiteral("or"), scanner, true) || eatKeyWord(QStringLiteral("||"), scanner, true))
        list.push_back(parseAndList(scanner, depth));
    if (list.size() == 1)
        return std::move(list.front());
    return std::make_unique<MiscMergeOrCondition>(std::move(list));
}

std::unique_ptr<MiscMergeCondition> MiscMergeCommand::parseAndList(MiscMergeScanner& scanner, int depth) const
{
    std::vector<std::unique_ptr<MiscMergeCondition>> list;
    list.push_back(parsePrimary(scanner, depth));
    while (eatKeyWord(QStringLiteral("and"), scanner, true) || eatKeyWord(QStringLiteral("&&"), scanner, true))
        list.push_back(parsePrimary(scanner, depth));
    if (list.size() == 1)
        return std::move(list.front());
    return std::make_unique<MiscMergeAndCondition>(std::move(list));
}

std::unique_ptr<MiscMergeCondition> MiscMergeCommand::parsePrimary(MiscMergeScanner& scanner, int depth) const
{
    if (depth > kMaxConditionDepth) {
        dw::consoleWrite(dw::format("%@:  Condition nested too deeply; the rest is ignored.", className()));
        scanner.scanToEnd();
        return std::make_unique<MiscMergeSimpleCondition>(QString());
    }
    if (scanner.scanCharacter(u'(')) {
        std::unique_ptr<MiscMergeCondition> inner = parseOrList(scanner, depth + 1);
        if (!scanner.scanCharacter(u')'))
            error_closeparens();
        return inner;
    }
    if (scanner.scanCharacter(u'!'))
        return std::make_unique<MiscMergeNotCondition>(parsePrimary(scanner, depth + 1));
    QString left = getArgumentString(scanner, false);
    const MiscMergeCondition::Operator op = getConditional(scanner);
    if (op == MiscMergeCondition::None)
        return std::make_unique<MiscMergeSimpleCondition>(std::move(left));
    QString right = getArgumentString(scanner, false);
    return std::make_unique<MiscMergeSimpleCondition>(std::move(left), op, std::move(right));
}

void MiscMergeCommand::error_conditional(const QString& text) const
{
    dw::consoleWrite(dw::format("%@:  Unrecognized conditional:  \"%@\".", className(), text));
}

void MiscMergeCommand::error_keyword(const QString& keyword) const
{
    dw::consoleWrite(dw::format("%@:  Missing key word:  \"%@\".", className(), keyword));
}

void MiscMergeCommand::error_closequote() const
{
    dw::consoleWrite(dw::format("%@:  Closing quote missing or spurious extra argument added.", className()));
}

void MiscMergeCommand::error_closeparens() const
{
    dw::consoleWrite(dw::format("%@:  Closing parenthesis missing.", className()));
}

namespace {

// Parses conditions given as plain text.
class ConditionParser : public MiscMergeCommand
{
public:
    QString className() const override { return QStringLiteral("_MiscMergeConditionParser"); }
    void error_closeparens() const override { dw::consoleWrite(QStringLiteral("Error closeParens")); }
};

} // namespace

std::unique_ptr<MiscMergeCondition> MiscMergeCondition::conditionWithString(const QString& text)
{
    MiscMergeScanner scanner(text);
    return ConditionParser().getCondition(scanner);
}
