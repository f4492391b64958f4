#include "platform/text/RtfCodec.h"

#include "platform/text/RtfCodec_p.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace dw::rtf {

using namespace detail;

namespace {

// The byte of code page 1252 for a UTF-16 unit, or -1.
int toCp1252(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    const auto it = std::find(kCp1252High.begin(), kCp1252High.end(), unit);
    return it == kCp1252High.end() ? -1 : int(0x80 + (it - kCp1252High.begin()));
}

void appendNumber(QByteArray& out, const char* word, qint64 number)
{
    out += word;
    out += QByteArray::number(number);
}

// Appends one UTF-16 unit of body text or of a font name. In body text a line feed ends the
// paragraph the way the platform writes it, a backslash at the end of the line; in a font name
// every control character and ";" is escaped instead, since they would end or split the name.
class TextEscaper
{
public:
    explicit TextEscaper(QByteArray& out) : m_out(out) {}

    // A control word was written; the next plain character needs a delimiting blank.
    void afterControlWord() { m_needsDelimiter = true; }

    void append(char16_t unit, bool inFontName)
    {
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            m_out += '\\';
            m_out += char(unit);
            m_needsDelimiter = false;
        } else if (unit == u'\n' && !inFontName) {
            m_out += "\\\n";
            m_needsDelimiter = false;
        } else if (unit < 0x20 || unit == 0x7F || (inFontName && unit == u';')) {
            appendHexByte(unit);
        } else if (unit < 0x80) {
            if (m_needsDelimiter)
                m_out += ' ';
            m_out += char(unit);
            m_needsDelimiter = false;
        } else if (const int byte = toCp1252(unit); byte >= 0) {
            appendHexByte(byte);
        } else {
            // \uc0 once: no fallback characters follow, and the setting lasts to the end.
            if (!m_unicodeSkipWritten)
                m_out += "\\uc0";
            m_unicodeSkipWritten = true;
            appendNumber(m_out, "\\u", unit);
            m_out += ' ';
            m_needsDelimiter = false;
        }
    }

private:
    void appendHexByte(int byte)
    {
        static const char kHex[] = "0123456789abcdef";
        m_out += "\\'";
        m_out += kHex[(byte >> 4) & 0xF];
        m_out += kHex[byte & 0xF];
        m_needsDelimiter = false;
    }

    QByteArray& m_out;
    bool m_needsDelimiter = false;
    bool m_unicodeSkipWritten = false;
};

int clampedComponent(double value, int scale)
{
    if (!std::isfinite(value))
        return 0;
    return int(std::lround(std::clamp(value, 0.0, 1.0) * scale));
}

// A colour whose components are whole 255ths is stored exactly by the plain colour table.
bool fitsColorTable(const RgbaColor& color)
{
    for (double component : {color.red, color.green, color.blue}) {
        if (clampedComponent(component, 255) / 255.0 != component)
            return false;
    }
    return color.alpha == 1;
}

int halfPointsOf(const TextFont& font)
{
    if (!std::isfinite(font.pointSize) || font.pointSize <= 0)
        return kDefaultHalfPoints;
    return int(std::clamp<double>(std::round(font.pointSize * 2), 1, kMaxHalfPoints));
}

int writtenLineStyle(int style)
{
    return style == kLineStyleNone || style == kLineStyleThick || style == kLineStyleDouble ? style : kLineStyleSingle;
}

const char* alignmentWord(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Left:
        return "\\ql";
    case TextAlignment::Right:
        return "\\qr";
    case TextAlignment::Center:
        return "\\qc";
    case TextAlignment::Justified:
        return "\\qj";
    case TextAlignment::Natural:
        break;
    }
    return "\\pardirnatural";
}

class Writer
{
public:
    explicit Writer(const StyledText& text) : m_text(text), m_escaper(m_out) {}

    QByteArray write()
    {
        collectTables();
        m_out += "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639\n\\cocoatextscaling0\\cocoaplatform0{\\fonttbl";
        for (size_t i = 0; i < m_fontNames.size(); ++i) {
            appendNumber(m_out, "\\f", qint64(i));
            m_out += m_fontNames[i] == QLatin1String("Helvetica") || m_fontNames[i].startsWith(u"Helvetica-")
                         ? "\\fswiss\\fcharset0 "
                         : "\\fnil\\fcharset0 ";
            TextEscaper nameEscaper(m_out);
            for (QChar c : m_fontNames[i])
                nameEscaper.append(c.unicode(), true);
            m_out += ';';
        }
        // Index 0, the automatic colour, is an empty entry in both tables.
        m_out += "}\n{\\colortbl;";
        for (const ColorEntry& entry : m_colors)
            m_out += entry.table + ';';
        m_out += "}\n{\\*\\expandedcolortbl;";
        for (const ColorEntry& entry : m_colors)
            m_out += entry.expanded + ';';
        m_out += "}\n";
        writeBody();
        m_out += '}';
        return m_out;
    }

private:
    static TextFont fontOf(const TextAttributes& attributes)
    {
        return attributes.font.value_or(TextFont::defaultFont());
    }

    // A colour as the two colour tables hold it. Colours that are written alike share an entry.
    struct ColorEntry
    {
        QByteArray table;
        QByteArray expanded;

        QByteArray key() const { return table + '|' + expanded; }
    };

