#include "DWGeneratedObject/DWGeneratedClass.h"

#include "DWGeneratedObject/DWGeneratedObject.h"
#include "DWGeneratedObject/DWXMLTables_p.h"
#include "platform/core/DWAssert.h"

struct DWGeneratedClass::Tables
{
    Table ownElements, ownElementTypes, ownMultiElements, ownMultiElementsTypes, ownAttributeKeys, ownAttributeTypes;
    QStringList ownBooleanElements;

    // Each points at the own table above, or at the superclass's table when the class has no
    // entries of that kind: such a class answers with its superclass's table object itself.
    const Table* elements = nullptr;
    const Table* elementTypes = nullptr;
    const Table* multiElements = nullptr;
    const Table* multiElementsTypes = nullptr;
    const Table* attributeKeys = nullptr;
    const Table* attributeTypes = nullptr;
    const QStringList* booleanElements = nullptr;

    // Lookups of the reader and of key access, over the class and its superclasses.
    QHash<QString, int> keyIndex;
    QHash<QString, int> elementIndex;
    QHash<QString, int> attributeIndex;
    int contentIndex = -1;

    DWXMLTables xml;
};

namespace {

const DWGeneratedClass::Table& emptyTable()
{
    static const DWGeneratedClass::Table table;
    return table;
}

const QStringList& emptyList()
{
    static const QStringList list;
    return list;
}

} // namespace

DWGeneratedClass::DWGeneratedClass(const char* name, const DWGeneratedClass* superclass, int firstField,
                                   const char* elementName, Kind kind, bool hasSimpleContent,
                                   std::span<const DWFieldRow> ownFields, Factory factory)
    : m_name(name), m_superclass(superclass), m_firstField(firstField), m_elementName(elementName), m_kind(kind),
      m_hasSimpleContent(hasSimpleContent), m_ownFields(ownFields), m_factory(factory)
{
    DW_ASSERT(firstField == (superclass ? superclass->fieldCount() : 0),
              "Generated field indexes of %@ do not follow its superclass", this->name());
}

DWGeneratedClass::~DWGeneratedClass() = default;

QString DWGeneratedClass::elementName() const
{
    return m_elementName ? QString::fromLatin1(m_elementName) : QString();
}

bool DWGeneratedClass::isSubclassOf(const DWGeneratedClass& other) const
{
    for (const DWGeneratedClass* cls = this; cls; cls = cls->m_superclass) {
        if (cls == &other)
            return true;
    }
    return false;
}

std::shared_ptr<DWGeneratedObject> DWGeneratedClass::create() const
{
    return m_factory ? m_factory() : nullptr;
}

const DWFieldRow& DWGeneratedClass::field(int index) const
{
    DW_ASSERT(index >= 0 && index < fieldCount(), "Field index out of range");
    const DWGeneratedClass* cls = this;
    while (index < cls->m_firstField)
        cls = cls->m_superclass;
    return cls->m_ownFields[size_t(index - cls->m_firstField)];
}

int DWGeneratedClass::fieldIndexForKey(const QString& key) const
{
    return tables().keyIndex.value(key, -1);
}

int DWGeneratedClass::fieldIndexForElement(const QString& xmlName) const
{
    return tables().elementIndex.value(xmlName, -1);
}

int DWGeneratedClass::fieldIndexForAttribute(const QString& xmlName) const
{
    return tables().attributeIndex.value(xmlName, -1);
}

int DWGeneratedClass::contentFieldIndex() const
{
    return tables().contentIndex;
}

const DWGeneratedClass::Table& DWGeneratedClass::elements() const
{
    return *tables().elements;
}

const DWGeneratedClass::Table& DWGeneratedClass::elementTypes() const
{
    return *tables().elementTypes;
}

const DWGeneratedClass::Table& DWGeneratedClass::multiElements() const
{
    return *tables().multiElements;
}

const DWGeneratedClass::Table& DWGeneratedClass::multiElementsTypes() const
{
    return *tables().multiElementsTypes;
}

const DWGeneratedClass::Table& DWGeneratedClass::attributeKeys() const
{
    return *tables().attributeKeys;
}

const DWGeneratedClass::Table& DWGeneratedClass::attributeTypes() const
{
    return *tables().attributeTypes;
}

const QStringList& DWGeneratedClass::booleanElements() const
{
    return *tables().booleanElements;
}

const DWXMLTables& DWGeneratedClass::xmlTables() const
{
    return tables().xml;
}

