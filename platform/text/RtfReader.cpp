#include "platform/text/RtfCodec.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/text/RtfCodec_p.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <iconv.h>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dw::rtf {

using namespace detail;

namespace {

// ---------------------------------------------------------------------------------------------
// Code pages

constexpr int kCodePage1252 = 1252;
constexpr int kCodePageMacRoman = 10000;

QChar fromCp1252(uchar byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar::fromLatin1(char(byte));
}

// The code page of a font table's \fcharset; -1 for "the document's".
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: // ANSI
    case 2: // symbol fonts: their bytes are read as Latin text, as the platform does
        return kCodePage1252;
    case 77:
        return kCodePageMacRoman;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return -1;
    }
}

// Turns runs of bytes into text. Code page 1252 is decoded here; the others, mostly multi-byte
// Asian code pages of fonts with such a \fcharset, through iconv. Bytes that a code page does not
// hold become U+FFFD; a code page iconv does not know is read as 1252.
class ByteDecoder
{
public:
    ByteDecoder() = default;
    ByteDecoder(const ByteDecoder&) = delete;
    ByteDecoder& operator=(const ByteDecoder&) = delete;
    ~ByteDecoder()
    {
        for (const auto& [codePage, converter] : m_converters) {
            if (converter != invalid())
                iconv_close(converter);
        }
    }

