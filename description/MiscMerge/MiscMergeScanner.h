#pragma once
// A scanner over one command's text: a position, and whether the blanks (space, tab, newline,
// carriage return, vertical tab, form feed) are skipped before each scan. Commands read their
// arguments, keywords and conditions with it while a template is parsed.

#include <QChar>
#include <QString>

class MiscMergeScanner
{
public:
    explicit MiscMergeScanner(QString text) : m_text(std::move(text)) {}

    static bool isBlank(QChar c)
    {
        const char16_t u = c.unicode();
        return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\v' || u == '\f';
    }

    const QString& text() const { return m_text; }
    qsizetype location() const { return m_location; }
    void setLocation(qsizetype location) { m_location = location; }
    bool skipsBlanks() const { return m_skipsBlanks; }
    void setSkipsBlanks(bool skips) { m_skipsBlanks = skips; }

    // Moves past the blanks when they are skipped.
    void skipPastSkipCharacters()
    {
        if (!m_skipsBlanks)
            return;
        while (m_location < m_text.size() && isBlank(m_text.at(m_location)))
            ++m_location;
    }
    bool isAtEnd()
    {
        skipPastSkipCharacters();
        return m_location >= m_text.size();
    }
    // The next UTF-16 unit after blanks, 0 at the end.
    QChar peekNextCharacter()
    {
        skipPastSkipCharacters();
        return m_location < m_text.size() ? m_text.at(m_location) : QChar();
    }
    // Takes `c` when it is next after blanks.
    bool scanCharacter(QChar c)
    {
        skipPastSkipCharacters();
        if (m_location < m_text.size() && m_text.at(m_location) == c) {
            ++m_location;
            return true;
        }
        return false;
    }
    QString remainingString() const { return m_text.mid(m_location); }
    void scanToEnd() { m_location = m_text.size(); }

private:
    QString m_text;
    qsizetype m_location = 0;
    bool m_skipsBlanks = true;
};
