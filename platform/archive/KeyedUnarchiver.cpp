#include "platform/archive/KeyedUnarchiver.h"

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/ArchivedImage.h"
#include "platform/archive/PropertyList.h"
#include "platform/archive/PropertyListGuard.h"
#include "platform/archive/PropertyListTexts.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QReadWriteLock>
#include <cmath>
#include <limits>
#include <plist/plist.h>
#include <unordered_set>
#include <vector>

namespace dw {

namespace {

// Seconds between 1970-01-01 and 2001-01-01, the platform's reference date.
constexpr qint64 kReferenceDateOffset = 978307200;
// Documents embed their pictures, so archives can be large; the parser takes 32-bit lengths.
constexpr qsizetype kMaxArchiveBytes = qsizetype(1) << 30;
// Data blocks this large are read from the source only when a decoder needs their bytes.
constexpr qint64 kLargeDataBytes = qint64(64) << 10;
// NSDate values beyond some 3 million years are damage, not dates.
constexpr double kMaxDateSeconds = 1e14;

struct PlistDeleter
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct Registry
{
    QReadWriteLock lock;
    QHash<QString, KeyedUnarchiver::Factory> factories;
    QHash<QString, QString> aliases;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

KeyedUnarchiver::Factory factoryFor(const QString& className)
{
    Registry& r = registry();
    QReadLocker locker(&r.lock);
    return r.factories.value(r.aliases.value(className, className));
}

plist_t dictItem(plist_t dict, const QString& key)
{
    return plist_dict_get_item(dict, key.toUtf8().constData());
}

// The items of an array node in order. libplist finds an item by index by walking the array from
// its start, so every walk goes through its iterator.
std::vector<plist_t> itemsOf(plist_t array)
{
    std::vector<plist_t> items;
    items.reserve(plist_array_get_size(array));
    plist_array_iter it = nullptr;
    plist_array_new_iter(array, &it);
    std::unique_ptr<void, decltype(&free)> iterGuard(it, &free);
    while (true) {
        plist_t item = nullptr;
        plist_array_next_item(array, it, &item);
        if (!item)
            break;
        items.push_back(item);
    }
    return items;
}

qint64 integerOf(plist_t node)
{
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    return qint64(value); // negative integers are stored as their two's complement
}

double realOf(plist_t node)
{
    double value = 0;
    plist_get_real_val(node, &value);
    return value;
}

bool boolOf(plist_t node)
{
    uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

QDateTime plistDateOf(plist_t node)
{
    int32_t sec = 0, usec = 0;
    plist_get_date_val(node, &sec, &usec);
    return QDateTime::fromMSecsSinceEpoch((qint64(sec) + kReferenceDateOffset) * 1000 + usec / 1000, Qt::UTC);
}

// A reference to an archive object: a UID in binary lists, {"CF$UID": n} in XML ones.
bool referenceOf(plist_t node, uint64_t* uid)
{
    switch (node ? plist_get_node_type(node) : PLIST_NONE) {
    case PLIST_UID:
        plist_get_uid_val(node, uid);
        return true;
    case PLIST_DICT: {
        plist_t value = plist_dict_get_size(node) == 1 ? plist_dict_get_item(node, "CF$UID") : nullptr;
        if (!value || plist_get_node_type(value) != PLIST_UINT)
            return false;
        plist_get_uint_val(value, uid);
        return true;
    }
    default:
        return false;
    }
}

bool isClassName(const QString& name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names) {
        if (name == QLatin1String(candidate))
            return true;
    }
    return false;
}

} // namespace

struct KeyedUnarchiver::Private
{
    enum class State { NotStarted, InProgress, Done, Failed };
    struct Slot
    {
        State state = State::NotStarted;
        QVariant value;
        qint64 weight = 0;
    };
    struct Context
    {
        plist_t dict;
        QString className;
        // The dictionary's items by key, made on the first lookup in a large dictionary: libplist
        // finds a key by comparing it with every key before it, and a listing asks for each of its
        // hundreds of fields.
        std::unique_ptr<QHash<QByteArray, plist_t>> index = nullptr;
    };

    bool fail(const QString& message)
    {
        if (!failed) {
            failed = true;
            error = message;
        }
        return false;
    }

