#pragma once
// Always-on assertions for broken preconditions.
//
// A failed assertion throws dw::InternalInconsistency carrying the system's own message text
// ("Need itemType", "Must be on main thread"). Operation runners and event handlers catch it;
// nothing in the program aborts on one. Bad data (files, replies, documents) never goes through
// here: readers of such data return nil/false and log instead.
//
// The message is a UTF-8 C string written in the source. Followed by arguments it is a format
// (dw::format: %@ for any value), filled only when the assertion fails; alone it is taken as is.
//
//     DW_ASSERT(item != nullptr, "Need itemType");
//     DW_ASSERT(index < count, "index %@ out of bounds for %@", index, name);
//     DW_PARAMETER_ASSERT(sortKey != nullptr);   // "Invalid parameter not satisfying: sortKey != nullptr"

#include "platform/core/DWFormat.h"

#include <QString>
#include <stdexcept>
#include <string>

namespace dw {

class InternalInconsistency : public std::logic_error
{
public:
    explicit InternalInconsistency(const std::string& message) : std::logic_error(message) {}
    explicit InternalInconsistency(const QString& message) : std::logic_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// Cocoa's named exceptions raised by the kit for caller errors (NSRangeException and the like).
class NamedException : public std::runtime_error
{
public:
    NamedException(QString name, const QString& reason)
        : std::runtime_error(reason.toStdString()), m_name(std::move(name))
    {}
    const QString& name() const { return m_name; }
    QString reason() const { return QString::fromUtf8(what()); }

private:
    QString m_name;
};

[[noreturn]] void raiseInternalInconsistency(const QString& message, const char* file, int line);

namespace detail {
inline QString assertionMessage(const char* message)
{
    return QString::fromUtf8(message);
}
template<class Arg, class... Args>
QString assertionMessage(const char* format, const Arg& arg, const Args&... args)
{
    return ::dw::format(format, arg, args...);
}
} // namespace detail

} // namespace dw

#define DW_ASSERT(cond, ...)                                                                                           \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::dw::raiseInternalInconsistency(::dw::detail::assertionMessage(__VA_ARGS__), __FILE__, __LINE__);         \
    } while (0)

#define DW_PARAMETER_ASSERT(cond)                                                                                      \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::dw::raiseInternalInconsistency(                                                                          \
                QStringLiteral("Invalid parameter not satisfying: %1").arg(QStringLiteral(#cond)), __FILE__,           \
                __LINE__);                                                                                             \
    } while (0)
