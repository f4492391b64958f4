#include "platform/text/StyledText.h"

#include "platform/core/DWAssert.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <iterator>

namespace dw {

namespace {

// Families whose face names do not follow "<Family>-<Style>": those of the web-safe lists that
// descriptions are made of, plus the platform's default families. Documents name fonts by face,
// and the HTML of a description needs the family back.
struct KnownFamily
{
    const char* family;
    // regular, bold, italic, bold italic; nullptr where the family has no such face
    std::array<const char*, 4> faces;
};

constexpr KnownFamily kKnownFamilies[] = {
    {"Helvetica", {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique"}},
    {"Helvetica Neue", {"HelveticaNeue", "HelveticaNeue-Bold", "HelveticaNeue-Italic", "HelveticaNeue-BoldItalic"}},
    {"Times", {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic"}},
    {"Times New Roman",
     {"TimesNewRomanPSMT", "TimesNewRomanPS-BoldMT", "TimesNewRomanPS-ItalicMT", "TimesNewRomanPS-BoldItalicMT"}},
    {"Arial", {"ArialMT", "Arial-BoldMT", "Arial-ItalicMT", "Arial-BoldItalicMT"}},
    {"Arial Black", {"Arial-Black", nullptr, nullptr, nullptr}},
    {"Courier", {"Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique"}},
    {"Courier New", {"CourierNewPSMT", "CourierNewPS-BoldMT", "CourierNewPS-ItalicMT", "CourierNewPS-BoldItalicMT"}},
    {"Georgia", {"Georgia", "Georgia-Bold", "Georgia-Italic", "Georgia-BoldItalic"}},
    {"Verdana", {"Verdana", "Verdana-Bold", "Verdana-Italic", "Verdana-BoldItalic"}},
    {"Trebuchet MS", {"TrebuchetMS", "TrebuchetMS-Bold", "TrebuchetMS-Italic", "Trebuchet-BoldItalic"}},
    {"Comic Sans MS", {"ComicSansMS", "ComicSansMS-Bold", nullptr, nullptr}},
    {"Impact", {"Impact", nullptr, nullptr, nullptr}},
    {"Lucida Grande", {"LucidaGrande", "LucidaGrande-Bold", nullptr, nullptr}},
    {"Lucida Console", {"LucidaConsole", nullptr, nullptr, nullptr}},
    {"Lucida Sans Unicode", {"LucidaSansUnicode", nullptr, nullptr, nullptr}},
    {"Monaco", {"Monaco", nullptr, nullptr, nullptr}},
    {"Geneva", {"Geneva", nullptr, nullptr, nullptr}},
    {"Tahoma", {"Tahoma", "Tahoma-Bold", nullptr, nullptr}},
    {"MS Sans Serif", {"MSSansSerif", nullptr, nullptr, nullptr}},
    {"Palatino", {"Palatino-Roman", "Palatino-Bold", "Palatino-Italic", "Palatino-BoldItalic"}},
    {"Palatino Linotype",
     {"PalatinoLinotype-Roman", "PalatinoLinotype-Bold", "PalatinoLinotype-Italic", "PalatinoLinotype-BoldItalic"}},
    {"Symbol", {"Symbol", nullptr, nullptr, nullptr}},
    {"Webdings", {"Webdings", nullptr, nullptr, nullptr}},
    {"Wingdings", {"Wingdings-Regular", nullptr, nullptr, nullptr}},
    {"Zapf Dingbats", {"ZapfDingbatsITC", nullptr, nullptr, nullptr}},
};

const KnownFamily* knownFamily(const QString& family)
{
    for (const KnownFamily& known : kKnownFamilies) {
        if (family == QLatin1String(known.family))
            return &known;
    }
    return nullptr;
}

int faceIndex(bool bold, bool italic)
{
    return (bold ? 1 : 0) + (italic ? 2 : 0);
}

// Splits "BoldOblique" into "Bold", "Oblique"; digits and other characters end up in a word that
// matches no style word, so such a suffix is not taken for a style.
QStringList styleWords(const QString& suffix)
{
    QStringList words;
    for (QChar c : suffix) {
        if (c.isUpper() || words.isEmpty())
            words.append(QString());
        words.last().append(c);
    }
    return words;
}

struct Style
{
    bool isStyle = false;
    bool bold = false;
    bool italic = false;
};

Style styleOfSuffix(const QString& suffix)
{
    static const QStringList kNeutral = {
        QStringLiteral("Regular"),  QStringLiteral("Roman"),    QStringLiteral("Plain"),     QStringLiteral("Book"),
        QStringLiteral("Normal"),   QStringLiteral("Medium"),   QStringLiteral("Light"),     QStringLiteral("Thin"),
        QStringLiteral("Ultra"),    QStringLiteral("Extra"),    QStringLiteral("Semi"),      QStringLiteral("Demi"),
        QStringLiteral("Semibold"), QStringLiteral("Demibold"), QStringLiteral("Condensed"), QStringLiteral("Cond"),
        QStringLiteral("Narrow"),   QStringLiteral("Wide"),     QStringLiteral("Expanded"),
    };
    Style style;
    const QStringList words = styleWords(suffix);
    if (words.isEmpty())
        return style;
    QString previous;
    for (const QString& word : words) {
        if (word == QLatin1String("Bold") || word == QLatin1String("Heavy") || word == QLatin1String("Black")) {
            // "SemiBold" and "DemiBold" are lighter than the platform's bold trait.
            if (previous != QLatin1String("Semi") && previous != QLatin1String("Demi"))
                style.bold = true;
        } else if (word == QLatin1String("Italic") || word == QLatin1String("Oblique") || word == QLatin1String("It")) {
            style.italic = true;
        } else if (!kNeutral.contains(word)) {
            return {};
        }
        previous = word;
    }
    style.isStyle = true;
    return style;
}

// The style of a face name's suffix after its last "-" ("Bold", "BoldItalicMT").
Style styleOfFaceName(const QString& name)
{
    const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
    if (dash <= 0)
        return {};
    QString suffix = name.mid(dash + 1);
    if (suffix.size() > 2 && suffix.endsWith(QLatin1String("MT")))
        suffix.chop(2);
    return styleOfSuffix(suffix);
}

} // namespace

TextFont TextFont::defaultFont()
{
    return TextFont{QStringLiteral("Helvetica"), 12, false, false};
}

TextFont TextFont::fromFontName(const QString& name, double pointSize)
{
    TextFont font;
    font.pointSize = pointSize;
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        font.family = defaultFont().family;
        return font;
    }
    for (const KnownFamily& known : kKnownFamilies) {
        for (int i = 0; i < 4; ++i) {
            if (known.faces[i] && trimmed == QLatin1String(known.faces[i])) {
                font.family = QLatin1String(known.family);
                font.bold = i & 1;
                font.italic = i & 2;
                return font;
            }
        }
        if (trimmed == QLatin1String(known.family)) {
            font.family = trimmed;
            return font;
        }
    }
    // Face names never hold blanks; a name with blanks is a family name.
    if (trimmed.contains(QLatin1Char(' '))) {
        font.family = trimmed;
        return font;
    }

    // Face names of a known family in a form the table does not list ("Arial-BoldItalicMT",
    // "TimesNewRomanPS-BoldMT").
    const Style style = styleOfFaceName(trimmed);
    QString base = style.isStyle ? trimmed.left(trimmed.lastIndexOf(QLatin1Char('-'))) : trimmed;
    font.bold = style.bold;
    font.italic = style.italic;
    QString spaceless = base;
    if (spaceless.size() > 2 && spaceless.endsWith(QLatin1String("MT")))
        spaceless.chop(2);
    if (spaceless.size() > 2 && spaceless.endsWith(QLatin1String("PS")))
        spaceless.chop(2);
    for (const KnownFamily& known : kKnownFamilies) {
        if (QString::fromLatin1(known.family).remove(QLatin1Char(' ')) == spaceless) {
            font.family = QLatin1String(known.family);
            return font;
        }
    }
    font.family = base;
    return font;
}

QString TextFont::fontName() const
{
    if (const KnownFamily* known = knownFamily(family)) {
        const char* face = known->faces[faceIndex(bold, italic)];
        return QLatin1String(face ? face : known->faces[0]);
    }
    if (family.isEmpty())
        return defaultFont().fontName();
    // A family of blanks-free name gets a face suffix that fromFontName() reads back; one with
    // blanks stays as it is, its traits then travel beside the name.
    if (family.contains(QLatin1Char(' ')) || (!bold && !italic))
        return family;
    if (bold && italic)
        return family + QLatin1String("-BoldItalic");
    return family + (bold ? QLatin1String("-Bold") : QLatin1String("-Italic"));
}

bool TextAttributes::isEmpty() const
{
    return *this == TextAttributes{};
}

StyledText::StyledText(const QString& text, const TextAttributes& attributes)
{
    append(text, attributes);
}

const TextAttributes& StyledText::attributesAt(qsizetype index) const
{
    DW_PARAMETER_ASSERT(index >= 0 && index < length());
    const auto run = std::upper_bound(m_runs.begin(), m_runs.end(), index,
                                      [](qsizetype i, const StyledRun& r) { return i < r.start; });
    return std::prev(run)->attributes;
}

void StyledText::append(const QString& text, const TextAttributes& attributes)
{
    if (text.isEmpty())
        return;
    if (!m_runs.empty() && m_runs.back().attributes == attributes)
        m_runs.back().length += text.size();
    else
        m_runs.push_back(StyledRun{m_text.size(), text.size(), attributes});
    m_text += text;
}

void StyledText::append(const StyledText& other)
{
    for (const StyledRun& run : other.m_runs)
        append(other.m_text.mid(run.start, run.length), run.attributes);
}

} // namespace dw