    // The bytes of a data node; a block left in the source is read now.
    QByteArray dataOf(plist_t node)
    {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (!bytes)
            return QByteArray();
        if (const ArchiveBytes* block = texts.largeData(bytes, qsizetype(length)))
            return readBlock(*block);
        return QByteArray(bytes, qsizetype(length));
    }

    QByteArray readBlock(const ArchiveBytes& block)
    {
        QString why;
        const std::optional<QByteArray> read = block.read(&why);
        if (!read)
            fail(QStringLiteral("archive data cannot be read: %1").arg(why));
        return read.value_or(QByteArray());
    }

    // A data value: a block left in the source stays there for a decoder that asked for that.
    QVariant dataValue(plist_t node)
    {
        if (keepLargeData) {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            if (const ArchiveBytes* block = bytes ? texts.largeData(bytes, qsizetype(length)) : nullptr)
                return QVariant::fromValue(*block);
        }
        return dataOf(node);
    }

    // Keeps the context stack and the depth balanced on every path, failed or not.
    struct Scope
    {
        Scope(Private* owner, plist_t dict, const QString& className) : p(owner)
        {
            p->contexts.push_back({dict, className});
            ++p->depth;
        }
        ~Scope()
        {
            p->contexts.pop_back();
            --p->depth;
        }
        Private* p;
    };

    bool enterValue()
    {
        if (depth >= kMaxDepth)
            return fail(QStringLiteral("archive nested more than %1 levels deep").arg(kMaxDepth));
        if (++expanded > kMaxExpandedValues)
            return fail(QStringLiteral("archive expands to more than %1 values").arg(kMaxExpandedValues));
        return true;
    }

    QVariant decodeReference(uint64_t uid)
    {
        if (failed || !enterValue())
            return {};
        if (uid == 0)
            return {};
        if (uid >= slots.size()) {
            fail(QStringLiteral("archive refers to object %1 of %2").arg(uid).arg(slots.size()));
            return {};
        }
        Slot& slot = slots[uid];
        switch (slot.state) {
        case State::Done:
            expanded += slot.weight;
            if (expanded > kMaxExpandedValues)
                fail(QStringLiteral("archive expands to more than %1 values").arg(kMaxExpandedValues));
            return failed ? QVariant() : slot.value;
        case State::InProgress:
            fail(QStringLiteral("archive object %1 refers to itself").arg(uid));
            return {};
        case State::Failed:
            fail(QStringLiteral("archive object %1 cannot be read").arg(uid));
            return {};
        case State::NotStarted:
            break;
        }
        slot.state = State::InProgress;
        const qint64 before = expanded;
        QVariant value = decodeObjectAt(uid);
        // slots never reallocates, but take the slot again for clarity after the recursion.
        Slot& done = slots[uid];
        if (failed) {
            done.state = State::Failed;
            return {};
        }
        if (keepLargeData) {
            // A value holding blocks left in the source is its asker's alone: decoded again for
            // anyone else, it comes with the blocks' bytes.
            done.state = State::NotStarted;
            return value;
        }
        done.state = State::Done;
        done.value = value;
        done.weight = expanded - before;
        return value;
    }

    QVariant decodeObjectAt(uint64_t uid)
    {
        plist_t node = objects[uid];
        switch (plist_get_node_type(node)) {
        case PLIST_STRING:
            return stringOf(node);
        case PLIST_UINT:
            return integerOf(node);
        case PLIST_REAL:
            return realOf(node);
        case PLIST_BOOLEAN:
            return boolOf(node);
        case PLIST_DATA:
            return dataValue(node);
        case PLIST_DATE:
            return plistDateOf(node);
        case PLIST_DICT:
            return decodeInstance(node, uid);
        default:
            fail(QStringLiteral("archive object %1 is neither a value nor an object").arg(uid));
            return {};
        }
    }

