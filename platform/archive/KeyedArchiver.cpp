#include "platform/archive/KeyedArchiver.h"

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/ArchivedImage.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyListTexts.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DWAssert.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <bit>
#include <cstring>
#include <plist/plist.h>
#include <vector>

namespace dw {

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the platform's reference date.
constexpr qint64 kReferenceDateOffset = 978307200;
// Data from this size on (a document's pictures) is written without passing through libplist.
constexpr qsizetype kLargeData = 16 * 1024;

struct PlistDeleter
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

void setItem(plist_t dict, const QString& key, plist_t item)
{
    plist_dict_set_item(dict, key.toUtf8().constData(), item);
}

plist_t newData(const QByteArray& bytes)
{
    return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
}

bool isIntegerType(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

} // namespace

struct KeyedArchiver::Private
{
    Private()
    {
        objects = plist_new_array();
        plist_array_append_item(objects, plist_new_string("$null"));
        top = plist_new_dict();
        contexts.push_back(top);
    }
    ~Private()
    {
        if (!finished) {
            plist_free(objects);
            plist_free(top);
        }
    }

    uint64_t append(plist_t node)
    {
        plist_array_append_item(objects, node);
        return objectCount++;
    }

    // Texts that a C string cannot carry become placeholders that encodedData() resolves.
    plist_t newString(const QString& text)
    {
        if (!plist::BinaryTexts::needsUtf16(text))
            return plist_new_string(text.toUtf8().constData());
        plist_t node = plist_new_string(texts.cText(text).constData());
        utf16Strings.emplace_back(node, text);
        return node;
    }

    // A new, empty object entry that the following encode calls fill.
    uint64_t beginObject()
    {
        plist_t dict = plist_new_dict();
        const uint64_t uid = append(dict);
        contexts.push_back(dict);
        return uid;
    }
    void endObject(const QStringList& classChain)
    {
        setItem(contexts.back(), QStringLiteral("$class"), plist_new_uid(classUid(classChain)));
        contexts.pop_back();
    }

    uint64_t classUid(const QStringList& chain)
    {
        const QString key = chain.join(u'\n');
        if (auto it = classes.constFind(key); it != classes.constEnd())
            return *it;
        plist_t entry = plist_new_dict();
        setItem(entry, QStringLiteral("$classname"), newString(chain.value(0)));
        plist_t names = plist_new_array();
        for (const QString& name : chain)
            plist_array_append_item(names, newString(name));
        setItem(entry, QStringLiteral("$classes"), names);
        const uint64_t uid = append(entry);
        classes.insert(key, uid);
        return uid;
    }

    template<class Key, class Make>
    uint64_t unique(QHash<Key, uint64_t>& table, const Key& key, Make make)
    {
        if (auto it = table.constFind(key); it != table.constEnd())
            return *it;
        const uint64_t uid = append(make());
        table.insert(key, uid);
        return uid;
    }

    struct DepthGuard
    {
        explicit DepthGuard(Private* owner) : p(owner)
        {
            DW_ASSERT(++p->depth <= KeyedUnarchiver::kMaxDepth, "archived values nested too deeply to be read back");
        }
        ~DepthGuard() { --p->depth; }
        Private* p;
    };

