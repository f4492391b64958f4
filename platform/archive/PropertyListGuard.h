#pragma once
// A structural check of property-list bytes before they reach the parser.
//
// The parser recurses once per nesting level and copies a binary list's shared objects once per
// reference, so a small hostile file can exhaust the stack (a hundred thousand nested arrays) or
// memory (arrays that refer to each other's contents many times over). checkStructure() walks the
// raw bytes without recursion and refuses a list that nests deeper than maxDepth or would expand
// into more than maxNodes values. It does not prove the list well formed: the parser still does
// that. Any thread.
//
//     QString error;
//     if (!dw::plist::checkStructure(bytes, dw::plist::kMaxDepth, dw::plist::kMaxNodes, &error))
//         return fail(error);

#include <QByteArray>
#include <QString>

namespace dw::plist {

// More values than any property list or keyed archive that the system writes holds.
inline constexpr qint64 kMaxNodes = qint64(1) << 21;

[[nodiscard]] bool checkStructure(const QByteArray& data, int maxDepth, qint64 maxNodes, QString* error = nullptr);

} // namespace dw::plist