    QString decode(const QByteArray& bytes, int codePage)
    {
        const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
        iconv_t converter = ascii ? invalid() : converterFor(codePage);
        if (converter == invalid()) {
            QString text;
            text.reserve(bytes.size());
            for (char c : bytes)
                text.append(fromCp1252(uchar(c)));
            return text;
        }
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        QByteArray input = bytes;
        char* in = input.data();
        size_t inLeft = size_t(input.size());
        std::u16string out;
        std::array<char16_t, 256> buffer;
        while (inLeft > 0) {
            char* outPtr = reinterpret_cast<char*>(buffer.data());
            size_t outLeft = sizeof(buffer);
            const size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
            const size_t produced = (sizeof(buffer) - outLeft) / sizeof(char16_t);
            for (size_t i = 0; i < produced; ++i)
                out.push_back(qFromLittleEndian(buffer[i]));
            if (result == size_t(-1) && errno != E2BIG) {
                // An invalid or cut-off sequence: one replacement character per bad byte.
                out.push_back(u'\uFFFD');
                ++in;
                --inLeft;
                iconv(converter, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return QString::fromStdU16String(out);
    }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

    iconv_t converterFor(int codePage)
    {
        if (codePage == kCodePage1252 || codePage <= 0)
            return invalid();
        const auto found = m_converters.find(codePage);
        if (found != m_converters.end())
            return found->second;
        const std::string name =
            codePage == kCodePageMacRoman ? std::string("MACINTOSH") : "CP" + std::to_string(codePage);
        iconv_t converter = iconv_open("UTF-16LE", name.c_str());
        m_converters.emplace(codePage, converter);
        return converter;
    }

    std::map<int, iconv_t> m_converters;
};

// ---------------------------------------------------------------------------------------------
// Reading
// Control words are at most 32 letters; parameters at most 10 digits.
constexpr int kMaxWordLength = 32;
constexpr int kMaxParameterDigits = 10;

enum class Destination { Text, FontTable, ColorTable, ExpandedColorTable, Skip };

struct GroupState
{
    Destination destination = Destination::Text;
    int font = -1; // -1: the document's default font
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    int underline = kLineStyleNone;
    int strikethrough = kLineStyleNone;
    int color = 0;
    TextAlignment alignment = TextAlignment::Natural;
    int unicodeSkip = 1;
};

struct FontEntry
{
    TextFont face;
    int codePage = -1;
};

// Destinations whose contents are not text of the document.
bool isSkippedDestination(const QByteArray& word)
{
    static const std::array<const char*, 30> kSkipped = {
        "stylesheet",        "info",      "pict",        "object",    "header",   "headerl",   "headerr",
        "headerf",           "footer",    "footerl",     "footerr",   "footerf",  "footnote",  "listtable",
        "listoverridetable", "revtbl",    "rsidtbl",     "generator", "xmlnstbl", "themedata", "colorschememapping",
        "latentstyles",      "datastore", "NeXTGraphic", "fldinst",   "filetbl",  "pgdsctbl",  "mmathPr",
        "bkmkstart",         "bkmkend",
    };
    return std::any_of(kSkipped.begin(), kSkipped.end(), [&](const char* name) { return word == name; });
}

// Collects the text of the paragraph being read: a paragraph's alignment is the one in force at
// its end, so runs get their alignment only when the paragraph closes.
class TextBuilder
{
public:
    void add(const QString& text, const TextAttributes& attributes)
    {
        if (text.isEmpty())
            return;
        if (!m_pieces.empty() && m_pieces.back().second == attributes)
            m_pieces.back().first += text;
        else
            m_pieces.emplace_back(text, attributes);
    }

    void closeParagraph(TextAlignment alignment)
    {
        for (auto& [text, attributes] : m_pieces) {
            attributes.alignment = alignment;
            m_result.append(text, attributes);
        }
        m_pieces.clear();
    }

    StyledText take() { return std::move(m_result); }

private:
    std::vector<std::pair<QString, TextAttributes>> m_pieces;
    StyledText m_result;
};

class Reader
{
public:
    explicit Reader(const QByteArray& data) : m_data(data) {}

    StyledText read(qsizetype start)
    {
        m_pos = start;
        while (m_pos < m_data.size() && !m_done) {
            const char c = m_data[m_pos];
            if (c == '{') {
                ++m_pos;
                openGroup();
            } else if (c == '}') {
                ++m_pos;
                closeGroup();
            } else if (c == '\\') {
                ++m_pos;
                readControl();
            } else {
                ++m_pos;
                if (c != '\r' && c != '\n')
                    textByte(uchar(c));
            }
        }
        if (!m_closed) {
            flushBytes();
            m_builder.closeParagraph(m_state.alignment);
        }
        return m_builder.take();
    }

private:
    void openGroup()
    {
        flushBytes();
        m_fallbackToSkip = 0;
        if (m_stack.size() >= size_t(kMaxGroupDepth)) {
            m_done = true;
            return;
        }
        m_stack.push_back(m_state);
    }

    void closeGroup()
    {
        flushBytes();
        m_fallbackToSkip = 0;
        m_ignorableNext = false;
        if (m_state.destination == Destination::FontTable)
            commitFont();
        else if (m_state.destination == Destination::ColorTable ||
                 m_state.destination == Destination::ExpandedColorTable)
            commitColorIfStarted();
        if (m_stack.size() <= 1) {
            // The document's own group ends: what follows it is not part of the document.
            m_builder.closeParagraph(m_state.alignment);
            m_closed = true;
            m_done = true;
            return;
        }
        m_state = m_stack.back();
        m_stack.pop_back();
    }

    void readControl()
    {
        if (m_pos >= m_data.size()) {
            m_done = true;
            return;
        }
        const char c = m_data[m_pos];
        if (isLetter(c)) {
            QByteArray word;
            while (m_pos < m_data.size() && isLetter(m_data[m_pos])) {
                if (word.size() <= kMaxWordLength)
                    word.append(m_data[m_pos]);
                ++m_pos;
            }
            std::optional<int> parameter = readParameter();
            if (m_pos < m_data.size() && m_data[m_pos] == ' ')
                ++m_pos;
            controlWord(word, parameter);
        } else {
            ++m_pos;
            controlSymbol(c);
        }
    }

    std::optional<int> readParameter()
    {
        bool negative = false;
        if (m_pos + 1 < m_data.size() && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        if (m_pos >= m_data.size() || !isDigit(m_data[m_pos]))
            return std::nullopt;
        qint64 value = 0;
        int digits = 0;
        while (m_pos < m_data.size() && isDigit(m_data[m_pos])) {
            if (digits++ < kMaxParameterDigits)
                value = value * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        value = negative ? -value : value;
        return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }

    void controlSymbol(char c)
    {
        if (c != '*')
            m_ignorableNext = false;
        if (c == '\'') {
            const int byte = readHexByte();
            if (byte < 0)
                return; // not an escape after all; what follows reads as it stands
            if (consumeFallback())
                return;
            pendingByte(uchar(byte));
            return;
        }
        if (c == '\\' || c == '{' || c == '}') {
            if (!consumeFallback())
                pendingByte(uchar(c));
            return;
        }
        if (consumeFallback())
            return;
        switch (c) {
        case '*':
            flushBytes();
            m_ignorableNext = true;
            break;
        case '\n':
        case '\r':
            paragraph();
            break;
        case '~':
            character(u'\u00A0');
            break;
        case '-':
            character(u'\u00AD');
            break;
        case '_':
            character(u'\u2011');
            break;
        default:
            break;
        }
    }

    int readHexByte()
    {
        if (m_pos + 1 >= m_data.size())
            return -1;
        const int high = hexDigitValue(static_cast<unsigned char>(m_data[m_pos]));
        const int low = hexDigitValue(static_cast<unsigned char>(m_data[m_pos + 1]));
        if (high < 0 || low < 0)
            return -1;
        m_pos += 2;
        return high * 16 + low;
    }

    void controlWord(const QByteArray& word, std::optional<int> parameter)
    {
        flushBytes();
        const bool ignorable = std::exchange(m_ignorableNext, false);
        if (word == "bin") {
            // Raw bytes follow; they may hold braces and backslashes.
            const qint64 count = std::max(0, parameter.value_or(0));
            m_pos += qsizetype(std::min<qint64>(count, m_data.size() - m_pos));
            consumeFallback();
            return;
        }
        if (m_state.destination == Destination::Skip)
            return;
        if (consumeFallback())
            return;

        const int value = parameter.value_or(1);
        if (word == "uc") {
            m_state.unicodeSkip = std::max(0, value);
        } else if (word == "u") {
            unicode(parameter);
        } else if (word == "fonttbl") {
            m_state.destination = Destination::FontTable;
        } else if (word == "colortbl") {
            m_state.destination = Destination::ColorTable;
            m_colors.clear();
            m_colorParts = {};
        } else if (word == "expandedcolortbl") {
            m_state.destination = Destination::ExpandedColorTable;
            m_expandedColors.clear();
            m_colorParts = {};
        } else if (ignorable || isSkippedDestination(word)) {
            m_state.destination = Destination::Skip;
        } else if (m_state.destination == Destination::FontTable) {
            fontTableWord(word, parameter);
        } else if (m_state.destination == Destination::ColorTable ||
                   m_state.destination == Destination::ExpandedColorTable) {
            colorTableWord(word, parameter);
        } else if (word == "ansi") {
            m_documentCodePage = kCodePage1252;
        } else if (word == "mac") {
            m_documentCodePage = kCodePageMacRoman;
        } else if (word == "pc") {
            m_documentCodePage = 437;
        } else if (word == "pca") {
            m_documentCodePage = 850;
        } else if (word == "ansicpg") {
            if (value > 0)
                m_documentCodePage = value;
        } else if (word == "deff") {
            m_defaultFont = value;
        } else if (word == "f") {
            m_state.font = value;
        } else if (word == "fs") {
            if (value > 0)
                m_state.halfPoints = std::min(value, kMaxHalfPoints);
        } else if (word == "b") {
            m_state.bold = value != 0;
        } else if (word == "i") {
            m_state.italic = value != 0;
        } else if (word == "ul") {
            m_state.underline = value != 0 ? kLineStyleSingle : kLineStyleNone;
        } else if (word == "ulnone") {
            m_state.underline = kLineStyleNone;
        } else if (word == "uldb") {
            m_state.underline = kLineStyleDouble;
        } else if (word == "ulth") {
            m_state.underline = kLineStyleThick;
        } else if (word == "ulw" || word == "uld" || word == "uldash" || word == "ulwave") {
            m_state.underline = kLineStyleSingle;
        } else if (word == "strike") {
            m_state.strikethrough = value != 0 ? kLineStyleSingle : kLineStyleNone;
        } else if (word == "striked") {
            m_state.strikethrough = value != 0 ? kLineStyleDouble : kLineStyleNone;
        } else if (word == "cf") {
            m_state.color = value;
        } else if (word == "plain") {
            const GroupState reset;
            m_state.font = reset.font;
            m_state.halfPoints = reset.halfPoints;
            m_state.bold = m_state.italic = false;
            m_state.underline = m_state.strikethrough = kLineStyleNone;
            m_state.color = 0;
        } else if (word == "pard") {
            m_state.alignment = TextAlignment::Natural;
        } else if (word == "ql") {
            m_state.alignment = TextAlignment::Left;
        } else if (word == "qr") {
            m_state.alignment = TextAlignment::Right;
        } else if (word == "qc") {
            m_state.alignment = TextAlignment::Center;
        } else if (word == "qj" || word == "qd") {
            m_state.alignment = TextAlignment::Justified;
        } else if (word == "qnatural") {
            m_state.alignment = TextAlignment::Natural;
        } else if (word == "par" || word == "row" || word == "nestrow") {
            paragraph();
        } else if (word == "tab" || word == "cell" || word == "nestcell") {
            character(u'\t');
        } else if (word == "line") {
            character(u'\u2028');
        } else if (word == "page") {
            character(u'\f');
        } else if (word == "emdash") {
            character(u'\u2014');
        } else if (word == "endash") {
            character(u'\u2013');
        } else if (word == "bullet") {
            character(u'\u2022');
        } else if (word == "lquote") {
            character(u'\u2018');
        } else if (word == "rquote") {
            character(u'\u2019');
        } else if (word == "ldblquote") {
            character(u'\u201C');
        } else if (word == "rdblquote") {
            character(u'\u201D');
        }
    }

    void fontTableWord(const QByteArray& word, std::optional<int> parameter)
    {
        if (word == "f") {
            commitFont();
            m_fontNumber = parameter.value_or(0);
            m_fontCodePage = -1;
        } else if (word == "fcharset") {
            m_fontCodePage = codePageOfCharset(parameter.value_or(0));
        }
    }

    void colorTableWord(const QByteArray& word, std::optional<int> parameter)
    {
        const int value = parameter.value_or(0);
        auto& parts = m_colorParts;
        if (word == "red" || word == "green" || word == "blue") {
            const double component = std::clamp(value, 0, 255) / 255.0;
            (word == "red" ? parts.red : word == "green" ? parts.green : parts.blue) = component;
            parts.started = true;
        } else if (word == "c") {
            if (parts.components.size() < 4)
                parts.components.push_back(std::clamp(value, 0, kExpandedComponentScale) /
                                           double(kExpandedComponentScale));
            parts.started = true;
        } else if (word == "csgray") {
            parts.gray = true;
            parts.started = true;
        } else if (word.startsWith("cs")) {
            parts.started = true;
        }
    }

    void commitColorIfStarted()
    {
        if (m_colorParts.started)
            commitColor();
    }

    void commitColor()
    {
        ColorParts& parts = m_colorParts;
        std::optional<RgbaColor> color;
        if (m_state.destination == Destination::ColorTable) {
            if (parts.started)
                color = RgbaColor{parts.red, parts.green, parts.blue, 1};
            m_colors.push_back(color);
        } else {
            const auto& c = parts.components;
            if (parts.gray && !c.empty())
                color = RgbaColor{c[0], c[0], c[0], c.size() > 1 ? c[1] : 1};
            else if (!parts.gray && c.size() >= 3)
                color = RgbaColor{c[0], c[1], c[2], c.size() > 3 ? c[3] : 1};
            m_expandedColors.push_back(color);
        }
        parts = {};
    }

    void commitFont()
    {
        if (m_fontNumber) {
            m_fonts[*m_fontNumber] = FontEntry{TextFont::fromFontName(m_fontName, 12), m_fontCodePage};
        }
        m_fontNumber.reset();
        m_fontName.clear();
        m_fontCodePage = -1;
    }

    void unicode(std::optional<int> parameter)
    {
        int value = parameter.value_or(0);
        // Values above 32767 are written negative, as signed 16-bit numbers.
        if (value < 0)
            value += 0x10000;
        character(value >= 0 && value <= 0xFFFF ? char16_t(value) : u'\uFFFD');
        m_fallbackToSkip = m_state.unicodeSkip;
    }

    // True when the token just read stands in for the preceding \uN and is to be dropped.
    bool consumeFallback()
    {
        if (m_fallbackToSkip <= 0)
            return false;
        --m_fallbackToSkip;
        return true;
    }

    void textByte(uchar byte)
    {
        m_ignorableNext = false;
        if (consumeFallback())
            return;
        switch (m_state.destination) {
        case Destination::FontTable:
            if (byte == ';') {
                flushBytes();
                commitFont();
            } else {
                pendingByte(byte);
            }
            break;
        case Destination::ColorTable:
        case Destination::ExpandedColorTable:
            if (byte == ';')
                commitColor();
            break;
        case Destination::Text:
            if (byte == '\t')
                character(u'\t');
            else if (byte >= 0x20)
                pendingByte(byte);
            break;
        case Destination::Skip:
            break;
        }
    }

    void pendingByte(uchar byte)
    {
        if (m_state.destination == Destination::Text || m_state.destination == Destination::FontTable)
            m_pendingBytes.append(char(byte));
    }

    void flushBytes()
    {
        if (m_pendingBytes.isEmpty())
            return;
        const int codePage = currentCodePage();
        emitText(m_decoder.decode(m_pendingBytes, codePage));
        m_pendingBytes.clear();
    }

    int currentCodePage() const
    {
        int codePage = -1;
        if (m_state.destination == Destination::FontTable) {
            codePage = m_fontCodePage;
        } else if (const FontEntry* entry = currentFont()) {
            codePage = entry->codePage;
        }
        return codePage > 0 ? codePage : m_documentCodePage;
    }

    const FontEntry* currentFont() const
    {
        const auto found = m_fonts.find(m_state.font < 0 ? m_defaultFont : m_state.font);
        return found == m_fonts.end() ? nullptr : &found->second;
    }

    void character(char16_t unit)
    {
        flushBytes();
        emitText(QString(QChar(unit)));
    }

    void paragraph()
    {
        if (m_state.destination != Destination::Text)
            return;
        flushBytes();
        m_builder.add(QStringLiteral("\n"), characterAttributes());
        m_builder.closeParagraph(m_state.alignment);
    }

    void emitText(const QString& text)
    {
        if (m_state.destination == Destination::Text)
            m_builder.add(text, characterAttributes());
        else if (m_state.destination == Destination::FontTable && m_fontNumber)
            m_fontName += text;
    }

    TextAttributes characterAttributes() const
    {
        TextAttributes attributes;
        const FontEntry* entry = currentFont();
        TextFont font = entry ? entry->face : TextFont::defaultFont();
        font.pointSize = m_state.halfPoints / 2.0;
        font.bold = font.bold || m_state.bold;
        font.italic = font.italic || m_state.italic;
        attributes.font = font;
        attributes.foregroundColor = colorAt(m_state.color);
        attributes.underlineStyle = m_state.underline;
        attributes.strikethroughStyle = m_state.strikethrough;
        return attributes;
    }

    // Index 0 is the automatic colour: no colour attribute. An expanded entry, where present,
    // holds the exact components of the colour table's rounded ones.
    std::optional<RgbaColor> colorAt(int index) const
    {
        if (index <= 0)
            return std::nullopt;
        const auto i = size_t(index);
        if (i < m_expandedColors.size() && m_expandedColors[i])
            return m_expandedColors[i];
        if (i < m_colors.size())
            return m_colors[i];
        return std::nullopt;
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    struct ColorParts
    {
        bool started = false;
        double red = 0;
        double green = 0;
        double blue = 0;
        bool gray = false;
        std::vector<double> components;
    };

    const QByteArray& m_data;
    qsizetype m_pos = 0;
    bool m_done = false;
    bool m_closed = false;

    GroupState m_state;
    std::vector<GroupState> m_stack;
    bool m_ignorableNext = false;
    int m_fallbackToSkip = 0;

    int m_documentCodePage = kCodePage1252;
    int m_defaultFont = 0;
    std::map<int, FontEntry> m_fonts;
    std::optional<int> m_fontNumber;
    QString m_fontName;
    int m_fontCodePage = -1;

    std::vector<std::optional<RgbaColor>> m_colors;
    std::vector<std::optional<RgbaColor>> m_expandedColors;
    ColorParts m_colorParts;

    QByteArray m_pendingBytes;
    ByteDecoder m_decoder;
    TextBuilder m_builder;
};

} // namespace

std::optional<StyledText> read(const QByteArray& data, QString* error)
{
    qsizetype start = 0;
    while (start < data.size() &&
           (data[start] == ' ' || data[start] == '\t' || data[start] == '\r' || data[start] == '\n'))
        ++start;
    if (!data.mid(start, 5).startsWith("{\\rtf")) {
        if (error)
            *error = QStringLiteral("The data is not RTF: it does not begin with \"{\\rtf\".");
        return std::nullopt;
    }
    return Reader(data).read(start);
}

std::optional<QString> plainText(const QByteArray& data)
{
    std::optional<StyledText> text = read(data);
    if (!text)
        return std::nullopt;
    return text->text();
}

} // namespace dw::rtf