#pragma once
// The base of every generated eBay type, with its XML writer and reader.
//
// A generated class (EBayItemType, EBayAddItemRequestType, ...) is a plain record: one typed
// property per XML element, repeated element and attribute of its schema type, plus the class
// tables of DWGeneratedClass. This base writes any such record as an XML document and fills one
// from a document, reaching the fields only through those tables; it also gives every record
// access by key ("itemID") and key path ("pagination.pageNumber").
//
// Values: text, enumeration and ID fields are QString (null = unset), dates QDateTime (invalid =
// unset), bytes QByteArray (null = unset), nested records std::shared_ptr (empty = unset),
// scalars bool, qint64 and double (no unset state: 0 is "not set"). A repeated element is a
// DWArray: a shared, growable list that stays absent until the first add or set; the array setter
// stores the given list itself, so a later add appends to that same list.
//
// Writing: xmlRequest() gives the document text, starting with the XML declaration, and
// xmlRequestData() the same document as UTF-8 bytes; the root is the class's elementName() in the
// namespace "urn:ebay:apis:eBLBaseComponents". Unset fields are left out, and scalar fields
// holding 0 or NO too, unless requiredNumberElements() names them.
// Reading: initWithXMLRequest()/initWithXMLRequestData() fill a fresh record; elements that the
// tables do not name are skipped; text that is not well-formed XML, nests deeper than
// kMaxNestingDepth records or holds a number beyond what its field can hold (also told on the
// console) fails as a whole and leaves the record empty. Characters that XML cannot carry are
// dropped from texts both ways, so that a record read and written again gives the same text.
//
// Records are not shared between threads while they are filled; the tables may be read anywhere.
//
//     auto response = EBayGetUserResponseType::requestWithXMLData(replyBytes, &error);
//     if (!response) ...                                   // error says why
//     QString userID = response->user() ? response->user()->userID() : QString();

#include "DWGeneratedObject/DWGeneratedClass.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

// A repeated element's array: shared and growable; empty pointer = no array yet.
template<class T>
using DWArray = std::shared_ptr<QList<T>>;

class DWGeneratedObject;
using DWGeneratedObjectPtr = std::shared_ptr<DWGeneratedObject>;

class DWGeneratedObject
{
    friend class DWXMLReader;
    friend class DWXMLWriter;
    friend class DWGeneratedClass;

public:
    // Nested records deeper than this fail a parse: some types contain themselves (a store's
    // custom categories, an order's transactions), and a hostile document must not exhaust the stack.
    static constexpr int kMaxNestingDepth = 64;

    DWGeneratedObject();
    virtual ~DWGeneratedObject();
    DWGeneratedObject(const DWGeneratedObject&) = delete;
    DWGeneratedObject& operator=(const DWGeneratedObject&) = delete;

    static const DWGeneratedClass& staticClass();
    virtual const DWGeneratedClass& generatedClass() const;

    // The class tables, answered for the object's class.
    const DWGeneratedClass::Table& elements() const { return generatedClass().elements(); }
    const DWGeneratedClass::Table& elementTypes() const { return generatedClass().elementTypes(); }
    const DWGeneratedClass::Table& multiElements() const { return generatedClass().multiElements(); }
    const DWGeneratedClass::Table& multiElementsTypes() const { return generatedClass().multiElementsTypes(); }
    const DWGeneratedClass::Table& attributeKeys() const { return generatedClass().attributeKeys(); }
    const DWGeneratedClass::Table& attributeTypes() const { return generatedClass().attributeTypes(); }
    const QStringList& booleanElements() const { return generatedClass().booleanElements(); }
    bool hasSimpleContent() const { return generatedClass().hasSimpleContent(); }
    QString elementName() const { return generatedClass().elementName(); }
    virtual QString xmlNamespace() const;
    // XML element names that the writer writes even when their scalar value is 0 or NO.
    virtual QStringList requiredNumberElements() const;

    // A text that describes the object. A class with a "Description" element answers that element's
    // value instead (null when unset).
    virtual QString description() const;

