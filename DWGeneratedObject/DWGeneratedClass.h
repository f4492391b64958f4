#pragma once
// The class object of a generated eBay type: its name, superclass, root element name, fields and
// the seven lookup tables that the XML writer and reader use.
//
// Every generated class has one DWGeneratedClass, made on first use by its staticClass(). The
// fields (one row per XML element, repeated element, attribute or simple content) come from the
// type catalogue in catalogue order; a class's field indexes continue after its superclass's, so
// index 0 is the first field of the topmost generated class.
//
// The tables merge the class's own rows with its superclass's tables. They are built once per class,
// on first use, by whichever thread asks first; building takes the class's lock and, while holding
// it, asks the superclass (whose own lock is then taken), so locks nest derived class first, base
// class second. Afterwards every caller on every thread gets the same shared, immutable tables. A
// table for which the class has no rows of its own is its superclass's table object itself.
//
//     const DWGeneratedClass& cls = EBayItemType::staticClass();
//     cls.elements().value(QStringLiteral("ItemID"));       // "itemID"
//     cls.multiElements().value(QStringLiteral("PaymentMethods")); // "paymentMethodss"

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <span>

class DWGeneratedObject;
class DWGeneratedClass;
struct DWXMLTables;

enum class DWFieldKind : unsigned char {
    Element,   // one XML child element
    Repeated,  // an XML child element that may occur any number of times; held as an array
    Attribute, // an XML attribute of the element itself
    Content,   // the text content of a simple-content class ("contents")
};

// How a field's value is held: text (strings, enumerations, IDs), a point in time, bytes, a nested
// generated object, or one of the three scalars. Arrays hold items of one of the first four.
enum class DWValueType : unsigned char { Text, Date, Data, Object, Bool, Integer, Double };

// How the XML reader and writer reach the member of an Object field, whose nested class only the
// generated code knows: `field` is the member's address (DWGeneratedObject::fieldStorage). get and
// set serve a single record, count, at and append a repeated one.
struct DWObjectSlot
{
    const DWGeneratedObject* (*get)(const void* field);
    void (*set)(void* field, std::shared_ptr<DWGeneratedObject>&& object);
    qsizetype (*count)(const void* field);
    const DWGeneratedObject* (*at)(const void* field, qsizetype index);
    void (*append)(void* field, std::shared_ptr<DWGeneratedObject>&& object);
};

struct DWFieldRow
{
    DWFieldKind kind;
    DWValueType valueType;
    const char* xmlName;  // element or attribute name exactly as in XML
    const char* key;      // property key (array key for a repeated element)
    const char* typeName; // type name as the type tables hold it ("NSString", "EBayAmountType", "BOOL")
    const DWGeneratedClass& (*objectClass)(); // the nested class of an Object field, else nullptr
    const DWObjectSlot* objectSlot;           // its member's access, else nullptr
};

class DWGeneratedClass
{
public:
    enum Kind { DataType, Message };
    using Table = QHash<QString, QString>;
    using Factory = std::shared_ptr<DWGeneratedObject> (*)();

    // Called only by a class's staticClass(). firstField must equal the superclass's field count:
    // generated code hard-wires its field indexes.
    DWGeneratedClass(const char* name, const DWGeneratedClass* superclass, int firstField, const char* elementName,
                     Kind kind, bool hasSimpleContent, std::span<const DWFieldRow> ownFields, Factory factory);
    ~DWGeneratedClass();
    DWGeneratedClass(const DWGeneratedClass&) = delete;
    DWGeneratedClass& operator=(const DWGeneratedClass&) = delete;

    QString name() const { return QString::fromLatin1(m_name); }
    const DWGeneratedClass* superclass() const { return m_superclass; }
    // The XML root element name of a message ("AddItemRequest"); null for every other class.
    QString elementName() const;
    Kind kind() const { return m_kind; }
    bool hasSimpleContent() const { return m_hasSimpleContent; }
    bool isSubclassOf(const DWGeneratedClass& other) const; // true for the class itself too

    // A new, empty instance of this class.
    std::shared_ptr<DWGeneratedObject> create() const;

    // Fields of this class and its superclasses, by global index (superclass fields first).
    int fieldCount() const { return m_firstField + int(m_ownFields.size()); }
    int firstOwnField() const { return m_firstField; }
    std::span<const DWFieldRow> ownFields() const { return m_ownFields; }
    const DWFieldRow& field(int index) const;
    int fieldIndexForKey(const QString& key) const;         // -1 when the class has no such key
    int fieldIndexForElement(const QString& xmlName) const; // elements and repeated elements; -1 if unknown
    int fieldIndexForAttribute(const QString& xmlName) const;
    int contentFieldIndex() const; // -1 unless the class has simple content

    // The seven tables: XML name -> key or type name; booleanElements lists the BOOL names
    // (elements, then attributes) of the class, followed by those of its superclasses.
    const Table& elements() const;
    const Table& elementTypes() const;
    const Table& multiElements() const;
    const Table& multiElementsTypes() const;
    const Table& attributeKeys() const;
    const Table& attributeTypes() const;
    const QStringList& booleanElements() const;

    // The lookups of the XML reader and writer (DWXMLTables_p.h), built with the tables above.
    const DWXMLTables& xmlTables() const;

    // Parses an XML document into a new instance; nullptr and the reason in *error when the bytes are
    // not a well-formed document or nest too deep. Any thread.
    std::shared_ptr<DWGeneratedObject> requestWithXMLData(const QByteArray& data, QString* error = nullptr) const;

private:
    struct Tables;
    const Tables& tables() const;

    const char* m_name;
    const DWGeneratedClass* m_superclass;
    int m_firstField;
    const char* m_elementName;
    Kind m_kind;
    bool m_hasSimpleContent;
    std::span<const DWFieldRow> m_ownFields;
    Factory m_factory;

    mutable std::mutex m_lock;
    mutable std::atomic<const Tables*> m_tables{nullptr};
    mutable std::unique_ptr<Tables> m_tableStorage;
};
