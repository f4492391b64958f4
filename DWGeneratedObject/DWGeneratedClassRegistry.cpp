#include "DWGeneratedObject/DWGeneratedClassRegistry.h"

#include "platform/core/DWAssert.h"

#include <algorithm>

DWGeneratedClassRegistry::DWGeneratedClassRegistry(std::initializer_list<const DWGeneratedClass*> classes)
    : m_classes(classes)
{
    std::sort(m_classes.begin(), m_classes.end(),
              [](const DWGeneratedClass* a, const DWGeneratedClass* b) { return a->name() < b->name(); });
    for (const DWGeneratedClass* cls : std::as_const(m_classes)) {
        DW_ASSERT(!m_byName.contains(cls->name()), "Class registered twice: %@", cls->name());
        m_byName.insert(cls->name(), cls);
        const QString elementName = cls->elementName();
        if (!elementName.isEmpty()) {
            DW_ASSERT(!m_byElementName.contains(elementName), "Element name registered twice: %@", elementName);
            m_byElementName.insert(elementName, cls);
        }
    }
}

const DWGeneratedClass* DWGeneratedClassRegistry::classNamed(const QString& name) const
{
    return m_byName.value(name);
}

const DWGeneratedClass* DWGeneratedClassRegistry::classForElementName(const QString& elementName) const
{
    return m_byElementName.value(elementName);
}

const DWGeneratedClass* DWGeneratedClassRegistry::requestClassForCall(const QString& callName) const
{
    return callName.isEmpty() ? nullptr : classForElementName(callName + QStringLiteral("Request"));
}

const DWGeneratedClass* DWGeneratedClassRegistry::responseClassForCall(const QString& callName) const
{
    return callName.isEmpty() ? nullptr : classForElementName(callName + QStringLiteral("Response"));
}
