#pragma once
// Styled text: a text and the attributes of its characters, held as runs.
//
// This is what the listing description, the default footer and text blocks are made of. It keeps
// exactly the attributes the application reads back (for the HTML of a description, for RTF and
// for archives): the font (family, point size, bold and italic), the foreground colour, the
// paragraph alignment, and underline and strike-through styles.
//
// A character may carry no attributes at all: text made from a plain string has none, and the
// HTML conversion treats such a run differently from one in the default font. Runs are kept
// normalised: they cover the whole text, none is empty and no two neighbours are equal, so two
// styled texts compare equal exactly when their characters and the attributes of every character
// are equal. Plain-text conversion is `text()`.
//
// The numbers of alignments and line styles are those the platform stores in archives, so an
// archived attributed string maps onto these values one to one.
//
//     dw::TextAttributes bold;
//     bold.font = dw::TextFont{QStringLiteral("Helvetica"), 12, true, false};
//     dw::StyledText text(QStringLiteral("Shipping: "), bold);
//     text.append(QStringLiteral("free"), {});
//     for (const dw::StyledRun& run : text.runs()) ...   // {0, 10, bold}, {10, 4, none}
//
// A value type without shared state: any thread, one thread per object at a time.

#include <QMetaType>
#include <QString>
#include <optional>
#include <vector>

namespace dw {

// Components from 0 to 1; red, green and blue in calibrated (generic) RGB.
struct RgbaColor
{
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    friend bool operator==(const RgbaColor&, const RgbaColor&) = default;
};

// The paragraph alignments, numbered as the platform stores them.
enum class TextAlignment : int { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

// Underline and strike-through styles as the platform numbers them; other values (patterns,
// by-word masks) may come from archives and are kept as they are.
inline constexpr int kLineStyleNone = 0;
inline constexpr int kLineStyleSingle = 1;
inline constexpr int kLineStyleThick = 2;
inline constexpr int kLineStyleDouble = 9;

struct TextFont
{
    QString family;
    double pointSize = 12;
    bool bold = false;
    bool italic = false;

    // A font from the name documents store it under: a face name such as "Helvetica-BoldOblique"
    // or "TimesNewRomanPS-ItalicMT" (whose family and traits are read from the name), or a family
    // name such as "Times New Roman". An empty name gives Helvetica, the platform's default.
    static TextFont fromFontName(const QString& name, double pointSize);
    // The face name of this family with these traits ("Helvetica-Bold", "ArialMT"); a family
    // whose faces are not known keeps its own name, with a style suffix when it has no blanks.
    // fromFontName(fontName(), size) gives back this font, unless the family's own name ends in
    // what reads as a style ("Foo-Light").
    QString fontName() const;
    // The platform's default font: Helvetica 12.
    static TextFont defaultFont();

    friend bool operator==(const TextFont&, const TextFont&) = default;
};

struct TextAttributes
{
    std::optional<TextFont> font;
    std::optional<RgbaColor> foregroundColor;
    // Of the paragraph style only the alignment is kept.
    std::optional<TextAlignment> alignment;
    int underlineStyle = kLineStyleNone;
    int strikethroughStyle = kLineStyleNone;

    // No attribute set: the state of text made from a plain string.
    bool isEmpty() const;

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

struct StyledRun
{
    qsizetype start = 0;
    qsizetype length = 0;
    TextAttributes attributes;

    friend bool operator==(const StyledRun&, const StyledRun&) = default;
};

class StyledText
{
public:
    StyledText() = default;
    // The whole text with one set of attributes (none by default).
    explicit StyledText(const QString& text, const TextAttributes& attributes = {});

    // The characters without their attributes.
    const QString& text() const { return m_text; }
    qsizetype length() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }

    // The runs in order, from 0 to length(); none for an empty text.
    const std::vector<StyledRun>& runs() const { return m_runs; }
    // The attributes of the character at index (0 <= index < length(), else DW_ASSERT).
    const TextAttributes& attributesAt(qsizetype index) const;

    void append(const QString& text, const TextAttributes& attributes);
    void append(const StyledText& other);

    friend bool operator==(const StyledText&, const StyledText&) = default;

private:
    QString m_text;
    std::vector<StyledRun> m_runs;
};

} // namespace dw

Q_DECLARE_METATYPE(dw::StyledText)