    uint64_t uidFor(const QVariant& value, KeyedArchiver* q)
    {
        if (!value.isValid())
            return 0;
        const int type = value.typeId();
        if (type == qMetaTypeId<ArchivedObjectPtr>())
            return objectUid(value.value<ArchivedObjectPtr>(), q);
        if (type == qMetaTypeId<ArchiveReference>())
            return uidFor(value.value<ArchiveReference>().target, q);
        if (type == qMetaTypeId<ArchivedDecimalNumber>())
            return decimalUid(value.value<ArchivedDecimalNumber>());
        if (type == qMetaTypeId<ArchivedImage>()) {
            const auto image = value.value<ArchivedImage>();
            DW_ASSERT(image.isNull() || image.archivedObject(), "cannot archive a picture that no archive supplied");
            return objectUid(image.archivedObject(), q);
        }
        if (type == qMetaTypeId<ArchivedAttributedString>()) {
            DepthGuard guard(this);
            const uint64_t uid = beginObject();
            archive::encodeAttributedString(value.value<ArchivedAttributedString>(), *q);
            endObject({QStringLiteral("NSMutableAttributedString"), QStringLiteral("NSAttributedString"),
                       QStringLiteral("NSObject")});
            return uid;
        }
        if (isIntegerType(type)) {
            const qint64 number = type == QMetaType::ULongLong || type == QMetaType::ULong ? qint64(value.toULongLong())
                                                                                           : value.toLongLong();
            return unique(integers, number, [&] { return plist_new_uint(uint64_t(number)); });
        }
        switch (type) {
        case QMetaType::QString: {
            const QString text = value.toString();
            if (text.isNull())
                return 0; // a null QString is nil, kept apart from ""
            return unique(strings, text, [&] { return newString(text); });
        }
        case QMetaType::Bool: {
            const qint64 key = value.toBool() ? 1 : 0;
            return unique(bools, key, [&] { return plist_new_bool(uint8_t(key)); });
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            const double number = value.toDouble();
            return unique(reals, std::bit_cast<quint64>(number), [&] { return plist_new_real(number); });
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            if (bytes.size() >= kLargeData)
                return largeDataUid(bytes);
            return unique(datas, bytes, [&] { return newData(bytes); });
        }
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid())
                return 0;
            const qint64 ms = date.toMSecsSinceEpoch();
            if (auto it = dates.constFind(ms); it != dates.constEnd())
                return *it;
            const uint64_t uid = beginObject();
            setItem(contexts.back(), QStringLiteral("NS.time"),
                    plist_new_real(double(ms - kReferenceDateOffset * 1000) / 1000.0));
            endObject({QStringLiteral("NSDate"), QStringLiteral("NSObject")});
            dates.insert(ms, uid);
            return uid;
        }
        case QMetaType::QStringList:
        case QMetaType::QVariantList: {
            DepthGuard guard(this);
            const QVariantList list = value.toList();
            const uint64_t uid = beginObject();
            plist_t dict = contexts.back();
            // Attached before the elements are encoded, so that a failing element leaks nothing.
            plist_t items = plist_new_array();
            setItem(dict, QStringLiteral("NS.objects"), items);
            for (const QVariant& element : list)
                plist_array_append_item(items, plist_new_uid(uidFor(element, q)));
            endObject({QStringLiteral("NSMutableArray"), QStringLiteral("NSArray"), QStringLiteral("NSObject")});
            return uid;
        }
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash: {
            DepthGuard guard(this);
            const QVariantMap map = value.toMap();
            const uint64_t uid = beginObject();
            plist_t dict = contexts.back();
            plist_t keys = plist_new_array();
            plist_t values = plist_new_array();
            setItem(dict, QStringLiteral("NS.keys"), keys);
            setItem(dict, QStringLiteral("NS.objects"), values);
            for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
                plist_array_append_item(keys, plist_new_uid(uidFor(it.key(), q)));
                plist_array_append_item(values, plist_new_uid(uidFor(it.value(), q)));
            }
            endObject(
                {QStringLiteral("NSMutableDictionary"), QStringLiteral("NSDictionary"), QStringLiteral("NSObject")});
            return uid;
        }
        default:
            DW_ASSERT(false, "cannot archive a value of type %@", value.metaType().name());
        }
        return 0;
    }

    // Large data passes libplist as a placeholder that the finished archive resolves; equal
    // blocks are one object, as equal small ones are.
    uint64_t largeDataUid(const QByteArray& bytes)
    {
        for (const LargeData& large : largeDatas) {
            if (large.bytes.size() == bytes.size() &&
                (large.bytes.constData() == bytes.constData() ||
                 std::memcmp(large.bytes.constData(), bytes.constData(), size_t(bytes.size())) == 0))
                return large.uid;
        }
        plist_t node = newData(texts.dataPlaceholder(bytes));
        const uint64_t uid = append(node);
        largeDatas.push_back({bytes, uid, node});
        return uid;
    }

    uint64_t objectUid(const ArchivedObjectPtr& object, KeyedArchiver* q)
    {
        if (!object)
            return 0;
        const ArchivedObject* key = object.get();
        DW_ASSERT(!inProgress.contains(key), "archived %@ refers back to itself", object->archiveClassName());
        if (auto it = written.constFind(key); it != written.constEnd())
            return *it;
        const QStringList chain = object->archiveClassChain();
        DW_ASSERT(!chain.isEmpty() && !chain.first().isEmpty(), "archived object without a class name");
        DepthGuard guard(this);
        // Kept alive until the archive is done, so that no later object can take its address.
        keepAlive.push_back(object);
        inProgress.insert(key);
        const uint64_t uid = beginObject();
        written.insert(key, uid);
        object->encodeWithCoder(*q);
        endObject(chain);
        inProgress.remove(key);
        return uid;
    }

    uint64_t decimalUid(const ArchivedDecimalNumber& number)
    {
        const ArchivedDecimalNumber::Fields fields = number.archivedFields();
        const uint64_t uid = beginObject();
        plist_t dict = contexts.back();
        setItem(dict, QStringLiteral("NS.exponent"), plist_new_uint(uint64_t(qint64(fields.exponent))));
        setItem(dict, QStringLiteral("NS.length"), plist_new_uint(uint64_t(fields.length)));
        setItem(dict, QStringLiteral("NS.negative"), plist_new_bool(fields.negative));
        setItem(dict, QStringLiteral("NS.compact"), plist_new_bool(fields.compact));
        setItem(dict, QStringLiteral("NS.mantissa.bo"), plist_new_uint(1));
        setItem(dict, QStringLiteral("NS.mantissa"), newData(fields.mantissa));
        endObject({QStringLiteral("NSDecimalNumber"), QStringLiteral("NSNumber"), QStringLiteral("NSValue"),
                   QStringLiteral("NSObject")});
        return uid;
    }

    // A field of an opaque object, written in place as it was read.
    plist_t rawNode(const QVariant& value, KeyedArchiver* q)
    {
        DepthGuard guard(this);
        const int type = value.typeId();
        if (type == qMetaTypeId<ArchiveReference>())
            return plist_new_uid(uidFor(value.value<ArchiveReference>().target, q));
        if (isIntegerType(type))
            return plist_new_uint(uint64_t(value.toLongLong()));
        switch (type) {
        case QMetaType::QString:
            return newString(value.toString());
        case QMetaType::Bool:
            return plist_new_bool(value.toBool());
        case QMetaType::Double:
        case QMetaType::Float:
            return plist_new_real(value.toDouble());
        case QMetaType::QByteArray:
            return newData(value.toByteArray());
        case QMetaType::QDateTime: {
            const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kReferenceDateOffset * 1000;
            const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
            return plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000));
        }
        case QMetaType::QStringList:
        case QMetaType::QVariantList: {
            PlistPtr array(plist_new_array());
            for (const QVariant& element : value.toList())
                plist_array_append_item(array.get(), rawNode(element, q));
            return array.release();
        }
        case QMetaType::QVariantMap: {
            PlistPtr dict(plist_new_dict());
            const QVariantMap map = value.toMap();
            for (auto it = map.constBegin(); it != map.constEnd(); ++it)
                setItem(dict.get(), it.key(), rawNode(it.value(), q));
            return dict.release();
        }
        default:
            DW_ASSERT(false, "cannot archive a raw field of type %@", value.metaType().name());
        }
        return nullptr;
    }

    void checkKey(const QString& key) const
    {
        DW_ASSERT(!finished, "archiver used after its data was taken");
        DW_ASSERT(key != QLatin1String("$class"), "\"$class\" is not a key an object can use");
    }

    plist_t objects = nullptr;
    uint64_t objectCount = 1; // "$null"
    plist::BinaryTexts texts;
    std::vector<std::pair<plist_t, QString>> utf16Strings;
    plist_t top = nullptr;
    std::vector<plist_t> contexts;
    QHash<QString, uint64_t> strings;
    QHash<qint64, uint64_t> integers;
    QHash<qint64, uint64_t> bools;
    QHash<quint64, uint64_t> reals;
    QHash<QByteArray, uint64_t> datas;
    struct LargeData
    {
        QByteArray bytes;
        uint64_t uid;
        plist_t node;
    };
    std::vector<LargeData> largeDatas;
    QHash<qint64, uint64_t> dates;
    QHash<QString, uint64_t> classes;
    QHash<const ArchivedObject*, uint64_t> written;
    QSet<const ArchivedObject*> inProgress;
    std::vector<ArchivedObjectPtr> keepAlive;
    int depth = 0;
    bool finished = false;
};

