#pragma once
// Finds generated classes by name, by root element name and by call name.
//
// A library of generated classes builds one registry over all of its classes (the generated
// EBayTypes::registry() of DWEBay). Lookups are read-only and may run on any thread.
//
//     const auto& registry = EBayTypes::registry();
//     registry.classNamed(QStringLiteral("EBayItemType"));
//     registry.requestClassForCall(QStringLiteral("AddItem"));   // EBayAddItemRequestType
//     registry.responseClassForCall(QStringLiteral("AddItem"));  // EBayAddItemResponseType

#include "DWGeneratedObject/DWGeneratedClass.h"

#include <QHash>
#include <QList>
#include <QString>

#include <initializer_list>

class DWGeneratedClassRegistry
{
public:
    explicit DWGeneratedClassRegistry(std::initializer_list<const DWGeneratedClass*> classes);

    // Every class, sorted by name.
    const QList<const DWGeneratedClass*>& allClasses() const { return m_classes; }
    const DWGeneratedClass* classNamed(const QString& name) const;
    const DWGeneratedClass* classForElementName(const QString& elementName) const;
    // The message classes of a Trading API call: their root elements are the call name followed
    // by "Request" and "Response".
    const DWGeneratedClass* requestClassForCall(const QString& callName) const;
    const DWGeneratedClass* responseClassForCall(const QString& callName) const;

private:
    QList<const DWGeneratedClass*> m_classes;
    QHash<QString, const DWGeneratedClass*> m_byName;
    QHash<QString, const DWGeneratedClass*> m_byElementName;
};
