#include "model/QMArchiveValues_p.h"

#include "DWKit/QMLog.h"

namespace qm::archive {

void logWrongClass(const QString& owner, const QString& key, const QVariant& value)
{
    QMLogError("found %@ for %@ of %@ - ignored", dw::archiveClassName(value), key, owner);
}

std::optional<QVariant> decodeOfType(dw::KeyedUnarchiver& coder, const QString& key, int typeId, const QString& owner)
{
    QVariant value = coder.decodeObjectForKey(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() != typeId) {
        logWrongClass(owner, key, value);
        return std::nullopt;
    }
    return value;
}

QString decodeText(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner)
{
    const std::optional<QVariant> value = decodeOfType(coder, key, QMetaType::QString, owner);
    return value ? value->toString() : QString();
}

QByteArray decodeData(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner)
{
    const std::optional<QVariant> value = decodeOfType(coder, key, QMetaType::QByteArray, owner);
    return value ? value->toByteArray() : QByteArray();
}

std::optional<QVariantList> decodeList(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner)
{
    const std::optional<QVariant> value = decodeOfType(coder, key, QMetaType::QVariantList, owner);
    if (!value)
        return std::nullopt;
    return value->toList();
}

std::optional<QStringList> decodeTexts(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner)
{
    const std::optional<QVariantList> list = decodeList(coder, key, owner);
    if (!list)
        return std::nullopt;
    QStringList texts;
    for (const QVariant& element : *list) {
        if (element.typeId() == QMetaType::QString)
            texts << element.toString();
        else
            logWrongClass(owner, key, element);
    }
    return texts;
}

std::optional<QVariantMap> decodeMap(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner)
{
    const std::optional<QVariant> value = decodeOfType(coder, key, QMetaType::QVariantMap, owner);
    if (!value)
        return std::nullopt;
    return value->toMap();
}

} // namespace qm::archive