KeyedArchiver::KeyedArchiver() : d(std::make_unique<Private>()) {}

KeyedArchiver::~KeyedArchiver() = default;

void KeyedArchiver::encodeObject(const QVariant& object, const QString& key)
{
    d->checkKey(key);
    const uint64_t uid = d->uidFor(object, this);
    setItem(d->contexts.back(), key, plist_new_uid(uid));
}

void KeyedArchiver::encodeBool(bool value, const QString& key)
{
    d->checkKey(key);
    setItem(d->contexts.back(), key, plist_new_bool(value));
}

void KeyedArchiver::encodeInt64(qint64 value, const QString& key)
{
    d->checkKey(key);
    setItem(d->contexts.back(), key, plist_new_uint(uint64_t(value)));
}

void KeyedArchiver::encodeDouble(double value, const QString& key)
{
    d->checkKey(key);
    setItem(d->contexts.back(), key, plist_new_real(value));
}

void KeyedArchiver::encodeBytes(const QByteArray& bytes, const QString& key)
{
    d->checkKey(key);
    setItem(d->contexts.back(), key, newData(bytes));
}

void KeyedArchiver::encodeRawValue(const QVariant& value, const QString& key)
{
    d->checkKey(key);
    if (plist_t node = d->rawNode(value, this))
        setItem(d->contexts.back(), key, node);
}