    // The class chain of an object entry, read from its class entry.
    bool classChainOf(plist_t dict, uint64_t uid, QStringList* chain)
    {
        uint64_t classUid = 0;
        if (!referenceOf(dictItem(dict, QStringLiteral("$class")), &classUid))
            classUid = 0;
        plist_t entry = classUid > 0 && classUid < objects.size() ? objects[classUid] : nullptr;
        plist_t nameNode =
            entry && plist_get_node_type(entry) == PLIST_DICT ? dictItem(entry, QStringLiteral("$classname")) : nullptr;
        if (!nameNode || plist_get_node_type(nameNode) != PLIST_STRING || stringOf(nameNode).isEmpty())
            return fail(QStringLiteral("archive object %1 has no class").arg(uid));
        const QString className = stringOf(nameNode);
        chain->clear();
        if (plist_t classes = dictItem(entry, QStringLiteral("$classes"))) {
            if (plist_get_node_type(classes) != PLIST_ARRAY)
                return fail(QStringLiteral("archive class entry %1 is damaged").arg(classUid));
            for (plist_t name : itemsOf(classes)) {
                if (plist_get_node_type(name) != PLIST_STRING)
                    return fail(QStringLiteral("archive class entry %1 is damaged").arg(classUid));
                chain->append(stringOf(name));
            }
        }
        if (chain->value(0) != className)
            chain->prepend(className);
        return true;
    }

    QVariant decodeInstance(plist_t dict, uint64_t uid)
    {
        QStringList chain;
        if (!classChainOf(dict, uid, &chain))
            return {};
        const QString& className = chain.first();
        Scope scope(this, dict, className);

        if (isClassName(className, {"NSString", "NSMutableString"}))
            return decodeString(dict, uid);
        if (isClassName(className, {"NSData", "NSMutableData"}))
            return decodeData(dict, uid);
        if (className == QLatin1String("NSNumber"))
            return decodeNumberObject(dict, chain);
        if (className == QLatin1String("NSDate"))
            return decodeDate(dict, uid);
        if (isClassName(className, {"NSArray", "NSMutableArray"}))
            return decodeArray(dict, uid);
        if (isClassName(className, {"NSDictionary", "NSMutableDictionary"}))
            return decodeDictionary(dict, uid, chain);
        if (isClassName(className, {"NSDecimalNumber", "NSDecimalNumberPlaceholder"}))
            return decodeDecimal(uid);
        if (isClassName(className, {"NSAttributedString", "NSMutableAttributedString"}))
            return QVariant::fromValue(archive::decodeAttributedString(*q));
        if (className == QLatin1String("NSImage"))
            return decodeImage(dict, chain);
        if (const Factory factory = factoryFor(className))
            return archiveValue(factory(*q));
        return decodeOpaque(dict, chain);
    }

    QVariant decodeString(plist_t dict, uint64_t uid)
    {
        plist_t text = dictItem(dict, QStringLiteral("NS.string"));
        if (text && plist_get_node_type(text) == PLIST_STRING)
            return stringOf(text);
        plist_t bytes = dictItem(dict, QStringLiteral("NS.bytes"));
        if (bytes && plist_get_node_type(bytes) == PLIST_DATA)
            return QString::fromUtf8(dataOf(bytes));
        fail(QStringLiteral("archive string %1 has no text").arg(uid));
        return {};
    }

    QVariant decodeData(plist_t dict, uint64_t uid)
    {
        for (const QString& key : {QStringLiteral("NS.data"), QStringLiteral("NS.bytes")}) {
            plist_t bytes = dictItem(dict, key);
            if (bytes && plist_get_node_type(bytes) == PLIST_DATA)
                return dataValue(bytes);
        }
        fail(QStringLiteral("archive data %1 has no bytes").arg(uid));
        return {};
    }

    // Numbers are normally stored in place; some writers archive them as objects.
    QVariant decodeNumberObject(plist_t dict, const QStringList& chain)
    {
        plist_t value = dictItem(dict, QStringLiteral("NS.intval"));
        if (!value)
            value = dictItem(dict, QStringLiteral("NS.dblval"));
        switch (value ? plist_get_node_type(value) : PLIST_NONE) {
        case PLIST_UINT:
            return integerOf(value);
        case PLIST_REAL:
            return realOf(value);
        case PLIST_BOOLEAN:
            return boolOf(value);
        default:
            return decodeOpaque(dict, chain);
        }
    }

    QVariant decodeDate(plist_t dict, uint64_t uid)
    {
        plist_t time = dictItem(dict, QStringLiteral("NS.time"));
        const plist_type type = time ? plist_get_node_type(time) : PLIST_NONE;
        const double seconds = type == PLIST_REAL ? realOf(time) : type == PLIST_UINT ? double(integerOf(time)) : NAN;
        if (!std::isfinite(seconds) || std::abs(seconds) > kMaxDateSeconds) {
            fail(QStringLiteral("archive date %1 is damaged").arg(uid));
            return {};
        }
        const qint64 ms = std::llround(seconds * 1000.0) + kReferenceDateOffset * 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    }

