#include "platform/archive/ArchivedAttributedString.h"

#include "platform/archive/ArchivedObject.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"
#include "platform/core/KeyValueCoding.h"
#include "platform/text/StyledText.h"

#include <QHash>
#include <QLocale>

namespace dw {

namespace {

// Attribute names and the keys of the platform's font, colour and paragraph-style archives.
const QString kFont = QStringLiteral("NSFont");
const QString kColor = QStringLiteral("NSColor");
const QString kParagraphStyle = QStringLiteral("NSParagraphStyle");
const QString kUnderline = QStringLiteral("NSUnderline");
const QString kStrikethrough = QStringLiteral("NSStrikethrough");

// Colour spaces of an archived colour.
constexpr int kCalibratedRGB = 1;

// A named colour carries its resolved colour inside it; a chain longer than this is damage.
constexpr int kMaxColorNesting = 4;

QList<double> components(const QVariant& field)
{
    QByteArray text = field.toByteArray();
    if (field.typeId() == QMetaType::QString)
        text = field.toString().toLatin1();
    const qsizetype end = text.indexOf('\0');
    if (end >= 0)
        text.truncate(end);
    QList<double> values;
    for (const QByteArray& part : text.simplified().split(' ')) {
        bool ok = false;
        const double value = part.toDouble(&ok);
        if (!ok)
            return {};
        values.append(std::clamp(value, 0.0, 1.0));
    }
    return values;
}

std::optional<RgbaColor> colorFrom(const OpaqueArchivedObject& object, int nesting = 0)
{
    if (nesting > kMaxColorNesting)
        return {};
    const QList<double> rgb = components(object.value(QStringLiteral("NSRGB")));
    if (rgb.size() >= 3)
        return RgbaColor{rgb[0], rgb[1], rgb[2], rgb.value(3, 1.0)};
    const QList<double> white = components(object.value(QStringLiteral("NSWhite")));
    if (!white.isEmpty())
        return RgbaColor{white[0], white[0], white[0], white.value(1, 1.0)};
    const QList<double> cmyk = components(object.value(QStringLiteral("NSCMYK")));
    if (cmyk.size() >= 4) {
        const double black = 1.0 - cmyk[3];
        return RgbaColor{(1.0 - cmyk[0]) * black, (1.0 - cmyk[1]) * black, (1.0 - cmyk[2]) * black, cmyk.value(4, 1.0)};
    }
    if (const auto fallback = archivedObjectCast<OpaqueArchivedObject>(object.value(kColor)))
        return colorFrom(*fallback, nesting + 1);
    return {};
}

ArchivedTextAttributes attributesFrom(const QVariantMap& dictionary)
{
    ArchivedTextAttributes attributes;
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        const auto object = archivedObjectCast<OpaqueArchivedObject>(value);
        if (name == kFont && object && object->archiveClassName() == kFont) {
            attributes.fontName = object->value(QStringLiteral("NSName")).toString();
            attributes.fontSize = object->value(QStringLiteral("NSSize")).toDouble();
            if (!attributes.fontName.isEmpty())
                continue;
        } else if (name == kColor && object) {
            attributes.color = colorFrom(*object);
            if (attributes.color)
                continue;
        } else if (name == kParagraphStyle && object) {
            const QVariant alignment = object->value(QStringLiteral("NSAlignment"));
            const int code = alignment.isValid() ? alignment.toInt() : int(ArchivedTextAlignment::Natural);
            if (code >= int(ArchivedTextAlignment::Left) && code <= int(ArchivedTextAlignment::Natural)) {
                attributes.alignment = ArchivedTextAlignment(code);
                continue;
            }
        } else if (name == kUnderline && isNumberValue(value)) {
            attributes.underline = value.toInt();
            continue;
        } else if (name == kStrikethrough && isNumberValue(value)) {
            attributes.strikethrough = value.toInt();
            continue;
        }
        attributes.other.insert(name, value);
    }
    return attributes;
}

QByteArray componentText(std::initializer_list<double> values)
{
    // The shortest text that reads back as the same number ("0.2", "1").
    QByteArrayList parts;
    for (double value : values)
        parts.append(QString::number(value, 'g', QLocale::FloatingPointShortest).toLatin1());
    return parts.join(' ') + '\0';
}

QVariantMap dictionaryFrom(const ArchivedTextAttributes& attributes)
{
    QVariantMap dictionary = attributes.other;
    const QStringList object = {QStringLiteral("NSObject")};
    if (!attributes.fontName.isEmpty()) {
        const QVariantMap fields{{QStringLiteral("NSName"), QVariant::fromValue(ArchiveReference{attributes.fontName})},
                                 {QStringLiteral("NSSize"), attributes.fontSize},
                                 {QStringLiteral("NSfFlags"), 16}};
        dictionary.insert(kFont,
                          archiveValue(std::make_shared<OpaqueArchivedObject>(QStringList{kFont} + object, fields)));
    }
    if (const auto& rgb = attributes.color) {
        const QByteArray text = rgb->alpha < 1.0 ? componentText({rgb->red, rgb->green, rgb->blue, rgb->alpha})
                                                 : componentText({rgb->red, rgb->green, rgb->blue});
        const QVariantMap fields{{QStringLiteral("NSColorSpace"), kCalibratedRGB}, {QStringLiteral("NSRGB"), text}};
        dictionary.insert(kColor,
                          archiveValue(std::make_shared<OpaqueArchivedObject>(QStringList{kColor} + object, fields)));
    }
    if (attributes.alignment != ArchivedTextAlignment::None) {
        const QVariantMap fields{{QStringLiteral("NSAlignment"), int(attributes.alignment)}};
        dictionary.insert(kParagraphStyle, archiveValue(std::make_shared<OpaqueArchivedObject>(
                                               QStringList{kParagraphStyle} + object, fields)));
    }
    if (attributes.underline != 0)
        dictionary.insert(kUnderline, attributes.underline);
    if (attributes.strikethrough != 0)
        dictionary.insert(kStrikethrough, attributes.strikethrough);
    return dictionary;
}

// Run lengths and attribute indexes are unsigned numbers of 7 bits per byte, least significant
// group first, the high bit marking that more follow.
void appendNumber(QByteArray* data, quint64 value)
{
    while (value > 127) {
        data->append(char(0x80 | (value & 0x7F)));
        value >>= 7;
    }
    data->append(char(value));
}

bool readNumber(const QByteArray& data, qsizetype* at, quint64* value)
{
    *value = 0;
    for (int shift = 0; *at < data.size() && shift < 64; shift += 7) {
        const auto byte = uchar(data[(*at)++]);
        *value |= quint64(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

TextAttributes modelAttributes(const ArchivedTextAttributes& archived)
{
    TextAttributes attributes;
    if (!archived.fontName.isEmpty())
        attributes.font = TextFont::fromFontName(archived.fontName, archived.fontSize);
    attributes.foregroundColor = archived.color;
    if (archived.alignment != ArchivedTextAlignment::None)
        attributes.alignment = TextAlignment(int(archived.alignment));
    attributes.underlineStyle = archived.underline;
    attributes.strikethroughStyle = archived.strikethrough;
    return attributes;
}

ArchivedTextAttributes archivedAttributes(const TextAttributes& attributes)
{
    ArchivedTextAttributes archived;
    if (attributes.font) {
        archived.fontName = attributes.font->fontName();
        archived.fontSize = attributes.font->pointSize;
    }
    archived.color = attributes.foregroundColor;
    if (attributes.alignment)
        archived.alignment = ArchivedTextAlignment(int(*attributes.alignment));
    archived.underline = attributes.underlineStyle;
    archived.strikethrough = attributes.strikethroughStyle;
    return archived;
}

} // namespace

StyledText styledText(const ArchivedAttributedString& archived)
{
    if (archived.runs.isEmpty())
        return StyledText(archived.string);
    StyledText text;
    qsizetype start = 0;
    for (const ArchivedTextRun& run : archived.runs) {
        text.append(archived.string.mid(start, run.length), modelAttributes(run.attributes));
        start += run.length;
    }
    return text;
}

ArchivedAttributedString archivedAttributedString(const StyledText& text)
{
    ArchivedAttributedString archived{text.text(), {}};
    for (const StyledRun& run : text.runs())
        archived.runs.append({run.length, archivedAttributes(run.attributes)});
    return archived;
}

namespace archive {

void encodeAttributedString(const ArchivedAttributedString& text, KeyedArchiver& coder)
{
    // Never nil: the platform's reader refuses an attributed string without its text.
    coder.encodeObject(text.string.isNull() ? QStringLiteral("") : text.string, QStringLiteral("NSString"));
    if (text.string.isEmpty())
        return;

    // Equal attribute sets are written once and referred to by index, adjacent equal runs merged.
    QList<ArchivedTextRun> runs = text.runs.isEmpty() ? QList<ArchivedTextRun>{{text.string.size(), {}}} : text.runs;
    QList<ArchivedTextAttributes> distinct;
    QList<std::pair<qsizetype, qsizetype>> merged; // length, index
    qsizetype total = 0;
    for (const ArchivedTextRun& run : runs) {
        DW_ASSERT(run.length >= 0, "attributed string run with a negative length");
        total += run.length;
        if (run.length == 0)
            continue;
        qsizetype index = distinct.indexOf(run.attributes);
        if (index < 0) {
            index = distinct.size();
            distinct.append(run.attributes);
        }
        if (!merged.isEmpty() && merged.last().second == index)
            merged.last().first += run.length;
        else
            merged.append({run.length, index});
    }
    DW_ASSERT(total == text.string.size(), "attributed string runs do not cover its text");

    if (merged.size() == 1) {
        coder.encodeObject(dictionaryFrom(distinct.first()), QStringLiteral("NSAttributes"));
        return;
    }
    QVariantList dictionaries;
    for (const ArchivedTextAttributes& attributes : distinct)
        dictionaries.append(dictionaryFrom(attributes));
    QByteArray info;
    for (const auto& [length, index] : merged) {
        appendNumber(&info, quint64(length));
        appendNumber(&info, quint64(index));
    }
    coder.encodeObject(dictionaries, QStringLiteral("NSAttributes"));
    coder.encodeObject(info, QStringLiteral("NSAttributeInfo"));
}

ArchivedAttributedString decodeAttributedString(KeyedUnarchiver& coder)
{
    ArchivedAttributedString result;
    const QVariant string = coder.decodeObjectForKey(QStringLiteral("NSString"));
    const QVariant attributes = coder.decodeObjectForKey(QStringLiteral("NSAttributes"));
    QVariant info = coder.decodeObjectForKey(QStringLiteral("NSAttributeInfo"));
    if (!info.isValid())
        info = coder.decodeBytesForKey(QStringLiteral("NSAttributeInfo"));
    if (!coder.isValid())
        return {};
    // Earlier versions wrote an empty text as nil.
    if (string.isValid() && string.typeId() != QMetaType::QString) {
        coder.failWithError(QStringLiteral("attributed string without text"));
        return {};
    }
    result.string = string.isValid() ? string.toString() : QStringLiteral("");

    if (!coder.containsValueForKey(QStringLiteral("NSAttributeInfo"))) {
        // One run over the whole text, or plain text.
        if (attributes.typeId() == QMetaType::QVariantMap && !result.string.isEmpty())
            result.runs.append({result.string.size(), attributesFrom(attributes.toMap())});
        else if (attributes.isValid() && attributes.typeId() != QMetaType::QVariantMap)
            coder.failWithError(QStringLiteral("attributed string with damaged attributes"));
        return result;
    }

    if (attributes.typeId() != QMetaType::QVariantList || info.typeId() != QMetaType::QByteArray) {
        coder.failWithError(QStringLiteral("attributed string with damaged attributes"));
        return {};
    }
    const QVariantList dictionaries = attributes.toList();
    QList<ArchivedTextAttributes> converted;
    for (const QVariant& dictionary : dictionaries) {
        if (dictionary.typeId() != QMetaType::QVariantMap) {
            coder.failWithError(QStringLiteral("attributed string with damaged attributes"));
            return {};
        }
        converted.append(attributesFrom(dictionary.toMap()));
    }
    const QByteArray runData = info.toByteArray();
    qsizetype at = 0;
    quint64 covered = 0;
    const auto textLength = quint64(result.string.size());
    while (at < runData.size()) {
        quint64 length = 0, index = 0;
        if (!readNumber(runData, &at, &length) || !readNumber(runData, &at, &index) ||
            index >= quint64(converted.size()) || length > textLength - covered) {
            coder.failWithError(QStringLiteral("attributed string runs do not fit its text"));
            return {};
        }
        covered += length;
        if (length > 0)
            result.runs.append({qsizetype(length), converted[qsizetype(index)]});
    }
    if (covered != textLength) {
        coder.failWithError(QStringLiteral("attributed string runs do not fit its text"));
        return {};
    }
    return result;
}

} // namespace archive

} // namespace dw
