#include "platform/core/Localization.h"

#include "platform/core/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <mutex>

namespace dw {

namespace {

// The tables read from the resources folder, by name: "strings/<table>.json" and every
// "strings/<table>/*.json" (so that parts of the program keep their entries apart). A table
// without a file is an empty one.
const QHash<QString, QString>& resourceTable(const char* table)
{
    static std::mutex mutex;
    static std::map<QByteArray, QHash<QString, QString>> tables;
    const std::lock_guard lock(mutex);
    const QByteArray name(table);
    auto found = tables.find(name);
    if (found != tables.end())
        return found->second;
    QHash<QString, QString> entries;
    const QString base = paths::resourcesFolder() + QStringLiteral("strings/") + QString::fromUtf8(name);
    QStringList files{base + QStringLiteral(".json")};
    // Filtered here rather than by a name filter, which would build a regular expression: most
    // programs read one table once, and a command-line tool's start-up felt that.
    for (const QString& part : QDir(base).entryList(QDir::Files, QDir::Name)) {
        if (part.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
            files << base + u'/' + part;
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
        for (auto entry = object.begin(); entry != object.end(); ++entry) {
            if (entry.value().isString())
                entries.insert(entry.key(), entry.value().toString());
        }
    }
    // A std::map entry stays where it is while others are added, so the reference holds.
    return tables.emplace(name, std::move(entries)).first->second;
}

} // namespace

QString localized(const char* englishText, const char* table)
{
    return localized(QString::fromUtf8(englishText), table);
}

QString localized(const QString& englishText, const char* table)
{
    if (englishText.isEmpty())
        return englishText;
    const auto& entries = resourceTable(table);
    const auto entry = entries.constFind(englishText);
    if (entry != entries.constEnd())
        return *entry;
    if (!QCoreApplication::instance())
        return englishText;
    const QByteArray key = englishText.toUtf8();
    return QCoreApplication::translate(table, key.constData());
}

QString localizedEntry(const QString& key, const char* table)
{
    if (key.isEmpty())
        return QString();
    const auto& entries = resourceTable(table);
    const auto entry = entries.constFind(key);
    if (entry != entries.constEnd())
        return *entry;
    if (!QCoreApplication::instance())
        return QString();
    const QByteArray utf8 = key.toUtf8();
    const QString translated = QCoreApplication::translate(table, utf8.constData());
    return translated == key ? QString() : translated;
}

} // namespace dw
