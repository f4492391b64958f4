// qv-archive FILE
//
// Prints a keyed archive (a listing document, a log entry, a stored record) as indented JSON, to
// see what a file holds without the program. Objects show their class as "$class" and their
// superclasses as "$classes"; platform values that JSON lacks (data, dates, decimal numbers,
// styled text, pictures) are objects with a "$class" too. A value that the archive shares between
// several places (an object, a list, a dictionary, a long text) is printed in full once, with
// "$id": n (an object) or as {"$id": n, "$value": ...} (any other value), and as {"$ref": n}
// wherever else it stands, so the output grows with the file and not with its references. The
// output is written as it is made. Exits 1 with a message on standard error when the file cannot
// be read as a keyed archive or the output cannot be written, 2 on wrong usage.

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/ArchivedImage.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <cmath>
#include <cstdio>
#include <exception>

namespace {

// Texts and data shorter than this are printed wherever they stand, however often they do.
constexpr qsizetype kSharedScalarSize = 64;

QByteArray jsonString(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out.append('"');
    qsizetype plain = 0; // start of the characters not yet written
    const auto flush = [&](qsizetype end) { out.append(text.sliced(plain, end - plain).toUtf8()); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool quote = c == u'"' || c == u'\\';
        // Control characters and unpaired surrogates, which UTF-8 cannot hold, become escapes.
        if (!quote && c >= 0x20 && !QChar::isSurrogate(c))
            continue;
        flush(i);
        plain = i + 1;
        if (quote)
            out.append('\\').append(char(c));
        else if (c == u'\n')
            out.append("\\n");
        else
            out.append("\\u").append(QByteArray::number(c, 16).rightJustified(4, '0'));
    }
    flush(text.size());
    out.append('"');
    return out;
}

QByteArray jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toLatin1();
}

// A value the archive may share: its identity (the shared data every copy of it points to), or
// null for a value printed wherever it stands.
const void* identityOf(const QVariant& value)
{
    const int type = value.typeId();
    if (type == qMetaTypeId<dw::ArchivedObjectPtr>())
        return value.value<dw::ArchivedObjectPtr>().get();
    if (type == qMetaTypeId<dw::ArchivedImage>())
        return value.value<dw::ArchivedImage>().archivedObject().get();
    if (type == qMetaTypeId<dw::ArchivedAttributedString>()) {
        const auto text = value.value<dw::ArchivedAttributedString>();
        if (!text.runs.isEmpty())
            return text.runs.constData();
        return text.string.size() >= kSharedScalarSize ? text.string.constData() : nullptr;
    }
    switch (type) {
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        return list.isEmpty() ? nullptr : list.constData();
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        return map.isEmpty() ? nullptr : &*map.constBegin();
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        return text.size() >= kSharedScalarSize ? text.constData() : nullptr;
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return bytes.size() >= kSharedScalarSize ? bytes.constData() : nullptr;
    }
    default:
        return nullptr;
    }
}

class JsonPrinter
{
public:
    explicit JsonPrinter(std::FILE* out) : m_out(out) {}

    // Counts the uses of every shared value, descending into each one once.
    void countUses(const QVariant& value)
    {
        if (value.typeId() == qMetaTypeId<dw::ArchiveReference>())
            return countUses(value.value<dw::ArchiveReference>().target);
        if (const void* identity = identityOf(value)) {
            if (++m_uses[identity] > 1)
                return;
        }
        forEachChild(value, [this](const QString&, const QVariant& child) { countUses(child); });
    }

    void printDocument(const QVariant& root)
    {
        write("{\n    \"root\": ");
        print(root, 1);
        write("\n}\n");
    }

    bool finish() { return std::fflush(m_out) == 0 && !std::ferror(m_out); }

private:
    // The children of a value, each with its key ("" in lists).
    template<class F>
    static void forEachChild(const QVariant& value, F visit)
    {
        const int type = value.typeId();
        if (type == qMetaTypeId<dw::ArchivedObjectPtr>()) {
            if (const auto opaque =
                    std::dynamic_pointer_cast<dw::OpaqueArchivedObject>(value.value<dw::ArchivedObjectPtr>())) {
                for (auto it = opaque->fields().constBegin(); it != opaque->fields().constEnd(); ++it)
                    visit(it.key(), it.value());
            }
        } else if (type == qMetaTypeId<dw::ArchivedAttributedString>()) {
            for (const dw::ArchivedTextRun& run : value.value<dw::ArchivedAttributedString>().runs) {
                for (auto it = run.attributes.other.constBegin(); it != run.attributes.other.constEnd(); ++it)
                    visit(it.key(), it.value());
            }
        } else if (type == QMetaType::QVariantList) {
            for (const QVariant& element : value.toList())
                visit(QString(), element);
        } else if (type == QMetaType::QVariantMap) {
            const QVariantMap map = value.toMap();
            for (auto it = map.constBegin(); it != map.constEnd(); ++it)
                visit(it.key(), it.value());
        }
    }