QList<QByteArray> KeyedArchiver::encodedPieces(plist::Format format)
{
    DW_ASSERT(!d->finished, "archiver used after its data was taken");
    DW_ASSERT(d->contexts.size() == 1, "archive taken while an object is being encoded");
    d->finished = true;
    plist_t root = plist_new_dict();
    setItem(root, QStringLiteral("$archiver"), plist_new_string("NSKeyedArchiver"));
    setItem(root, QStringLiteral("$version"), plist_new_uint(100000));
    setItem(root, QStringLiteral("$top"), d->top);
    setItem(root, QStringLiteral("$objects"), d->objects);
    char* bytes = nullptr;
    uint32_t length = 0;
    QList<QByteArray> result;
    if (format == plist::Format::Xml) {
        // XML has no form for these characters: keep what UTF-8 makes of them.
        for (const auto& [node, text] : d->utf16Strings)
            plist_set_string_val(node, text.toUtf8().constData());
        for (const Private::LargeData& large : d->largeDatas)
            plist_set_data_val(large.node, large.bytes.constData(), uint64_t(large.bytes.size()));
        plist_to_xml(root, &bytes, &length);
        result << QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    } else {
        plist_to_bin(root, &bytes, &length);
        result = d->texts.resolvedPieces(QByteArray(bytes, qsizetype(length)));
        plist_to_bin_free(bytes);
    }
    plist_free(root);
    return result;
}

QByteArray KeyedArchiver::encodedData(plist::Format format)
{
    return plist::joinedPieces(encodedPieces(format));
}

QByteArray KeyedArchiver::archivedDataWithRootObject(const QVariant& root, plist::Format format)
{
    KeyedArchiver archiver;
    archiver.encodeObject(root, QStringLiteral("root"));
    return archiver.encodedData(format);
}

bool KeyedArchiver::archiveRootObject(const QVariant& root, const QString& path, QString* error)
{
    KeyedArchiver archiver;
    archiver.encodeObject(root, QStringLiteral("root"));
    return writeFileAtomically(path, archiver.encodedPieces(), error);
}

} // namespace dw