    // Access by key. Values are as described above, wrapped in a QVariant: text as QString, dates
    // as QDateTime, bytes as QByteArray, records as DWGeneratedObjectPtr, scalars as bool,
    // qlonglong or double, arrays as a QVariantList of their items; unset is an invalid QVariant.
    // The setters refuse (false, nothing changed) an unknown key and a value of the wrong kind,
    // such as a record of another class; an invalid QVariant unsets the field.
    QVariant valueForKey(const QString& key) const;
    [[nodiscard]] bool setValueForKey(const QVariant& value, const QString& key);
    // Dotted key paths walk nested records; an unset record on the way yields an invalid QVariant.
    QVariant valueForKeyPath(const QString& keyPath) const;
    [[nodiscard]] bool setValueForKeyPath(const QVariant& value, const QString& keyPath);

    // The same by global field index (DWGeneratedClass::field); generated classes implement them.
    virtual QVariant fieldValue(int index) const;
    [[nodiscard]] virtual bool setFieldValue(int index, const QVariant& value);
    [[nodiscard]] virtual bool appendFieldValue(int index, const QVariant& item);

    // The object as one XML document in UTF-8, as it goes over the wire.
    QByteArray xmlRequestData() const;
    // The same document as text.
    QString xmlRequest() const;
    // Fill this (fresh) object from a document. On failure the object is left empty and *error
    // tells what failed and where.
    [[nodiscard]] bool initWithXMLRequest(const QString& xml, QString* error = nullptr);
    [[nodiscard]] bool initWithXMLRequestData(const QByteArray& data, QString* error = nullptr);

    // Deep equality: same class, every field equal (records and arrays compared by content).
    bool isEqual(const DWGeneratedObject& other) const;
    // Unsets every field.
    void clear();

    static QVariant variantFromObject(const DWGeneratedObjectPtr& object);
    static DWGeneratedObjectPtr objectFromVariant(const QVariant& value);

protected:
    // Conversions used by the generated field accessors. They are out of line, and the templates
    // for nested records thin, so that the generated classes compile quickly.
    static QVariant textVariant(const QString& value);
    static QVariant dateVariant(const QDateTime& value);
    static QVariant dataVariant(const QByteArray& value);
    static QVariant boolVariant(bool value);
    static QVariant integerVariant(qint64 value);
    static QVariant doubleVariant(double value);
    static QVariant objectVariant(const DWGeneratedObjectPtr& value);
    static QVariant arrayVariant(const DWArray<QString>& array);
    static QVariant arrayVariant(const DWArray<QDateTime>& array);
    static QVariant arrayVariant(const DWArray<QByteArray>& array);
    template<class T>
    static QVariant arrayVariant(const DWArray<std::shared_ptr<T>>& array)
    {
        if (!array)
            return {};
        QVariantList items;
        items.reserve(array->size());
        for (const std::shared_ptr<T>& item : *array)
            items.append(objectVariant(item));
        return items;
    }

    // The setters: false (and the field unchanged) for a value of the wrong kind.
    static bool assignText(QString& field, const QVariant& value);
    static bool assignDate(QDateTime& field, const QVariant& value);
    static bool assignData(QByteArray& field, const QVariant& value);
    static bool assignBool(bool& field, const QVariant& value);
    static bool assignInteger(qint64& field, const QVariant& value);
    static bool assignDouble(double& field, const QVariant& value);
    template<class T>
    static bool assignObject(std::shared_ptr<T>& field, const QVariant& value)
    {
        DWGeneratedObjectPtr object;
        if (!objectOfClass(value, T::staticClass(), true, object))
            return false;
        field = std::static_pointer_cast<T>(object);
        return true;
    }
    static bool assignArray(DWArray<QString>& field, const QVariant& value);
    static bool assignArray(DWArray<QDateTime>& field, const QVariant& value);
    static bool assignArray(DWArray<QByteArray>& field, const QVariant& value);
    template<class T>
    static bool assignArray(DWArray<std::shared_ptr<T>>& field, const QVariant& value)
    {
        QList<DWGeneratedObjectPtr> objects;
        bool isUnset = false;
        if (!objectsOfClass(value, T::staticClass(), objects, isUnset))
            return false;
        if (isUnset) {
            field.reset();
            return true;
        }
        auto list = std::make_shared<QList<std::shared_ptr<T>>>();
        list->reserve(objects.size());
        for (const DWGeneratedObjectPtr& object : std::as_const(objects))
            list->append(std::static_pointer_cast<T>(object));
        field = std::move(list);
        return true;
    }
    static bool appendArrayItem(DWArray<QString>& field, const QVariant& item);
    static bool appendArrayItem(DWArray<QDateTime>& field, const QVariant& item);
    static bool appendArrayItem(DWArray<QByteArray>& field, const QVariant& item);
    template<class T>
    static bool appendArrayItem(DWArray<std::shared_ptr<T>>& field, const QVariant& item)
    {
        DWGeneratedObjectPtr object;
        if (!objectOfClass(item, T::staticClass(), false, object))
            return false;
        if (!field)
            field = std::make_shared<QList<std::shared_ptr<T>>>();
        field->append(std::static_pointer_cast<T>(object));
        return true;
    }