const DWGeneratedClass::Tables& DWGeneratedClass::tables() const
{
    if (const Tables* built = m_tables.load(std::memory_order_acquire))
        return *built;

    std::lock_guard<std::mutex> guard(m_lock);
    if (const Tables* built = m_tables.load(std::memory_order_relaxed))
        return *built;

    // The superclass's tables are built (under its own lock) while this class's lock is held.
    const Tables* base = m_superclass ? &m_superclass->tables() : nullptr;
    auto t = std::make_unique<Tables>();
    if (base) {
        t->keyIndex = base->keyIndex;
        t->elementIndex = base->elementIndex;
        t->attributeIndex = base->attributeIndex;
        t->contentIndex = base->contentIndex;
    }

    for (size_t i = 0; i < m_ownFields.size(); ++i) {
        const DWFieldRow& row = m_ownFields[i];
        const int index = m_firstField + int(i);
        const QString xmlName = QString::fromLatin1(row.xmlName);
        const QString key = QString::fromLatin1(row.key);
        const QString typeName = QString::fromLatin1(row.typeName);
        t->keyIndex.insert(key, index);
        switch (row.kind) {
        case DWFieldKind::Element:
        case DWFieldKind::Content:
            t->ownElements.insert(xmlName, key);
            t->ownElementTypes.insert(xmlName, typeName);
            if (row.kind == DWFieldKind::Content)
                t->contentIndex = index;
            else
                t->elementIndex.insert(xmlName, index);
            break;
        case DWFieldKind::Repeated:
            t->ownMultiElements.insert(xmlName, key);
            t->ownMultiElementsTypes.insert(xmlName, typeName);
            t->elementIndex.insert(xmlName, index);
            break;
        case DWFieldKind::Attribute:
            t->ownAttributeKeys.insert(xmlName, key);
            t->ownAttributeTypes.insert(xmlName, typeName);
            t->attributeIndex.insert(xmlName, index);
            break;
        }
    }
    // booleanElements: the BOOL elements in field order, then the BOOL attributes.
    for (DWFieldKind kind : {DWFieldKind::Element, DWFieldKind::Attribute}) {
        for (const DWFieldRow& row : m_ownFields) {
            if (row.kind == kind && row.valueType == DWValueType::Bool)
                t->ownBooleanElements.append(QString::fromLatin1(row.xmlName));
        }
    }

    auto merge = [](Table& own, const Table* inherited) -> const Table* {
        if (own.isEmpty())
            return inherited ? inherited : &emptyTable();
        if (inherited) {
            for (auto it = inherited->cbegin(); it != inherited->cend(); ++it)
                own.insert(it.key(), it.value());
        }
        return &own;
    };
    t->elements = merge(t->ownElements, base ? base->elements : nullptr);
    t->elementTypes = merge(t->ownElementTypes, base ? base->elementTypes : nullptr);
    t->multiElements = merge(t->ownMultiElements, base ? base->multiElements : nullptr);
    t->multiElementsTypes = merge(t->ownMultiElementsTypes, base ? base->multiElementsTypes : nullptr);
    t->attributeKeys = merge(t->ownAttributeKeys, base ? base->attributeKeys : nullptr);
    t->attributeTypes = merge(t->ownAttributeTypes, base ? base->attributeTypes : nullptr);
    if (t->ownBooleanElements.isEmpty()) {
        t->booleanElements = base ? base->booleanElements : &emptyList();
    } else {
        if (base)
            t->ownBooleanElements.append(*base->booleanElements);
        t->booleanElements = &t->ownBooleanElements;
    }

    // The XML lookups, over this class and its superclasses.
    if (base)
        t->xml.rows = base->xml.rows;
    for (const DWFieldRow& row : m_ownFields)
        t->xml.rows.push_back(&row);
    {
        const std::shared_ptr<DWGeneratedObject> measured = create();
        DW_ASSERT(measured != nullptr, "No instances of %@", name());
        const char* const start = reinterpret_cast<const char*>(measured.get());
        for (int index = 0; index < int(t->xml.rows.size()); ++index) {
            const char* const field = static_cast<const char*>(measured->fieldStorage(index));
            DW_ASSERT(field != nullptr, "A field of %@ has no member", name());
            t->xml.offsets.push_back(field - start);
        }
    }
    std::vector<DWXMLNameTable::Name> elementNames, attributeNames;
    for (int index = 0; index < int(t->xml.rows.size()); ++index) {
        const DWFieldRow* row = t->xml.rows[size_t(index)];
        DWXMLField field{index,
                         t->xml.offsets[size_t(index)],
                         row->kind,
                         row->valueType,
                         row,
                         QString::fromLatin1(row->xmlName),
                         QByteArray(row->xmlName)};
        if (row->kind == DWFieldKind::Attribute) {
            attributeNames.push_back({row->xmlName, index});
            t->xml.attributeFields.push_back(std::move(field));
        } else if (row->kind != DWFieldKind::Content) {
            elementNames.push_back({row->xmlName, index});
            if (row->kind == DWFieldKind::Element && row->valueType == DWValueType::Object)
                t->xml.nestedFields.push_back(t->xml.elementFields.size());
            t->xml.elementFields.push_back(std::move(field));
        }
    }
    t->xml.elements.build(elementNames);
    t->xml.attributes.build(attributeNames);

    m_tableStorage = std::move(t);
    m_tables.store(m_tableStorage.get(), std::memory_order_release);
    return *m_tableStorage;
}

std::shared_ptr<DWGeneratedObject> DWGeneratedClass::requestWithXMLData(const QByteArray& data, QString* error) const
{
    std::shared_ptr<DWGeneratedObject> object = create();
    DW_ASSERT(object != nullptr, "No instances of %@", name());
    if (!object->initWithXMLRequestData(data, error))
        return nullptr;
    return object;
}