    // The references of an "NS.objects" or "NS.keys" array.
    bool referencesOf(plist_t dict, const QString& key, uint64_t uid, std::vector<uint64_t>* references)
    {
        plist_t array = dictItem(dict, key);
        if (!array) {
            references->clear();
            return true; // an empty collection may leave the key out
        }
        if (plist_get_node_type(array) != PLIST_ARRAY)
            return fail(QStringLiteral("archive collection %1 is damaged").arg(uid));
        const std::vector<plist_t> items = itemsOf(array);
        references->assign(items.size(), 0);
        for (size_t i = 0; i < items.size(); ++i) {
            if (!referenceOf(items[i], &(*references)[i]))
                return fail(QStringLiteral("archive collection %1 is damaged").arg(uid));
        }
        return true;
    }

    QVariant decodeArray(plist_t dict, uint64_t uid)
    {
        std::vector<uint64_t> references;
        if (!referencesOf(dict, QStringLiteral("NS.objects"), uid, &references))
            return {};
        QVariantList list;
        list.reserve(qsizetype(references.size()));
        for (uint64_t reference : references) {
            list.append(decodeReference(reference));
            if (failed)
                return {};
        }
        return list;
    }

    QVariant decodeDictionary(plist_t dict, uint64_t uid, const QStringList& chain)
    {
        std::vector<uint64_t> keys, values;
        if (!referencesOf(dict, QStringLiteral("NS.keys"), uid, &keys) ||
            !referencesOf(dict, QStringLiteral("NS.objects"), uid, &values))
            return {};
        if (keys.size() != values.size()) {
            fail(QStringLiteral("archive dictionary %1 has %2 keys for %3 values")
                     .arg(uid)
                     .arg(keys.size())
                     .arg(values.size()));
            return {};
        }
        QVariantMap map;
        for (size_t i = 0; i < keys.size(); ++i) {
            const QVariant key = decodeReference(keys[i]);
            if (failed)
                return {};
            // Keys that are not text have no place in a QVariantMap: keep the dictionary whole.
            if (key.typeId() != QMetaType::QString)
                return decodeOpaque(dict, chain);
            map.insert(key.toString(), decodeReference(values[i]));
            if (failed)
                return {};
        }
        return map;
    }

    QVariant decodeDecimal(uint64_t uid)
    {
        const auto number = ArchivedDecimalNumber::fromArchivedFields(
            q->decodeIntForKey(QStringLiteral("NS.exponent")), q->decodeIntForKey(QStringLiteral("NS.length")),
            q->decodeBoolForKey(QStringLiteral("NS.negative")), q->decodeBytesForKey(QStringLiteral("NS.mantissa")),
            q->decodeIntForKey(QStringLiteral("NS.mantissa.bo")));
        if (!number) {
            fail(QStringLiteral("archive decimal number %1 is damaged").arg(uid));
            return {};
        }
        return QVariant::fromValue(*number);
    }

    // The bitmap representations of an image: "NSReps" holds lists (nested, in older archives, as
    // pairs of a kind number and a representation) of representations whose
    // "NSTIFFRepresentation" holds the file bytes, or of the bytes themselves. Each archived
    // object is looked at once, however many lists share it, and nothing is decoded here. An
    // image without bytes stays opaque, so that it is written back as it came.
    QVariant decodeImage(plist_t dict, const QStringList& chain)
    {
        (void)q->decodeObjectForKey(QStringLiteral("NSReps"));
        if (failed)
            return {};
        // Every object the representations reach has been decoded above; walk their references.
        QList<QByteArray> representations;
        std::unordered_set<uint64_t> seen;
        std::vector<uint64_t> pending;
        uint64_t uid = 0;
        if (referenceOf(dictItem(dict, QStringLiteral("NSReps")), &uid))
            pending.push_back(uid);
        while (!pending.empty() && representations.size() < ArchivedImage::kMaxRepresentations) {
            uid = pending.back();
            pending.pop_back();
            if (uid == 0 || uid >= slots.size() || slots[uid].state != State::Done || !seen.insert(uid).second)
                continue;
            const QVariant& value = slots[uid].value;
            if (value.typeId() == QMetaType::QVariantList) {
                std::vector<uint64_t> references;
                if (!referencesOf(objects[uid], QStringLiteral("NS.objects"), uid, &references))
                    return {};
                pending.insert(pending.end(), references.rbegin(), references.rend());
            } else if (value.typeId() == QMetaType::QByteArray) {
                representations.append(value.toByteArray());
            } else if (const auto object = archivedObjectCast<OpaqueArchivedObject>(value)) {
                const QVariant bytes = object->value(QStringLiteral("NSTIFFRepresentation"));
                if (bytes.typeId() == QMetaType::QByteArray)
                    representations.append(bytes.toByteArray());
            }
        }
        const QVariant opaque = decodeOpaque(dict, chain);
        if (failed || representations.isEmpty())
            return opaque;
        return QVariant::fromValue(
            ArchivedImage(std::move(representations), archivedObjectCast<OpaqueArchivedObject>(opaque)));
    }

