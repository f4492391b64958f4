#pragma once
// Property lists (XML and binary) as QVariant values, on libplist.
//
// Mapping: dict ↔ QVariantMap, array ↔ QVariantList, string ↔ QString, integer ↔ qlonglong,
// real ↔ double, boolean ↔ bool, date ↔ QDateTime (UTC), data ↔ QByteArray. A keyed-archive
// UID reads as a map {"CF$UID": n}. Invalid QVariants are left out when writing. Reading never
// throws: malformed, truncated or too deeply nested input gives nullopt and an error text.
// Any thread.
//
//     QString error;
//     auto value = dw::plist::readFile(path, &error);
//     if (!value) qWarning() << error;

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace dw::plist {

enum class Format { Xml, Binary };

// Values nested deeper than this are refused; no property list the system writes comes near.
inline constexpr int kMaxDepth = 256;
// readFile() reads ordinary files of at most this size only.
inline constexpr qint64 kMaxFileBytes = qint64(256) << 20;

std::optional<QVariant> read(const QByteArray& data, QString* error = nullptr);
std::optional<QVariant> readFile(const QString& path, QString* error = nullptr);

QByteArray write(const QVariant& value, Format format = Format::Xml);
// Writes atomically: on failure the old file stays and false is returned with the reason.
[[nodiscard]] bool writeFile(const QString& path, const QVariant& value, Format format = Format::Xml,
                             QString* error = nullptr);

// A property-list value as JSON, for the command-line tools: data as Base64 text, dates as
// ISO 8601 in UTC, nil as null. `special` may answer values of other kinds (archived objects);
// it is asked first at every level.
using JsonHook = std::function<std::optional<QJsonValue>(const QVariant& value)>;
QJsonValue toJson(const QVariant& value, const JsonHook& special = {});

} // namespace dw::plist
