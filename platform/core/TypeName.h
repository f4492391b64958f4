#pragma once
// The readable name of a C++ type, for log lines and messages that name the class of an object.
//
//     dw::typeName(typeid(*operation));   // "QMAddItemOperation"
//
// Any thread.

#include <QString>
#include <typeinfo>

namespace dw {

// The type's name as the source spells it ("dw::Notification"); the compiler's mangled name where
// it cannot be demangled.
QString typeName(const std::type_info& type);

} // namespace dw