    QVariant decodeOpaque(plist_t dict, const QStringList& chain)
    {
        QVariantMap fields;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(dict, &it);
        std::unique_ptr<void, decltype(&free)> iterGuard(it, &free);
        while (!failed) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(dict, it, &key, &value);
            std::unique_ptr<char, decltype(&free)> keyGuard(key, &free);
            if (!value)
                break;
            const QString name = texts.text(key ? key : "");
            if (name == QLatin1String("$class"))
                continue;
            fields.insert(name, rawValue(value));
        }
        if (failed)
            return {};
        return archiveValue(std::make_shared<OpaqueArchivedObject>(chain, fields));
    }

    QVariant rawValue(plist_t node)
    {
        if (failed || !enterValue())
            return {};
        ++depth;
        QVariant result;
        uint64_t uid = 0;
        if (referenceOf(node, &uid)) {
            result = QVariant::fromValue(ArchiveReference{decodeReference(uid)});
            --depth;
            return failed ? QVariant() : result;
        }
        switch (plist_get_node_type(node)) {
        case PLIST_STRING:
            result = stringOf(node);
            break;
        case PLIST_UINT:
            result = integerOf(node);
            break;
        case PLIST_REAL:
            result = realOf(node);
            break;
        case PLIST_BOOLEAN:
            result = boolOf(node);
            break;
        case PLIST_DATA:
            result = dataValue(node);
            break;
        case PLIST_DATE:
            result = plistDateOf(node);
            break;
        case PLIST_ARRAY: {
            QVariantList list;
            for (plist_t item : itemsOf(node)) {
                list.append(rawValue(item));
                if (failed)
                    break;
            }
            result = list;
            break;
        }
        case PLIST_DICT: {
            QVariantMap map;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            std::unique_ptr<void, decltype(&free)> iterGuard(it, &free);
            while (!failed) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, it, &key, &value);
                std::unique_ptr<char, decltype(&free)> keyGuard(key, &free);
                if (!value)
                    break;
                map.insert(texts.text(key ? key : ""), rawValue(value));
            }
            result = map;
            break;
        }
        default:
            fail(QStringLiteral("archive holds a value of unknown type"));
            break;
        }
        --depth;
        return failed ? QVariant() : result;
    }

    plist_t item(const QString& key)
    {
        if (failed || contexts.empty())
            return nullptr;
        Context& context = contexts.back();
        constexpr uint32_t kIndexedSize = 16;
        if (!context.index) {
            if (plist_dict_get_size(context.dict) < kIndexedSize)
                return dictItem(context.dict, key);
            context.index = std::make_unique<QHash<QByteArray, plist_t>>();
            context.index->reserve(plist_dict_get_size(context.dict));
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(context.dict, &it);
            std::unique_ptr<void, decltype(&free)> iterGuard(it, &free);
            while (true) {
                char* name = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(context.dict, it, &name, &value);
                std::unique_ptr<char, decltype(&free)> nameGuard(name, &free);
                if (!value)
                    break;
                // The first of equal keys, as libplist's own lookup finds it.
                const QByteArray itemKey = name ? QByteArray(name) : QByteArray();
                if (!context.index->contains(itemKey))
                    context.index->insert(itemKey, value);
            }
        }
        // A key ends at its first zero byte, as libplist reads it.
        QByteArray name = key.toUtf8();
        name.truncate(qsizetype(qstrlen(name.constData())));
        return context.index->value(name);
    }

    QString stringOf(plist_t node) const
    {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return text ? texts.text(text, qsizetype(length)) : QString();
    }

    KeyedUnarchiver* q = nullptr;
    PlistPtr root;
    plist::BinaryTexts texts;
    std::vector<plist_t> objects; // "$objects", by reference
    std::vector<Slot> slots;
    std::vector<Context> contexts;
    QString error;
    bool failed = false;
    bool propertyListOnly = false; // a readable property list that is not a keyed archive
    bool keepLargeData = false;    // decodeObjectForKeyKeepingLargeData() is at work
    int depth = 0;
    qint64 expanded = 0;
};

