#pragma once
// The lookups that the XML reader and writer use per generated class, built once with the class's
// other tables (DWGeneratedClass::xmlTables()).

#include "DWGeneratedObject/DWGeneratedClass.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Equal bytes, eight at a time: names are short, and a call to memcmp costs more than comparing.
inline bool dwXMLSameBytes(const char* a, const char* b, size_t length)
{
    for (; length >= 8; a += 8, b += 8, length -= 8) {
        uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y)
            return false;
    }
    for (; length > 0; ++a, ++b, --length) {
        if (*a != *b)
            return false;
    }
    return true;
}

// Finds a field by the bytes of an XML name as the parser holds them, so that reading an element
// costs no string of its own. The name's length and three of its characters pick a slot of a hash
// table whose size and multiplier are chosen when it is built so that no two names share a slot:
// most lookups are one comparison.
class DWXMLNameTable
{
public:
    struct Name
    {
        const char* name;
        int index;
    };
    void build(const std::vector<Name>& names);
    // The field index for the local part of a (possibly prefixed) name, or -1.
    int find(const char* qualifiedName) const;
    // The same for a name of the given length, not terminated.
    int find(const char* qualifiedName, size_t length) const;
    // The same for a name known to have no prefix.
    int findLocal(const char* name, size_t length) const;

private:
    struct Slot
    {
        const char* name = nullptr;
        size_t length = 0;
        int index = -1;
    };
    static uint32_t key(const char* name, size_t length);
    uint32_t slotOf(uint32_t key) const { return (key * m_multiplier) >> m_shift; }

    std::vector<Slot> m_slots;
    uint32_t m_multiplier = 0;
    int m_shift = 32;
};

// One field as the writer meets it.
struct DWXMLField
{
    int index;
    // Where the member lies in an object of the class (DWXMLTables::offsets).
    std::ptrdiff_t offset;
    // The row's kind and type, at hand without reaching for the row.
    DWFieldKind kind;
    DWValueType valueType;
    const DWFieldRow* row;
    // The XML name, made once per class rather than on every write.
    QString name;
    QByteArray utf8Name;
};

struct DWXMLTables;

// The member of a field, from its offset.
inline void* fieldAt(DWGeneratedObject& object, std::ptrdiff_t offset)
{
    return reinterpret_cast<char*>(&object) + offset;
}
inline const void* fieldAt(const DWGeneratedObject& object, std::ptrdiff_t offset)
{
    return reinterpret_cast<const char*>(&object) + offset;
}

struct DWXMLTables
{
    DWXMLNameTable elements; // elements and repeated elements
    DWXMLNameTable attributes;
    // In field order: superclass fields first, as the writer writes them.
    std::vector<DWXMLField> attributeFields;
    std::vector<DWXMLField> elementFields; // elements and repeated elements
    // The positions in elementFields of the single nested records.
    std::vector<size_t> nestedFields;
    // The row of every field by global index.
    std::vector<const DWFieldRow*> rows;
    // By global index: where the field's member lies from the start of an object of the class, as
    // fieldStorage() answers for one made to measure when the tables are built. Every object of a
    // class is laid out alike, so the reader and writer reach a member without a virtual call.
    std::vector<std::ptrdiff_t> offsets;
    // The length of the document last written with an object of this class at its root: the next
    // one is likely as long, and room made at once spares copying the text as it grows.
    mutable std::atomic<qsizetype> lastDocumentLength{0}; // in bytes
};