    // The member of a field by global index, for the XML reader and writer: its type follows from
    // the field's row (a repeated element's is its DWArray, an Object field's is reached through
    // the row's objectSlot). Generated classes implement it; nullptr for an index out of range.
    virtual void* fieldStorage(int index);
    const void* fieldStorage(int index) const { return const_cast<DWGeneratedObject*>(this)->fieldStorage(index); }

    // The add operations of the generated classes; an array holds no unset items.
    static void addArrayItem(DWArray<QString>& field, const QString& item);
    static void addArrayItem(DWArray<QDateTime>& field, const QDateTime& item);
    static void addArrayItem(DWArray<QByteArray>& field, const QByteArray& item);
    template<class T>
    static void addArrayItem(DWArray<std::shared_ptr<T>>& field, const std::shared_ptr<T>& item)
    {
        assertItemPresent(item != nullptr);
        if (!field)
            field = std::make_shared<QList<std::shared_ptr<T>>>();
        field->append(item);
    }

private:
    bool initWithXMLBytes(const QByteArray& data, bool isUtf8, QString* error);
    static void assertItemPresent(bool present);
    // A record of the given class (or a subclass) in value; an unset value only where allowed.
    static bool objectOfClass(const QVariant& value, const DWGeneratedClass& cls, bool allowUnset,
                              DWGeneratedObjectPtr& object);
    static bool objectsOfClass(const QVariant& value, const DWGeneratedClass& cls, QList<DWGeneratedObjectPtr>& objects,
                               bool& isUnset);
};

// The DWObjectSlot of the Object fields whose class is T.
template<class T>
struct DWObjectSlotOf
{
    static const DWGeneratedObject* get(const void* field)
    {
        return static_cast<const std::shared_ptr<T>*>(field)->get();
    }
    static void set(void* field, DWGeneratedObjectPtr&& object)
    {
        *static_cast<std::shared_ptr<T>*>(field) = std::static_pointer_cast<T>(std::move(object));
    }
    static qsizetype count(const void* field)
    {
        const DWArray<std::shared_ptr<T>>& array = *static_cast<const DWArray<std::shared_ptr<T>>*>(field);
        return array ? array->size() : 0;
    }
    static const DWGeneratedObject* at(const void* field, qsizetype index)
    {
        return (*static_cast<const DWArray<std::shared_ptr<T>>*>(field))->at(index).get();
    }
    static void append(void* field, DWGeneratedObjectPtr&& object)
    {
        DWArray<std::shared_ptr<T>>& array = *static_cast<DWArray<std::shared_ptr<T>>*>(field);
        if (!array) {
            array = std::make_shared<QList<std::shared_ptr<T>>>();
            // Room for the few items a repeated element mostly has, made once rather than grown.
            array->reserve(4);
        }
        array->append(std::static_pointer_cast<T>(std::move(object)));
    }
    static constexpr DWObjectSlot slot{&get, &set, &count, &at, &append};
};

Q_DECLARE_METATYPE(DWGeneratedObjectPtr)
