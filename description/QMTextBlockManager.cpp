#include "description/QMTextBlockManager.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"
#include "platform/text/RtfCodec.h"

#include <QDir>

namespace {

QString macroName(const QVariantMap& block)
{
    return block.value(QStringLiteral("name")).toString().replace(u' ', u'_');
}

} // namespace

QMTextBlockManager& QMTextBlockManager::sharedInstance()
{
    static QMTextBlockManager manager;
    return manager;
}

QVariant QMTextBlockManager::sharedInstanceValue()
{
    // The manager lives for the process; the value only refers to it.
    static const dw::KeyValueCodingPtr shared(&sharedInstance(), [](dw::KeyValueCoding*) {});
    return dw::objectValue(shared);
}

QString QMTextBlockManager::savedTextBlocksFilePath()
{
    return QDir(dw::paths::fixedDataFolder()).filePath(QStringLiteral("Textblocks.qmTextblocks"));
}

QVariantList QMTextBlockManager::allTextBlocks() const
{
    const std::optional<QVariant> root = dw::plist::readFile(savedTextBlocksFilePath());
    if (!root || root->typeId() != QMetaType::QVariantList)
        return {};
    return root->toList();
}

bool QMTextBlockManager::saveTextBlocks(const QVariantList& blocks) const
{
    if (!dw::paths::ensureFolder(dw::paths::fixedDataFolder()))
        return false;
    return dw::writeFileAtomically(savedTextBlocksFilePath(), dw::plist::write(blocks));
}

QStringList QMTextBlockManager::availableMacroNames() const
{
    QStringList names;
    for (const QVariant& block : allTextBlocks()) {
        const QString name = macroName(block.toMap());
        names << name << name.toLower();
    }
    return names;
}

QVariant QMTextBlockManager::valueForKey(const QString& key) const
{
    for (const QVariant& entry : allTextBlocks()) {
        const QVariantMap block = entry.toMap();
        const QString name = macroName(block);
        if (name == key || name.toLower() == key)
            return dw::rtf::plainText(block.value(QStringLiteral("message")).toByteArray()).value_or(QString());
    }
    return dw::localized("Unknown text block");
}
