#include "DWEBay2/types/EBayItemType.h"

#include "DWEBay2/types/EBayVariationsType.h"

bool EBayItemType::containsVariations() const
{
    return m_variations && m_variations->variations() && !m_variations->variations()->isEmpty();
}
