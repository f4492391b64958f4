#include "platform/core/TypeName.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>

namespace dw {

QString typeName(const std::type_info& type)
{
    const char* mangled = type.name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                                &std::free);
    return QString::fromUtf8(status == 0 && demangled ? demangled.get() : mangled);
}

} // namespace dw