    static ColorEntry colorEntry(const RgbaColor& color)
    {
        ColorEntry entry;
        appendNumber(entry.table, "\\red", clampedComponent(color.red, 255));
        appendNumber(entry.table, "\\green", clampedComponent(color.green, 255));
        appendNumber(entry.table, "\\blue", clampedComponent(color.blue, 255));
        // An empty expanded entry leaves the colour table's value in force.
        if (!fitsColorTable(color)) {
            entry.expanded = "\\csgenericrgb";
            appendNumber(entry.expanded, "\\c", clampedComponent(color.red, kExpandedComponentScale));
            appendNumber(entry.expanded, "\\c", clampedComponent(color.green, kExpandedComponentScale));
            appendNumber(entry.expanded, "\\c", clampedComponent(color.blue, kExpandedComponentScale));
            if (clampedComponent(color.alpha, kExpandedComponentScale) != kExpandedComponentScale)
                appendNumber(entry.expanded, "\\c", clampedComponent(color.alpha, kExpandedComponentScale));
        }
        return entry;
    }

    void collectTables()
    {
        // The platform's writer always lists white first.
        addColor(RgbaColor{1, 1, 1, 1});
        for (const StyledRun& run : m_text.runs()) {
            const QString name = fontOf(run.attributes).fontName();
            if (m_fontIndexes.emplace(name, int(m_fontNames.size())).second)
                m_fontNames.push_back(name);
            if (run.attributes.foregroundColor)
                addColor(*run.attributes.foregroundColor);
        }
    }

    void addColor(const RgbaColor& color)
    {
        ColorEntry entry = colorEntry(color);
        if (m_colorIndexes.emplace(entry.key(), int(m_colors.size()) + 1).second)
            m_colors.push_back(std::move(entry));
    }

    int fontIndex(const TextFont& font) const { return m_fontIndexes.at(font.fontName()); }

    int colorIndex(const std::optional<RgbaColor>& color) const
    {
        return color ? m_colorIndexes.at(colorEntry(*color).key()) : 0;
    }

    void writeBody()
    {
        const QString& string = m_text.text();
        for (const StyledRun& run : m_text.runs()) {
            bool attributesWritten = false;
            for (qsizetype i = run.start; i < run.start + run.length; ++i) {
                if (i == 0 || string[i - 1] == u'\n')
                    startParagraph(run.attributes.alignment.value_or(TextAlignment::Natural), i == 0);
                if (!attributesWritten) {
                    writeCharacterAttributes(run.attributes);
                    attributesWritten = true;
                }
                m_escaper.append(string[i].unicode(), false);
            }
        }
    }

    void startParagraph(TextAlignment alignment, bool first)
    {
        if (!first && alignment == m_alignment)
            return;
        m_out += "\\pard";
        m_out += alignmentWord(alignment);
        m_out += "\\partightenfactor0\n\n";
        m_alignment = alignment;
    }

    void writeCharacterAttributes(const TextAttributes& attributes)
    {
        const TextFont font = fontOf(attributes);
        const qsizetype before = m_out.size();
        if (const int index = fontIndex(font); index != m_font) {
            appendNumber(m_out, "\\f", index);
            m_font = index;
        }
        if (const int halfPoints = halfPointsOf(font); halfPoints != m_halfPoints) {
            appendNumber(m_out, "\\fs", halfPoints);
            m_halfPoints = halfPoints;
        }
        if (font.bold != m_bold) {
            m_out += font.bold ? "\\b" : "\\b0";
            m_bold = font.bold;
        }
        if (font.italic != m_italic) {
            m_out += font.italic ? "\\i" : "\\i0";
            m_italic = font.italic;
        }
        if (const int underline = writtenLineStyle(attributes.underlineStyle); underline != m_underline) {
            m_out += underline == kLineStyleNone     ? "\\ulnone"
                     : underline == kLineStyleThick  ? "\\ulth"
                     : underline == kLineStyleDouble ? "\\uldb"
                                                     : "\\ul";
            m_underline = underline;
        }
        if (const int strike = writtenLineStyle(attributes.strikethroughStyle); strike != m_strike) {
            if (strike == kLineStyleNone)
                m_out += m_strike == kLineStyleDouble ? "\\striked0" : "\\strike0";
            else
                m_out += strike == kLineStyleDouble ? "\\striked1" : "\\strike";
            m_strike = strike;
        }
        if (const int color = colorIndex(attributes.foregroundColor); color != m_color) {
            appendNumber(m_out, "\\cf", color);
            m_color = color;
        }
        if (m_out.size() != before)
            m_escaper.afterControlWord();
    }

    const StyledText& m_text;
    QByteArray m_out;
    TextEscaper m_escaper;
    std::vector<QString> m_fontNames;
    std::map<QString, int> m_fontIndexes;
    std::vector<ColorEntry> m_colors;
    std::map<QByteArray, int> m_colorIndexes;

    TextAlignment m_alignment = TextAlignment::Natural;
    int m_font = -1;
    int m_halfPoints = -1;
    bool m_bold = false;
    bool m_italic = false;
    int m_underline = kLineStyleNone;
    int m_strike = kLineStyleNone;
    int m_color = -1;
};

} // namespace

QByteArray write(const StyledText& text)
{
    return Writer(text).write();
}

} // namespace dw::rtf
