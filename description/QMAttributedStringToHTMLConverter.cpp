#include "description/QMAttributedStringToHTMLConverter.h"

#include <QHash>
#include <algorithm>
#include <cfenv>
#include <cmath>

namespace {

using dw::TextAlignment;
using dw::TextAttributes;

const QHash<QString, QString>& webSafeFaces()
{
    static const QHash<QString, QString> faces = [] {
        QHash<QString, QString> table;
        for (const char* name : {"Arial", "Arial Black", "Courier", "Courier New", "Georgia", "Verdana", "Symbol",
                                 "Impact", "Comic Sans MS", "Webdings"})
            table.insert(QString::fromLatin1(name), QString::fromLatin1(name));
        // Each family, and the list of families a browser tries for it.
        const std::pair<const char*, const char*> groups[] = {
            {"Times", "Times,Times New Roman"},
            {"Times New Roman", "Times,Times New Roman"},
            {"Monaco", "Monaco,Lucida Console"},
            {"Lucida Console", "Monaco,Lucida Console"},
            {"Lucida Grande", "Lucida Grande,Lucida Sans Unicode"},
            {"Lucida Sans Unicode", "Lucida Grande,Lucida Sans Unicode"},
            {"Palatino", "Palatino,Palatino Linotype"},
            {"Palatino Linotype", "Palatino,Palatino Linotype"},
            {"Geneva", "Geneva,Tahoma,MS Sans Serif"},
            {"Tahoma", "Geneva,Tahoma,MS Sans Serif"},
            {"MS Sans Serif", "Geneva,Tahoma,MS Sans Serif"},
            {"Helvetica", "Helvetica,Trebuchet MS"},
            {"Trebuchet MS", "Helvetica,Trebuchet MS"},
            {"Zapf Dingbats", "Zapf Dingbats,Wingdings"},
            {"Wingdings", "Zapf Dingbats,Wingdings"},
        };
        for (const auto& [family, list] : groups)
            table.insert(QString::fromLatin1(family), QString::fromLatin1(list));
        return table;
    }();
    return faces;
}

// What a run's style reads as. The alignment of text without a paragraph style is the natural one;
// "none" is what no alignment equals, the state before the first run.
struct Style
{
    bool bold = false;
    bool italic = false;
    double pointSize = 12;
    QString family;
    std::optional<TextAlignment> alignment;
};

Style styleOf(const TextAttributes& attributes)
{
    Style style;
    if (attributes.font) {
        style.bold = attributes.font->bold;
        style.italic = attributes.font->italic;
        style.pointSize = attributes.font->pointSize;
        style.family = attributes.font->family;
    }
    style.alignment = attributes.alignment.value_or(TextAlignment::Natural);
    return style;
}

QString alignmentWord(std::optional<TextAlignment> alignment)
{
    if (alignment == TextAlignment::Right)
        return QStringLiteral("right");
    if (alignment == TextAlignment::Center)
        return QStringLiteral("center");
    return QStringLiteral("left");
}

} // namespace

QMAttributedStringToHTMLConverter::QMAttributedStringToHTMLConverter(const dw::StyledText& source) : m_source(source) {}

QString QMAttributedStringToHTMLConverter::htmlStringForAttributedString(const dw::StyledText& text) const
{
    return convert(text);
}

void QMAttributedStringToHTMLConverter::installAsDescriptionConverter()
{
    static const bool installed = [] {
        QMDescriptionHTMLConverter::install(std::make_shared<QMAttributedStringToHTMLConverter>());
        return true;
    }();
    (void)installed;
}

QString QMAttributedStringToHTMLConverter::convert(const dw::StyledText& text)
{
    if (text.isEmpty())
        return QStringLiteral("");
    return QMAttributedStringToHTMLConverter(text).computeHtmlString();
}

QString QMAttributedStringToHTMLConverter::htmlStringForString(const QString& text)
{
    QString result = QStringLiteral("");
    result.reserve(text.size());
    qsizetype stretchStart = 0;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const char16_t unit = text.at(index).unicode();
        if (unit < 128 && unit != u'\n')
            continue;
        result.append(QStringView(text).mid(stretchStart, index - stretchStart));
        if (unit == u'\n')
            result.append(u"<br>");
        else
            result.append(QStringLiteral("&#%1;").arg(unit));
        stretchStart = index + 1;
    }
    result.append(QStringView(text).mid(stretchStart));
    return result;
}

QString QMAttributedStringToHTMLConverter::htmlStringForPlainText(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'&', QStringLiteral("&amp;"));
    escaped.replace(u'<', QStringLiteral("&lt;"));
    escaped.replace(u'>', QStringLiteral("&gt;"));
    escaped.replace(u'"', QStringLiteral("&quot;"));
    return htmlStringForString(escaped);
}

