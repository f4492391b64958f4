#include "DWGeneratedObject/DWXMLTables_p.h"

#include <cstring>

inline uint32_t DWXMLNameTable::key(const char* name, size_t length)
{
    // An empty name reads only the byte after it (the terminating NUL, or the byte that ends the
    // name in the document), which every caller's name has.
    const auto at = [name](size_t i) { return uint32_t(static_cast<unsigned char>(name[i])); };
    return uint32_t(length) ^ (at(0) << 8) ^ (at(length / 2) << 16) ^ (at(length > 0 ? length - 1 : 0) << 24);
}

void DWXMLNameTable::build(const std::vector<Name>& names)
{
    m_slots.clear();
    if (names.empty())
        return;
    int bits = 2;
    while ((size_t(1) << bits) < names.size() * 2)
        ++bits;
    // Look for a size and multiplier under which every name has a slot of its own. Names that
    // agree in length and in the characters the key takes cannot be told apart that way; then the
    // last try stays, and a lookup probes on from a taken slot.
    uint32_t multiplier = 0x9E3779B1u;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 0 && attempt % 64 == 0)
            ++bits;
        m_multiplier = multiplier | 1u;
        m_shift = 32 - bits;
        m_slots.assign(size_t(1) << bits, Slot());
        bool collided = false;
        for (const Name& name : names) {
            const size_t length = std::strlen(name.name);
            const uint32_t mask = uint32_t(m_slots.size() - 1);
            uint32_t slot = slotOf(key(name.name, length));
            while (m_slots[slot].name) {
                collided = true;
                slot = (slot + 1) & mask;
            }
            m_slots[slot] = {name.name, length, name.index};
        }
        if (!collided || attempt == 255)
            return;
        // The next odd multiplier of a simple sequence with well-mixed bits.
        multiplier = multiplier * 1664525u + 1013904223u;
    }
}

int DWXMLNameTable::find(const char* qualifiedName) const
{
    return find(qualifiedName, std::strlen(qualifiedName));
}

int DWXMLNameTable::find(const char* qualifiedName, size_t qualifiedLength) const
{
    if (m_slots.empty())
        return -1;
    const char* local = qualifiedName;
    for (const char* p = qualifiedName + qualifiedLength; p > qualifiedName; --p) {
        if (p[-1] == ':') {
            local = p;
            break;
        }
    }
    return findLocal(local, size_t(qualifiedName + qualifiedLength - local));
}

int DWXMLNameTable::findLocal(const char* local, size_t length) const
{
    if (m_slots.empty())
        return -1;
    const uint32_t mask = uint32_t(m_slots.size() - 1);
    for (uint32_t slot = slotOf(key(local, length));; slot = (slot + 1) & mask) {
        const Slot& candidate = m_slots[slot];
        if (!candidate.name)
            return -1;
        if (candidate.length == length && dwXMLSameBytes(candidate.name, local, length))
            return candidate.index;
    }
}
