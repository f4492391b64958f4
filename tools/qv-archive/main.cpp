// qv-archive FILE
//
// Prints a keyed archive (a listing document, a log entry, a stored record) as indented JSON, to
// see what a file holds without the program. Objects show their class as "$class" and their
// superclasses as "$classes"; platform values that JSON lacks (data, dates, decimal numbers,
// styled text, pictures) are objects with a "$class" too. Exits 1 with a message on standard
// error when the file cannot be read as a keyed archive, 2 on wrong usage.

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QJsonValue toJson(const QVariant& value);

QJsonObject classed(const char* className)
{
    return {{QStringLiteral("$class"), QString::fromLatin1(className)}};
}

QJsonValue attributesJson(const dw::ArchivedTextAttributes& attributes)
{
    QJsonObject json;
    if (!attributes.fontName.isEmpty()) {
        json.insert(QStringLiteral("font"), attributes.fontName);
        json.insert(QStringLiteral("size"), attributes.fontSize);
    }
    if (attributes.color.isValid())
        json.insert(QStringLiteral("color"), attributes.color.name(QColor::HexArgb));
    if (attributes.alignment != dw::ArchivedTextAlignment::None)
        json.insert(QStringLiteral("alignment"), int(attributes.alignment));
    if (attributes.underline != 0)
        json.insert(QStringLiteral("underline"), attributes.underline);
    if (attributes.strikethrough != 0)
        json.insert(QStringLiteral("strikethrough"), attributes.strikethrough);
    for (auto it = attributes.other.constBegin(); it != attributes.other.constEnd(); ++it)
        json.insert(it.key(), toJson(it.value()));
    return json;
}

QJsonValue objectJson(const dw::ArchivedObjectPtr& object)
{
    if (!object)
        return QJsonValue::Null;
    QJsonObject json{{QStringLiteral("$class"), object->archiveClassName()},
                     {QStringLiteral("$classes"), QJsonArray::fromStringList(object->archiveClassChain())}};
    if (const auto opaque = std::dynamic_pointer_cast<dw::OpaqueArchivedObject>(object)) {
        for (auto it = opaque->fields().constBegin(); it != opaque->fields().constEnd(); ++it)
            json.insert(it.key(), toJson(it.value()));
    }
    return json;
}

QJsonValue toJson(const QVariant& value)
{
    if (!value.isValid())
        return QJsonValue::Null;
    const int type = value.typeId();
    if (type == qMetaTypeId<dw::ArchivedObjectPtr>())
        return objectJson(value.value<dw::ArchivedObjectPtr>());
    if (type == qMetaTypeId<dw::ArchiveReference>())
        return toJson(value.value<dw::ArchiveReference>().target);
    if (type == qMetaTypeId<dw::ArchivedDecimalNumber>()) {
        QJsonObject json = classed("NSDecimalNumber");
        json.insert(QStringLiteral("value"), value.toString());
        return json;
    }
    if (type == qMetaTypeId<dw::ArchivedAttributedString>()) {
        const auto text = value.value<dw::ArchivedAttributedString>();
        QJsonArray runs;
        for (const dw::ArchivedTextRun& run : text.runs)
            runs.append(QJsonObject{{QStringLiteral("length"), qint64(run.length)},
                                    {QStringLiteral("attributes"), attributesJson(run.attributes)}});
        QJsonObject json = classed("NSAttributedString");
        json.insert(QStringLiteral("string"), text.string);
        json.insert(QStringLiteral("runs"), runs);
        return json;
    }
    switch (type) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QByteArray: {
        QJsonObject json = classed("NSData");
        json.insert(QStringLiteral("base64"), QString::fromLatin1(value.toByteArray().toBase64()));
        return json;
    }
    case QMetaType::QDateTime: {
        QJsonObject json = classed("NSDate");
        json.insert(QStringLiteral("time"), value.toDateTime().toString(Qt::ISODateWithMs));
        return json;
    }
    case QMetaType::QImage: {
        const auto image = value.value<QImage>();
        QJsonObject json = classed("NSImage");
        json.insert(QStringLiteral("width"), image.width());
        json.insert(QStringLiteral("height"), image.height());
        return json;
    }
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(toJson(element));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    default:
        return value.toString();
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // The application object lets image plug-ins load, so archived pictures can be read.
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2 || arguments[1].startsWith(u'-')) {
        std::fputs("usage: qv-archive FILE\n", stderr);
        return 2;
    }
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithFile(arguments[1], &error);
    if (!root) {
        std::fprintf(stderr, "qv-archive: %s: %s\n", qPrintable(arguments[1]), qPrintable(error));
        return 1;
    }
    const QJsonObject document{{QStringLiteral("root"), toJson(*root)}};
    const QByteArray text = QJsonDocument(document).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}