KeyedUnarchiver::KeyedUnarchiver(const QByteArray& data) : KeyedUnarchiver(ArchiveSource::fromBytes(data)) {}

KeyedUnarchiver::KeyedUnarchiver(const ArchiveSource& source) : d(std::make_unique<Private>())
{
    d->q = this;
    if (source.size() == 0 || source.size() > kMaxArchiveBytes) {
        d->fail(QStringLiteral("not a keyed archive (empty or too large)"));
        return;
    }
    // The parser would copy every data block; large ones (a document's pictures) stay in the
    // source until a decoder reads them.
    QString why;
    const std::optional<QByteArray> data = d->texts.withoutLargeData(source, kLargeDataBytes, &why);
    if (!data) {
        d->fail(QStringLiteral("cannot read the archive: %1").arg(why));
        return;
    }
    const QByteArray parsed = d->texts.substituteTexts(*data);
    if (parsed.size() > kMaxArchiveBytes) {
        d->fail(QStringLiteral("not a keyed archive (empty or too large)"));
        return;
    }
    QString error;
    if (!plist::checkStructure(parsed, plist::kMaxDepth, plist::kMaxNodes, &error)) {
        d->fail(error);
        return;
    }
    plist_t root = nullptr;
    plist_from_memory(parsed.constData(), uint32_t(parsed.size()), &root);
    d->root.reset(root);
    if (!root) {
        d->fail(QStringLiteral("not a property list, or a damaged one"));
        return;
    }
    plist_t top = plist_get_node_type(root) == PLIST_DICT ? dictItem(root, QStringLiteral("$top")) : nullptr;
    plist_t objects = plist_get_node_type(root) == PLIST_DICT ? dictItem(root, QStringLiteral("$objects")) : nullptr;
    if (!top || !objects || plist_get_node_type(top) != PLIST_DICT || plist_get_node_type(objects) != PLIST_ARRAY) {
        d->propertyListOnly = true;
        d->fail(QStringLiteral("not a keyed archive"));
        return;
    }
    d->objects = itemsOf(objects);
    d->slots.resize(d->objects.size());
    d->contexts.push_back({top, QString()});
}

KeyedUnarchiver::~KeyedUnarchiver() = default;

bool KeyedUnarchiver::isValid() const
{
    return !d->failed;
}

QString KeyedUnarchiver::error() const
{
    return d->error;
}

bool KeyedUnarchiver::containsValueForKey(const QString& key) const
{
    return d->item(key) != nullptr;
}

QVariant KeyedUnarchiver::decodeObjectForKey(const QString& key)
{
    plist_t node = d->item(key);
    if (!node)
        return {};
    uint64_t uid = 0;
    if (referenceOf(node, &uid))
        return d->decodeReference(uid);
    switch (plist_get_node_type(node)) {
    case PLIST_ARRAY:
    case PLIST_DICT:
        return {}; // not an object reference; no archiver writes one here
    default:
        return d->rawValue(node); // a scalar stored in place reads as itself
    }
}

bool KeyedUnarchiver::decodeBoolForKey(const QString& key)
{
    plist_t node = d->item(key);
    switch (node ? plist_get_node_type(node) : PLIST_NONE) {
    case PLIST_BOOLEAN:
        return boolOf(node);
    case PLIST_UINT:
        return integerOf(node) != 0;
    case PLIST_REAL:
        return realOf(node) != 0.0;
    default:
        return false;
    }
}