    void write(const QByteArray& bytes) { std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_out); }
    void newline(int level)
    {
        write("\n");
        write(QByteArray(4 * level, ' '));
    }

    // An object's members: fixed ones first, then those printed by `rest`.
    template<class F>
    void printMembers(const QList<std::pair<QByteArray, QByteArray>>& fixed, int level, F rest)
    {
        write("{");
        bool first = true;
        for (const auto& [key, json] : fixed) {
            write(first ? "" : ",");
            first = false;
            newline(level + 1);
            write(jsonString(QString::fromLatin1(key)) + ": " + json);
        }
        rest(first);
        if (!first)
            newline(level);
        write("}");
    }

    // Writes ",\n<indent>"key": " before a member of an object opened by printMembers().
    void memberKey(bool* first, const QString& key, int level)
    {
        write(*first ? "" : ",");
        *first = false;
        newline(level + 1);
        write(jsonString(key) + ": ");
    }

    void print(const QVariant& value, int level)
    {
        if (value.typeId() == qMetaTypeId<dw::ArchiveReference>())
            return print(value.value<dw::ArchiveReference>().target, level);
        const void* identity = identityOf(value);
        if (identity && m_uses.value(identity) > 1) {
            if (const auto it = m_ids.constFind(identity); it != m_ids.constEnd()) {
                write("{\"$ref\": " + QByteArray::number(*it) + "}");
                return;
            }
            const qint64 id = m_ids.size() + 1;
            m_ids.insert(identity, id);
            if (value.typeId() == qMetaTypeId<dw::ArchivedObjectPtr>()) {
                printObject(value.value<dw::ArchivedObjectPtr>(), level, id);
                return;
            }
            printMembers({{"$id", QByteArray::number(id)}}, level, [&](bool& first) {
                memberKey(&first, QStringLiteral("$value"), level);
                printValue(value, level + 1);
            });
            return;
        }
        printValue(value, level);
    }

    void printObject(const dw::ArchivedObjectPtr& object, int level, qint64 id = 0)
    {
        if (!object) {
            write("null");
            return;
        }
        QByteArrayList chain;
        for (const QString& name : object->archiveClassChain())
            chain.append(jsonString(name));
        QList<std::pair<QByteArray, QByteArray>> fixed{{"$class", jsonString(object->archiveClassName())},
                                                       {"$classes", "[" + chain.join(", ") + "]"}};
        if (id > 0)
            fixed.append({"$id", QByteArray::number(id)});
        printMembers(fixed, level, [&](bool& first) {
            forEachChild(dw::archiveValue(object), [&](const QString& key, const QVariant& child) {
                memberKey(&first, key, level);
                print(child, level + 1);
            });
        });
    }

    void printAttributedString(const dw::ArchivedAttributedString& text, int level)
    {
        printMembers({{"$class", "\"NSAttributedString\""}, {"string", jsonString(text.string)}}, level,
                     [&](bool& first) {
                         memberKey(&first, QStringLiteral("runs"), level);
                         write("[");
                         for (qsizetype i = 0; i < text.runs.size(); ++i) {
                             write(i == 0 ? "" : ",");
                             newline(level + 2);
                             printRun(text.runs[i], level + 2);
                         }
                         if (!text.runs.isEmpty())
                             newline(level + 1);
                         write("]");
                     });
    }

    void printRun(const dw::ArchivedTextRun& run, int level)
    {
        const dw::ArchivedTextAttributes& attributes = run.attributes;
        QList<std::pair<QByteArray, QByteArray>> fixed;
        if (!attributes.fontName.isEmpty()) {
            fixed.append({"font", jsonString(attributes.fontName)});
            fixed.append({"size", jsonNumber(attributes.fontSize)});
        }
        if (const auto& c = attributes.color) {
            fixed.append({"color", "{\"red\": " + jsonNumber(c->red) + ", \"green\": " + jsonNumber(c->green) +
                                       ", \"blue\": " + jsonNumber(c->blue) + ", \"alpha\": " + jsonNumber(c->alpha) +
                                       "}"});
        }
        if (attributes.alignment != dw::ArchivedTextAlignment::None)
            fixed.append({"alignment", QByteArray::number(int(attributes.alignment))});
        if (attributes.underline != 0)
            fixed.append({"underline", QByteArray::number(attributes.underline)});
        if (attributes.strikethrough != 0)
            fixed.append({"strikethrough", QByteArray::number(attributes.strikethrough)});
        printMembers({{"length", QByteArray::number(run.length)}}, level, [&](bool& first) {
            memberKey(&first, QStringLiteral("attributes"), level);
            printMembers(fixed, level + 1, [&](bool& firstAttribute) {
                for (auto it = attributes.other.constBegin(); it != attributes.other.constEnd(); ++it) {
                    memberKey(&firstAttribute, it.key(), level + 1);
                    print(it.value(), level + 2);
                }
            });
        });
    }

    void printValue(const QVariant& value, int level)
    {
        if (!value.isValid()) {
            write("null");
            return;
        }
        const int type = value.typeId();
        if (type == qMetaTypeId<dw::ArchivedObjectPtr>())
            return printObject(value.value<dw::ArchivedObjectPtr>(), level);
        if (type == qMetaTypeId<dw::ArchivedDecimalNumber>())
            return write("{\"$class\": \"NSDecimalNumber\", \"value\": " + jsonString(value.toString()) + "}");
        if (type == qMetaTypeId<dw::ArchivedAttributedString>())
            return printAttributedString(value.value<dw::ArchivedAttributedString>(), level);
        if (type == qMetaTypeId<dw::ArchivedImage>()) {
            QByteArrayList sizes;
            for (const QByteArray& bytes : value.value<dw::ArchivedImage>().representations())
                sizes.append(QByteArray::number(bytes.size()));
            return write("{\"$class\": \"NSImage\", \"representationSizes\": [" + sizes.join(", ") + "]}");
        }
        switch (type) {
        case QMetaType::QString:
            return write(jsonString(value.toString()));
        case QMetaType::Bool:
            return write(value.toBool() ? "true" : "false");
        case QMetaType::Int:
        case QMetaType::LongLong:
            return write(QByteArray::number(value.toLongLong()));
        case QMetaType::Double:
            return write(jsonNumber(value.toDouble()));
        case QMetaType::QByteArray:
            return write("{\"$class\": \"NSData\", \"base64\": \"" + value.toByteArray().toBase64() + "\"}");
        case QMetaType::QDateTime:
            return write("{\"$class\": \"NSDate\", \"time\": " +
                         jsonString(value.toDateTime().toString(Qt::ISODateWithMs)) + "}");
        case QMetaType::QVariantList: {
            const QVariantList list = value.toList();
            write("[");
            for (qsizetype i = 0; i < list.size(); ++i) {
                write(i == 0 ? "" : ",");
                newline(level + 1);
                print(list[i], level + 1);
            }
            if (!list.isEmpty())
                newline(level);
            write("]");
            return;
        }
        case QMetaType::QVariantMap:
            printMembers({}, level, [&](bool& first) {
                forEachChild(value, [&](const QString& key, const QVariant& child) {
                    memberKey(&first, key, level);
                    print(child, level + 1);
                });
            });
            return;
        default:
            write(jsonString(value.toString()));
        }
    }

    std::FILE* m_out;
    QHash<const void*, qint64> m_uses;
    QHash<const void*, qint64> m_ids;
};

int run(const QString& path)
{
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithFile(path, &error);
    if (!root) {
        std::fprintf(stderr, "qv-archive: %s: %s\n", qPrintable(path), qPrintable(error));
        return 1;
    }
    JsonPrinter printer(stdout);
    printer.countUses(*root);
    printer.printDocument(*root);
    if (!printer.finish()) {
        std::fprintf(stderr, "qv-archive: cannot write the output\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 2 || arguments[1].startsWith(u'-')) {
        std::fputs("usage: qv-archive FILE\n", stderr);
        return 2;
    }
    try {
        return run(arguments[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qv-archive: %s: cannot be shown: %s\n", qPrintable(arguments[1]), e.what());
    } catch (...) {
        std::fprintf(stderr, "qv-archive: %s: cannot be shown\n", qPrintable(arguments[1]));
    }
    return 1;
}
