#pragma once
// Styled text to the HTML that eBay and the preview show: presentation tags (b, i, u, font with
// size, face and colour, div with an alignment), written exactly as earlier versions of the
// program wrote them, because descriptions already on eBay were made that way.
//
// The class operations serve the rest of the description layer: plain text to HTML text,
// a font family to its web-safe family list, a colour to "#rrggbb".
//
//     QString html = QMAttributedStringToHTMLConverter::htmlStringForAttributedString(description);
//     QMDescriptionHTMLConverter::install(std::make_shared<QMAttributedStringToHTMLConverter>());
//
// A converter object serves one conversion; the class operations are pure. Any thread.

#include "model/QMDescriptionHTMLConverter.h"

#include "platform/text/StyledText.h"

#include <QString>
#include <optional>

class QMAttributedStringToHTMLConverter : public QMDescriptionHTMLConverter
{
public:
    QMAttributedStringToHTMLConverter() = default;
    explicit QMAttributedStringToHTMLConverter(const dw::StyledText& source);

    // The hook the listing asks for its description's HTML.
    QString htmlStringForAttributedString(const dw::StyledText& text) const override;

    // Makes this the converter the listing asks (QMDescriptionHTMLConverter); the first call only.
    // The description generator calls it; the program calls it at start. Main thread.
    static void installAsDescriptionConverter();

    // The fragment for a styled text; "" for an empty one.
    static QString convert(const dw::StyledText& text);
    // Code units of 128 and above as "&#n;", line feeds as "<br>", everything else unchanged.
    static QString htmlStringForString(const QString& text);
    // Plain text (a title, a name) for a page: "&", "<", ">" and '"' as entities first, then as
    // htmlStringForString. The text reads in the page exactly as it was typed.
    static QString htmlStringForPlainText(const QString& text);
    // The web-safe family list of a family ("Times" gives "Times,Times New Roman"); null for a
    // family that is not safe for the web. Single quotes around the name are ignored.
    static QString htmlFaceStringForFontFamilyWithName(const QString& family);
    // "#rrggbb" in lower case; null for no colour. A gamma other than 1 raises each component to
    // 1/gamma first.
    static QString stringForColor(const std::optional<dw::RgbaColor>& color, double gamma = 1.0);
    static QString blackColorString();

    const dw::StyledText& sourceString() const { return m_source; }
    void setSourceString(const dw::StyledText& source) { m_source = source; }

    QString computeHtmlString();
    // The tags that lead from the previous run's style to this one; null when they are equal.
    QString attributeTagStringForAttributes(const dw::TextAttributes& attributes);
    QString closeTags() const;

    const std::optional<dw::TextAttributes>& cachedAttributes() const { return m_cachedAttributes; }
    void setCachedAttributes(const std::optional<dw::TextAttributes>& attributes) { m_cachedAttributes = attributes; }

private:
    dw::StyledText m_source;
    std::optional<dw::TextAttributes> m_cachedAttributes;
};
