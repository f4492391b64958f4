#pragma once
// An archived NSAttributedString: its text and runs of character attributes.
//
// This is the archive's view of styled text, kept apart from the styled-text model (of which it
// borrows only the colour value) so that the archiver does not depend on it; the styled-text code
// converts from and to it. The attributes the
// model understands are read into fields (font, colour, paragraph alignment, underline,
// strike-through); every other attribute is kept as its decoded archive value and written back as
// it was read. Run lengths count UTF-16 code units, as the platform string does.
// styledText() and archivedAttributedString() convert to and from the styled-text model.
//
//     dw::ArchivedAttributedString text;
//     text.string = "Hello world";
//     text.runs = {{5, bold}, {6, plain}};
//     coder.encodeObject(QVariant::fromValue(text), "itemDescriptionString");

#include "platform/text/StyledText.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace dw {

class KeyedArchiver;
class KeyedUnarchiver;

// Paragraph alignment as the platform archives it.
enum class ArchivedTextAlignment { None = -1, Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

struct ArchivedTextAttributes
{
    QString fontName;               // the font's PostScript name ("Helvetica-Bold"); empty: no font attribute
    double fontSize = 0;            // points
    std::optional<RgbaColor> color; // foreground colour in calibrated RGB; none: no colour attribute
    ArchivedTextAlignment alignment = ArchivedTextAlignment::None; // None: no paragraph style
    int underline = 0;                                             // underline style; 0 none, 1 single
    int strikethrough = 0;                                         // strike-through style; 0 none, 1 single
    QVariantMap other;                                             // every other attribute, by its archive name

    bool operator==(const ArchivedTextAttributes& other) const = default;
};

struct ArchivedTextRun
{
    qsizetype length = 0;
    ArchivedTextAttributes attributes;

    bool operator==(const ArchivedTextRun& other) const = default;
};

struct ArchivedAttributedString
{
    QString string;              // written as "" when null, as the platform writes an empty text
    QList<ArchivedTextRun> runs; // lengths add up to string.size(); none for plain text

    bool operator==(const ArchivedAttributedString& other) const = default;
};

// The styled text of an archived one: fonts by their face names, colours, alignments and line
// styles carry over; attributes the model has no place for are left out.
StyledText styledText(const ArchivedAttributedString& archived);
ArchivedAttributedString archivedAttributedString(const StyledText& text);

namespace archive {
// The class's coding; the archiver and unarchiver call these for NSAttributedString values.
void encodeAttributedString(const ArchivedAttributedString& text, KeyedArchiver& coder);
// Fails the unarchiver (failWithError) when the runs do not fit the text.
ArchivedAttributedString decodeAttributedString(KeyedUnarchiver& coder);
} // namespace archive

} // namespace dw

Q_DECLARE_METATYPE(dw::ArchivedAttributedString)
