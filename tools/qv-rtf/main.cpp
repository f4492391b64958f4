// qv-rtf: looks into the styled text of RTF files, and makes RTF from a readable description.
//
//     qv-rtf dump FILE     the text and attribute runs of an RTF file, as JSON on standard output
//     qv-rtf write JSON    RTF made from such JSON (a file, or - for standard input) on standard output
//
// The JSON is {"text": "...", "runs": [{"start": 0, "length": 5, "font": {"family": "Helvetica",
// "size": 12, "bold": false, "italic": false}, "color": {"red": 1, "green": 0, "blue": 0,
// "alpha": 1}, "alignment": "center", "underline": 1, "strikethrough": 1}, ...]}; positions count
// UTF-16 units, attributes that are not set are left out, and the runs cover the whole text in
// order. The JSON is written as it is made. Exits with 1 and a message on standard error when a
// file cannot be read or is not RTF or not such JSON, or the output cannot be written; with 2 on a
// wrong command line.

#include "platform/text/RtfCodec.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstdio>
#include <exception>
#include <optional>

namespace {

constexpr std::array<std::pair<dw::TextAlignment, const char*>, 5> kAlignmentNames = {{
    {dw::TextAlignment::Left, "left"},
    {dw::TextAlignment::Right, "right"},
    {dw::TextAlignment::Center, "center"},
    {dw::TextAlignment::Justified, "justified"},
    {dw::TextAlignment::Natural, "natural"},
}};

void printError(const QString& message)
{
    std::fprintf(stderr, "qv-rtf: %s\n", message.toLocal8Bit().constData());
}

QJsonObject runToJson(const dw::StyledRun& run)
{
    QJsonObject object{{QStringLiteral("start"), run.start}, {QStringLiteral("length"), run.length}};
    const dw::TextAttributes& attributes = run.attributes;
    if (attributes.font) {
        object.insert(QStringLiteral("font"), QJsonObject{
                                                  {QStringLiteral("family"), attributes.font->family},
                                                  {QStringLiteral("size"), attributes.font->pointSize},
                                                  {QStringLiteral("bold"), attributes.font->bold},
                                                  {QStringLiteral("italic"), attributes.font->italic},
                                              });
    }
    if (const auto& color = attributes.foregroundColor) {
        object.insert(QStringLiteral("color"), QJsonObject{
                                                   {QStringLiteral("red"), color->red},
                                                   {QStringLiteral("green"), color->green},
                                                   {QStringLiteral("blue"), color->blue},
                                                   {QStringLiteral("alpha"), color->alpha},
                                               });
    }
    if (attributes.alignment) {
        for (const auto& [alignment, name] : kAlignmentNames) {
            if (alignment == *attributes.alignment)
                object.insert(QStringLiteral("alignment"), QLatin1String(name));
        }
    }
    if (attributes.underlineStyle != dw::kLineStyleNone)
        object.insert(QStringLiteral("underline"), attributes.underlineStyle);
    if (attributes.strikethroughStyle != dw::kLineStyleNone)
        object.insert(QStringLiteral("strikethrough"), attributes.strikethroughStyle);
    return object;
}

// Writes the JSON of text as it goes, one run at a time: a long document has hundreds of thousands
// of runs, and a JSON object per run held at once takes hundreds of bytes each.
bool writeJson(const dw::StyledText& text)
{
    std::fputs("{\n    \"runs\": [", stdout);
    bool first = true;
    for (const dw::StyledRun& run : text.runs()) {
        QByteArray json = QJsonDocument(runToJson(run)).toJson(QJsonDocument::Indented);
        json.chop(1); // the final newline
        json.replace("\n", "\n        ");
        std::fputs(first ? "\n        " : ",\n        ", stdout);
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        first = false;
    }
    // The text as a JSON string: the one element of an array, without the brackets.
    QByteArray string = QJsonDocument(QJsonArray{text.text()}).toJson(QJsonDocument::Compact);
    string = string.mid(1, string.size() - 2);
    std::fputs("\n    ],\n    \"text\": ", stdout);
    std::fwrite(string.constData(), 1, size_t(string.size()), stdout);
    std::fputs("\n}\n", stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool isInteger(const QJsonValue& value)
{
    return value.isDouble() && value.toDouble() == double(value.toInteger());
}

std::optional<dw::TextAttributes> attributesFromJson(const QJsonObject& run, QString* error)
{
    dw::TextAttributes attributes;
    if (run.contains(QStringLiteral("font"))) {
        const QJsonObject font = run.value(QStringLiteral("font")).toObject();
        const QJsonValue size = font.value(QStringLiteral("size"));
        if (!font.value(QStringLiteral("family")).isString() || !size.isDouble() || size.toDouble() <= 0) {
            *error = QStringLiteral("a font needs a \"family\" text and a positive \"size\"");
            return std::nullopt;
        }
        attributes.font =
            dw::TextFont{font.value(QStringLiteral("family")).toString(), size.toDouble(),
                         font.value(QStringLiteral("bold")).toBool(), font.value(QStringLiteral("italic")).toBool()};
    }
    if (run.contains(QStringLiteral("color"))) {
        const QJsonObject color = run.value(QStringLiteral("color")).toObject();
        for (const char* component : {"red", "green", "blue"}) {
            if (!color.value(QLatin1String(component)).isDouble()) {
                *error = QStringLiteral("a color needs \"red\", \"green\" and \"blue\" numbers");
                return std::nullopt;
            }
        }
        attributes.foregroundColor = dw::RgbaColor{
            color.value(QStringLiteral("red")).toDouble(), color.value(QStringLiteral("green")).toDouble(),
            color.value(QStringLiteral("blue")).toDouble(), color.value(QStringLiteral("alpha")).toDouble(1)};
    }
    if (run.contains(QStringLiteral("alignment"))) {
        const QString name = run.value(QStringLiteral("alignment")).toString();
        for (const auto& [alignment, alignmentName] : kAlignmentNames) {
            if (name == QLatin1String(alignmentName))
                attributes.alignment = alignment;
        }
        if (!attributes.alignment) {
            *error = QStringLiteral("unknown alignment \"%1\"").arg(name);
            return std::nullopt;
        }
    }
    for (const auto& [key, style] : {std::pair{"underline", &attributes.underlineStyle},
                                     std::pair{"strikethrough", &attributes.strikethroughStyle}}) {
        const QJsonValue value = run.value(QLatin1String(key));
        if (value.isUndefined())
            continue;
        if (!isInteger(value)) {
            *error = QStringLiteral("\"%1\" must be a whole number").arg(QLatin1String(key));
            return std::nullopt;
        }
        *style = value.toInt();
    }
    return attributes;
}

std::optional<dw::StyledText> fromJson(const QJsonObject& object, QString* error)
{
    if (!object.value(QStringLiteral("text")).isString()) {
        *error = QStringLiteral("the object needs a \"text\"");
        return std::nullopt;
    }
    const QString string = object.value(QStringLiteral("text")).toString();
    dw::StyledText text;
    qsizetype end = 0;
    for (const QJsonValue& value : object.value(QStringLiteral("runs")).toArray()) {
        const QJsonObject run = value.toObject();
        const QJsonValue start = run.value(QStringLiteral("start"));
        const QJsonValue length = run.value(QStringLiteral("length"));
        if (!isInteger(start) || !isInteger(length) || start.toInteger() != end || length.toInteger() < 0 ||
            length.toInteger() > string.size() - end) {
            *error = QStringLiteral("the run at %1 does not follow on from the one before it within the text")
                         .arg(start.toInteger());
            return std::nullopt;
        }
        std::optional<dw::TextAttributes> attributes = attributesFromJson(run, error);
        if (!attributes) {
            *error = QStringLiteral("the run at %1: %2").arg(end).arg(*error);
            return std::nullopt;
        }
        text.append(string.mid(end, length.toInteger()), *attributes);
        end += length.toInteger();
    }
    // Characters that no run covers have no attributes.
    text.append(string.mid(end), {});
    return text;
}

std::optional<QByteArray> readInput(const QString& path)
{
    QFile file(path);
    const bool opened =
        path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) {
        printError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return file.readAll();
}

bool writeOutput(const QByteArray& bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

int dump(const QString& path)
{
    const std::optional<QByteArray> data = readInput(path);
    if (!data)
        return 1;
    QString error;
    const std::optional<dw::StyledText> text = dw::rtf::read(*data, &error);
    if (!text) {
        printError(QStringLiteral("%1: %2").arg(path, error));
        return 1;
    }
    if (!writeJson(*text)) {
        printError(QStringLiteral("cannot write the output"));
        return 1;
    }
    return 0;
}

int write(const QString& path)
{
    const std::optional<QByteArray> data = readInput(path);
    if (!data)
        return 1;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*data, &parseError);
    if (!document.isObject()) {
        const QString reason = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                            : QStringLiteral("not a JSON object");
        printError(QStringLiteral("%1: %2").arg(path, reason));
        return 1;
    }
    QString error;
    const std::optional<dw::StyledText> text = fromJson(document.object(), &error);
    if (!text) {
        printError(QStringLiteral("%1: %2").arg(path, error));
        return 1;
    }
    if (!writeOutput(dw::rtf::write(*text))) {
        printError(QStringLiteral("cannot write the output"));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const bool known =
        arguments.size() == 3 && (arguments[1] == QLatin1String("dump") || arguments[1] == QLatin1String("write"));
    if (known) {
        try {
            return arguments[1] == QLatin1String("dump") ? dump(arguments[2]) : write(arguments[2]);
        } catch (const std::exception& e) {
            printError(QStringLiteral("%1: cannot be handled: %2").arg(arguments[2], QString::fromLocal8Bit(e.what())));
        } catch (...) {
            printError(QStringLiteral("%1: cannot be handled").arg(arguments[2]));
        }
        return 1;
    }
    std::fprintf(stderr, "usage: qv-rtf dump FILE\n       qv-rtf write JSON   (a file, or - for standard input)\n");
    return 2;
}