QString QMAttributedStringToHTMLConverter::htmlFaceStringForFontFamilyWithName(const QString& family)
{
    QStringView name(family);
    while (name.startsWith(u'\''))
        name = name.mid(1);
    while (name.endsWith(u'\''))
        name.chop(1);
    return webSafeFaces().value(name.toString());
}

QString QMAttributedStringToHTMLConverter::stringForColor(const std::optional<dw::RgbaColor>& color, double gamma)
{
    if (!color)
        return QString();
    auto component = [gamma](double value) {
        if (gamma != 1.0)
            value = std::pow(value, 1.0 / gamma);
        // Halves to even, as the platform rounds.
        const int saved = std::fegetround();
        std::fesetround(FE_TONEAREST);
        const long rounded = std::lrint(value * 255.0);
        std::fesetround(saved);
        return QStringLiteral("%1").arg(std::clamp(rounded, 0L, 255L), 2, 16, QLatin1Char('0'));
    };
    return QStringLiteral("#%1%2%3").arg(component(color->red), component(color->green), component(color->blue));
}

QString QMAttributedStringToHTMLConverter::blackColorString()
{
    static const QString black = stringForColor(dw::RgbaColor{0, 0, 0, 1});
    return black;
}

QString QMAttributedStringToHTMLConverter::computeHtmlString()
{
    QString html = QStringLiteral("");
    for (const dw::StyledRun& run : m_source.runs()) {
        // Text without attributes shows in the platform's default font; it is written as such
        // rather than left out, so no part of the seller's text is lost.
        TextAttributes attributes = run.attributes;
        if (attributes.isEmpty())
            attributes.font = dw::TextFont::defaultFont();
        const QString tags = attributeTagStringForAttributes(attributes);
        if (!tags.isNull())
            html.append(tags);
        html.append(htmlStringForString(m_source.text().mid(run.start, run.length)));
    }
    html.append(closeTags());
    return html;
}

QString QMAttributedStringToHTMLConverter::attributeTagStringForAttributes(const TextAttributes& attributes)
{
    if (m_cachedAttributes && *m_cachedAttributes == attributes)
        return QString();
    QString tags = QStringLiteral("");
    const TextAttributes old = m_cachedAttributes.value_or(TextAttributes());
    const bool hadOld = m_cachedAttributes.has_value();
    const QString newColor = stringForColor(attributes.foregroundColor);
    const QString oldColor = stringForColor(old.foregroundColor);
    const Style now = styleOf(attributes);
    Style before;
    if (hadOld && old.font)
        before = styleOf(old);
    else
        before.alignment.reset();

    const bool sameFont = attributes.font == old.font;
    if (!(sameFont && now.alignment == before.alignment && newColor == oldColor)) {
        if (now.bold && !before.bold)
            tags += u"<b>";
        else if (before.bold && !now.bold)
            tags += u"</b>";
        if (now.italic && !before.italic)
            tags += u"<i>";
        else if (before.italic && !now.italic)
            tags += u"</i>";

        const bool unchanged = now.pointSize == before.pointSize && now.family == before.family &&
                               now.alignment == before.alignment && newColor == oldColor;
        if (!unchanged) {
            if (old.foregroundColor || old.font)
                tags += u"</font>";
            if (now.alignment != before.alignment) {
                if (old.font)
                    tags += u"</div>";
                tags += QStringLiteral("<div align=\"%1\">").arg(alignmentWord(now.alignment));
            }
            tags += QStringLiteral("<font size=\"%1\"").arg(static_cast<long>(now.pointSize) - 9);
            if (!htmlFaceStringForFontFamilyWithName(now.family).isEmpty())
                tags += QStringLiteral(" face=\"%1\"").arg(now.family);
            if (!newColor.isNull() && newColor != blackColorString())
                tags += QStringLiteral(" color=\"%1\"").arg(newColor);
            tags += u'>';
        }
    }
    const bool underline = attributes.underlineStyle != dw::kLineStyleNone;
    const bool wasUnderlined = old.underlineStyle != dw::kLineStyleNone;
    if (underline && !wasUnderlined)
        tags += u"<u>";
    else if (wasUnderlined && !underline)
        tags += u"</u>";
    m_cachedAttributes = attributes;
    return tags;
}

QString QMAttributedStringToHTMLConverter::closeTags() const
{
    const TextAttributes last = m_cachedAttributes.value_or(TextAttributes());
    QString tags = QStringLiteral("</font>");
    if (last.underlineStyle != dw::kLineStyleNone)
        tags += u"</u>";
    if (last.font && last.font->italic)
        tags += u"</i>";
    if (last.font && last.font->bold)
        tags += u"</b>";
    tags += u"</div>";
    return tags;
}