int KeyedUnarchiver::decodeIntForKey(const QString& key)
{
    return int(
        std::clamp<qint64>(decodeInt64ForKey(key), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 KeyedUnarchiver::decodeInt64ForKey(const QString& key)
{
    plist_t node = d->item(key);
    switch (node ? plist_get_node_type(node) : PLIST_NONE) {
    case PLIST_UINT:
        return integerOf(node);
    case PLIST_BOOLEAN:
        return boolOf(node) ? 1 : 0;
    case PLIST_REAL: {
        const double value = realOf(node);
        if (std::isnan(value))
            return 0;
        // 2^63 is exact as a double; anything at or past it saturates.
        if (value >= 9223372036854775808.0)
            return std::numeric_limits<qint64>::max();
        if (value <= -9223372036854775808.0)
            return std::numeric_limits<qint64>::min();
        return qint64(value);
    }
    default:
        return 0;
    }
}

double KeyedUnarchiver::decodeDoubleForKey(const QString& key)
{
    plist_t node = d->item(key);
    switch (node ? plist_get_node_type(node) : PLIST_NONE) {
    case PLIST_REAL:
        return realOf(node);
    case PLIST_UINT:
        return double(integerOf(node));
    case PLIST_BOOLEAN:
        return boolOf(node) ? 1.0 : 0.0;
    default:
        return 0.0;
    }
}

QByteArray KeyedUnarchiver::decodeBytesForKey(const QString& key)
{
    plist_t node = d->item(key);
    return node && plist_get_node_type(node) == PLIST_DATA ? d->dataOf(node) : QByteArray();
}

QVariant KeyedUnarchiver::decodeObjectForKeyKeepingLargeData(const QString& key)
{
    const bool before = d->keepLargeData;
    d->keepLargeData = true;
    QVariant value = decodeObjectForKey(key);
    d->keepLargeData = before;
    return value;
}

std::optional<QVariant> KeyedUnarchiver::tryDecodeObjectForKey(const QString& key, QString* error)
{
    if (d->failed) {
        if (error)
            *error = d->error;
        return std::nullopt;
    }
    QVariant value = decodeObjectForKey(key);
    if (!d->failed)
        return value;
    if (error)
        *error = d->error;
    d->failed = false;
    d->error.clear();
    return std::nullopt;
}

QString KeyedUnarchiver::currentClassName() const
{
    return d->contexts.empty() ? QString() : d->contexts.back().className;
}

void KeyedUnarchiver::failWithError(const QString& message)
{
    d->fail(message);
}

namespace {

std::optional<QVariant> decodeRoot(KeyedUnarchiver& unarchiver, QString* error)
{
    if (unarchiver.isValid() && !unarchiver.containsValueForKey(QStringLiteral("root")))
        unarchiver.failWithError(QStringLiteral("keyed archive has no root object"));
    QVariant root = unarchiver.decodeObjectForKey(QStringLiteral("root"));
    if (!unarchiver.isValid()) {
        if (error)
            *error = unarchiver.error();
        return std::nullopt;
    }
    return root;
}

} // namespace

std::optional<QVariant> KeyedUnarchiver::unarchiveObjectWithData(const QByteArray& data, QString* error)
{
    KeyedUnarchiver unarchiver(data);
    return decodeRoot(unarchiver, error);
}

std::optional<QVariant> KeyedUnarchiver::unarchiveObjectWithSource(const ArchiveSource& source, QString* error)
{
    KeyedUnarchiver unarchiver(source);
    return decodeRoot(unarchiver, error);
}

std::optional<QVariant> KeyedUnarchiver::unarchiveObjectWithFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    if (file.size() > kMaxArchiveBytes) {
        if (error)
            *error = QStringLiteral("%1 is too large for a keyed archive").arg(path);
        return std::nullopt;
    }
    return unarchiveObjectWithData(file.readAll(), error);
}

std::optional<QVariant> KeyedUnarchiver::unarchiveObjectOrPropertyList(const QByteArray& data, QString* error)
{
    KeyedUnarchiver unarchiver(data);
    if (unarchiver.d->propertyListOnly)
        return plist::read(data, error);
    return decodeRoot(unarchiver, error);
}

void KeyedUnarchiver::registerClass(const QString& className, Factory factory)
{
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    r.factories.insert(className, std::move(factory));
}

void KeyedUnarchiver::registerClassAlias(const QString& alias, const QString& className)
{
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    r.aliases.insert(alias, className);
}

void KeyedUnarchiver::unregisterClass(const QString& className)
{
    Registry& r = registry();
    QWriteLocker locker(&r.lock);
    r.factories.remove(className);
    r.aliases.remove(className);
}

} // namespace dw
