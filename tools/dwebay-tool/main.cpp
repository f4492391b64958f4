// dwebay-tool: the generated eBay classes of DWEBay from the command line.
//
//   dwebay-tool classes [--kind data|message]   the class names, one a line
//   dwebay-tool tables CLASS                    the class's tables as JSON
//   dwebay-tool dump CLASS FILE                 the document in FILE read into CLASS, as JSON
//   dwebay-tool roundtrip CLASS FILE            reads FILE, writes it, and says whether it reads back equal
//   dwebay-tool send --url URL --verb VERB [--token T] FILE
//                                               sends the request document in FILE to the Trading API
//                                               at URL as the call VERB and prints the reply as it came;
//                                               with a token, the token goes into the request first
//
// FILE may be "-" for standard input. A dump shows every field that is set (scalars only when not
// 0 or NO) under its key; nested records carry their class as "$class", dates stand in the form
// that the XML carries, bytes as Base64. Exits 1 when a document cannot be read or does not read
// back equal or no reply came (the console line on standard error says why), 2 on wrong usage.
// The developer, application and certificate IDs are left empty; site 0, compatibility level 747.

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAbstractRequestType.h"
#include "DWEBay2/types/EBayTypes.h"
#include "DWGeneratedObject/DWGeneratedObject.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <optional>

namespace {

int usage()
{
    std::fputs("usage: dwebay-tool classes [--kind data|message]\n"
               "       dwebay-tool tables CLASS\n"
               "       dwebay-tool dump CLASS FILE\n"
               "       dwebay-tool roundtrip CLASS FILE\n"
               "       dwebay-tool send --url URL --verb VERB [--token T] FILE\n",
               stderr);
    return 2;
}

void print(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
}

void printJson(const QJsonObject& json)
{
    print(QJsonDocument(json).toJson(QJsonDocument::Indented));
}

const DWGeneratedClass* classNamed(const QString& name)
{
    const DWGeneratedClass* cls = EBayTypes::registry().classNamed(name);
    if (!cls)
        std::fprintf(stderr, "dwebay-tool: no class named %s (see dwebay-tool classes)\n", qPrintable(name));
    return cls;
}

QJsonObject tableJson(const DWGeneratedClass::Table& table)
{
    QJsonObject json;
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        json.insert(it.key(), it.value());
    return json;
}

QJsonValue valueJson(const QVariant& value, DWValueType type);

QJsonObject objectJson(const DWGeneratedObject& object)
{
    QJsonObject json{{QStringLiteral("$class"), object.generatedClass().name()}};
    const DWGeneratedClass& cls = object.generatedClass();
    for (int i = 0; i < cls.fieldCount(); ++i) {
        const DWFieldRow& row = cls.field(i);
        const QVariant value = object.fieldValue(i);
        if (!value.isValid())
            continue;
        const QString key = QString::fromLatin1(row.key);
        if (row.kind == DWFieldKind::Repeated) {
            QJsonArray items;
            for (const QVariant& item : value.toList())
                items.append(valueJson(item, row.valueType));
            json.insert(key, items);
            continue;
        }
        const bool zero = (row.valueType == DWValueType::Bool && !value.toBool()) ||
                          (row.valueType == DWValueType::Integer && value.toLongLong() == 0) ||
                          (row.valueType == DWValueType::Double && value.toDouble() == 0.0);
        if (!zero || row.kind == DWFieldKind::Content)
            json.insert(key, valueJson(value, row.valueType));
    }
    return json;
}

QJsonValue valueJson(const QVariant& value, DWValueType type)
{
    switch (type) {
    case DWValueType::Text:
        return value.toString();
    case DWValueType::Date:
        return value.toDateTime().toUTC().toString(Qt::ISODateWithMs);
    case DWValueType::Data:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case DWValueType::Bool:
        return value.toBool();
    case DWValueType::Integer:
        return value.toLongLong();
    case DWValueType::Double:
        return value.toDouble();
    case DWValueType::Object:
        if (const DWGeneratedObjectPtr object = DWGeneratedObject::objectFromVariant(value))
            return objectJson(*object);
        return QJsonValue::Null;
    }
    return QJsonValue::Null;
}

bool readFile(const QString& path, QByteArray& contents)
{
    QFile file;
    const bool opened = path == QStringLiteral("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                    : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "dwebay-tool: %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    contents = file.readAll();
    return true;
}

DWGeneratedObjectPtr parse(const DWGeneratedClass& cls, const QString& path, const QByteArray& data)
{
    QString error;
    DWGeneratedObjectPtr object = cls.requestWithXMLData(data, &error);
    if (!object)
        std::fprintf(stderr, "dwebay-tool: %s: %s\n", qPrintable(path), qPrintable(error));
    return object;
}

int listClasses(const QStringList& options)
{
    std::optional<DWGeneratedClass::Kind> kind;
    if (options.size() == 2 && options[0] == QStringLiteral("--kind") && options[1] == QStringLiteral("data"))
        kind = DWGeneratedClass::DataType;
    else if (options.size() == 2 && options[0] == QStringLiteral("--kind") && options[1] == QStringLiteral("message"))
        kind = DWGeneratedClass::Message;
    else if (!options.isEmpty())
        return usage();
    QByteArray text;
    for (const DWGeneratedClass* cls : EBayTypes::registry().allClasses()) {
        if (!kind || cls->kind() == *kind)
            text += cls->name().toUtf8() + '\n';
    }
    print(text);
    return 0;
}

int showTables(const DWGeneratedClass& cls)
{
    const DWGeneratedObjectPtr instance = cls.create();
    printJson({
        {QStringLiteral("class"), cls.name()},
        {QStringLiteral("superclass"), cls.superclass() ? cls.superclass()->name() : QString()},
        {QStringLiteral("kind"),
         cls.kind() == DWGeneratedClass::Message ? QStringLiteral("message") : QStringLiteral("data")},
        {QStringLiteral("elementName"), cls.elementName().isEmpty() ? QJsonValue() : QJsonValue(cls.elementName())},
        {QStringLiteral("namespace"), instance->xmlNamespace()},
        {QStringLiteral("hasSimpleContent"), cls.hasSimpleContent()},
        {QStringLiteral("elements"), tableJson(cls.elements())},
        {QStringLiteral("elementTypes"), tableJson(cls.elementTypes())},
        {QStringLiteral("multiElements"), tableJson(cls.multiElements())},
        {QStringLiteral("multiElementsTypes"), tableJson(cls.multiElementsTypes())},
        {QStringLiteral("attributeKeys"), tableJson(cls.attributeKeys())},
        {QStringLiteral("attributeTypes"), tableJson(cls.attributeTypes())},
        {QStringLiteral("booleanElements"), QJsonArray::fromStringList(cls.booleanElements())},
        {QStringLiteral("requiredNumberElements"), QJsonArray::fromStringList(instance->requiredNumberElements())},
    });
    return 0;
}

int dump(const DWGeneratedClass& cls, const QString& path)
{
    QByteArray data;
    if (!readFile(path, data))
        return 1;
    const DWGeneratedObjectPtr object = parse(cls, path, data);
    if (!object)
        return 1;
    printJson(objectJson(*object));
    return 0;
}

int roundTrip(const DWGeneratedClass& cls, const QString& path)
{
    QByteArray data;
    if (!readFile(path, data))
        return 1;
    const DWGeneratedObjectPtr object = parse(cls, path, data);
    if (!object)
        return 1;
    const DWGeneratedObjectPtr again = parse(cls, path + QStringLiteral(" (written again)"), object->xmlRequestData());
    if (!again)
        return 1;
    if (!again->isEqual(*object)) {
        std::printf("%s: differs after writing and reading it again\n", qPrintable(path));
        return 1;
    }
    std::printf("%s: reads back equal\n", qPrintable(path));
    return 0;
}

int send(const QStringList& arguments)
{
    QString url, verb, path;
    std::optional<QString> token;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QStringLiteral("--url") && hasValue)
            url = arguments[++i];
        else if (argument == QStringLiteral("--verb") && hasValue)
            verb = arguments[++i];
        else if (argument == QStringLiteral("--token") && hasValue)
            token = arguments[++i];
        else if (path.isNull() && (argument == QStringLiteral("-") || !argument.startsWith(u'-')))
            path = argument;
        else
            return usage();
    }
    if (url.isEmpty() || verb.isEmpty() || path.isNull())
        return usage();

