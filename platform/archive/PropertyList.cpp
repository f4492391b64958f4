#include "platform/archive/PropertyList.h"

#include "platform/archive/PropertyListGuard.h"
#include "platform/archive/PropertyListTexts.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/RegularFile.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimeZone>
#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <memory>
#include <plist/plist.h>

namespace dw::plist {

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the epoch of property-list dates.
constexpr qint64 kAppleEpochOffset = 978307200;

struct PlistDeleter
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

bool toVariant(plist_t node, int depth, const BinaryTexts& texts, QVariant* out, QString* error)
{
    if (depth > kMaxDepth) {
        if (error)
            *error = QStringLiteral("property list nested too deeply");
        return false;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        *out = bool(v);
        return true;
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        *out = qlonglong(v); // negative integers come back as their two's complement
        return true;
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        *out = v;
        return true;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* v = plist_get_string_ptr(node, &length);
        *out = texts.text(v ? v : "", v ? qsizetype(length) : 0);
        return true;
    }
    case PLIST_KEY: {
        char* v = nullptr;
        plist_get_key_val(node, &v);
        *out = texts.text(v ? v : "");
        free(v);
        return true;
    }
    case PLIST_DATA: {
        char* v = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &v, &length);
        *out = QByteArray(v ? v : "", qsizetype(length));
        free(v);
        return true;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (qint64(sec) + kAppleEpochOffset) * 1000 + usec / 1000;
        *out = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        return true;
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        *out = QVariantMap{{QStringLiteral("CF$UID"), qlonglong(v)}};
        return true;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        list.reserve(qsizetype(plist_array_get_size(node)));
        // Walked with an iterator: libplist finds an item by index from the start of the array.
        plist_array_iter it = nullptr;
        plist_array_new_iter(node, &it);
        std::unique_ptr<void, decltype(&free)> iterGuard(it, &free);
        while (true) {
            plist_t item = nullptr;
            plist_array_next_item(node, it, &item);
            if (!item)
                break;
            QVariant element;
            if (!toVariant(item, depth + 1, texts, &element, error))
                return false;
            list.append(element);
        }
        *out = list;
        return true;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        while (true) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                free(key);
                break;
            }
            QVariant element;
            const bool ok = toVariant(value, depth + 1, texts, &element, error);
            const QString k = texts.text(key ? key : "");
            free(key);
            if (!ok) {
                free(it);
                return false;
            }
            map.insert(k, element);
        }
        free(it);
        *out = map;
        return true;
    }
    default:
        if (error)
            *error = QStringLiteral("property list holds a value of unknown type");
        return false;
    }
}

// texts is null for XML, which keeps what libplist makes of texts it cannot carry.
QByteArray cText(const QString& text, BinaryTexts* texts)
{
    return texts ? texts->cText(text) : text.toUtf8();
}

plist_t fromVariant(const QVariant& value, int depth, BinaryTexts* texts)
{
    if (depth > kMaxDepth || !value.isValid())
        return nullptr;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(cText(value.toString(), texts).constData());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kAppleEpochOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        return plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000));
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        plist_t array = plist_new_array();
        for (const QVariant& element : value.toList()) {
            if (plist_t item = fromVariant(element, depth + 1, texts))
                plist_array_append_item(array, item);
        }
        return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        const QVariantMap map = value.toMap();
        if (map.size() == 1 && map.contains(QStringLiteral("CF$UID")))
            return plist_new_uid(uint64_t(map.value(QStringLiteral("CF$UID")).toLongLong()));
        plist_t dict = plist_new_dict();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            if (plist_t item = fromVariant(it.value(), depth + 1, texts))
                plist_dict_set_item(dict, cText(it.key(), texts).constData(), item);
        }
        return dict;
    }
    default:
        if (value.canConvert<QString>())
            return plist_new_string(cText(value.toString(), texts).constData());
        return nullptr;
    }
}

} // namespace

std::optional<QVariant> read(const QByteArray& data, QString* error)
{
    if (data.isEmpty() || data.size() > qsizetype(UINT32_MAX)) {
        if (error)
            *error = QStringLiteral("not a property list (empty or too large)");
        return std::nullopt;
    }
    BinaryTexts texts;
    const QByteArray parsed = texts.substituteTexts(data);
    if (parsed.size() > qsizetype(UINT32_MAX)) {
        if (error)
            *error = QStringLiteral("not a property list (empty or too large)");
        return std::nullopt;
    }
    // The parser recurses without bound; refuse hostile nesting before it sees the bytes.
    if (!checkStructure(parsed, kMaxDepth, kMaxNodes, error))
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(parsed.constData(), uint32_t(parsed.size()), &root);
    PlistPtr guard(root);
    if (!root) {
        if (error)
            *error = QStringLiteral("not a property list, or a damaged one");
        return std::nullopt;
    }
    QVariant value;
    if (!toVariant(root, 0, texts, &value, error))
        return std::nullopt;
    return value;
}

std::optional<QVariant> readFile(const QString& path, QString* error)
{
    // A pipe or a device in place of the file would block or never end.
    QString why;
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxFileBytes, &why);
    if (!bytes) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, why);
        return std::nullopt;
    }
    return read(*bytes, error);
}

QByteArray write(const QVariant& value, Format format)
{
    BinaryTexts texts;
    PlistPtr root(fromVariant(value, 0, format == Format::Binary ? &texts : nullptr));
    if (!root)
        return QByteArray();
    char* bytes = nullptr;
    uint32_t length = 0;
    QByteArray result;
    if (format == Format::Xml) {
        plist_to_xml(static_cast<plist_t>(root.get()), &bytes, &length);
        result = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    } else {
        plist_to_bin(static_cast<plist_t>(root.get()), &bytes, &length);
        result = texts.resolvePlaceholders(QByteArray(bytes, qsizetype(length)));
        plist_to_bin_free(bytes);
    }
    return result;
}

bool writeFile(const QString& path, const QVariant& value, Format format, QString* error)
{
    const QByteArray bytes = write(value, format);
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("nothing to write");
        return false;
    }
    return writeFileAtomically(path, bytes, error);
}

QJsonValue toJson(const QVariant& value, const JsonHook& special)
{
    if (special) {
        if (auto answered = special(value))
            return *answered;
    }
    if (!value.isValid())
        return QJsonValue::Null;
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            object.insert(it.key(), toJson(it.value(), special));
        return object;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(toJson(element, special));
        return array;
    }
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODate);
    default:
        return QJsonValue::fromVariant(value);
    }
}

} // namespace dw::plist