    QByteArray data;
    if (!readFile(path, data))
        return 1;
    DWEbayConnector connector(url, 0, 747);
    std::optional<QByteArray> reply;
    if (token) {
        const DWGeneratedClass* cls =
            EBayTypes::registry().classNamed(QStringLiteral("EBay") + verb + QStringLiteral("RequestType"));
        if (!cls || !cls->isSubclassOf(EBayAbstractRequestType::staticClass())) {
            std::fprintf(stderr, "dwebay-tool: no request class for the call %s\n", qPrintable(verb));
            return 1;
        }
        const DWGeneratedObjectPtr request = parse(*cls, path, data);
        if (!request)
            return 1;
        connector.setToken(*token);
        reply = connector.sendRequestWithToken(std::static_pointer_cast<EBayAbstractRequestType>(request), verb);
    } else {
        reply = connector.sendRequestString(QString::fromUtf8(data), verb);
    }
    if (!reply)
        return 1;
    print(*reply);
    return 0;
}

} // namespace

static int run(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return usage();
    const QString& command = arguments[0];
    if (command == QStringLiteral("classes"))
        return listClasses(arguments.mid(1));
    if (command == QStringLiteral("tables") && arguments.size() == 2) {
        const DWGeneratedClass* cls = classNamed(arguments[1]);
        return cls ? showTables(*cls) : 2;
    }
    if ((command == QStringLiteral("dump") || command == QStringLiteral("roundtrip")) && arguments.size() == 3) {
        const DWGeneratedClass* cls = classNamed(arguments[1]);
        if (!cls)
            return 2;
        return command == QStringLiteral("dump") ? dump(*cls, arguments[2]) : roundTrip(*cls, arguments[2]);
    }
    if (command == QStringLiteral("send"))
        return send(arguments.mid(1));
    return usage();
}

int main(int argc, char** argv)
{
    // Input that slips past the checks must still end in a message, never in an abort.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: cannot go on: %s\n", "dwebay-tool", e.what());
        return 1;
    }
}
