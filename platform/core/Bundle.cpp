#include "platform/core/Bundle.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"

#include <QFileInfo>

namespace dw {

Bundle::Bundle(QVariantMap infoDictionary, QVariantMap localizedInfoDictionary)
    : m_info(std::move(infoDictionary)), m_localizedInfo(std::move(localizedInfoDictionary))
{}

const Bundle& Bundle::mainBundle()
{
    static const Bundle bundle = [] {
        QVariantMap info{{QStringLiteral("CFBundleName"), QStringLiteral("QuillmartVodar")}};
        const QString path = paths::resourcesFolder() + QStringLiteral("Info.plist");
        if (QFileInfo::exists(path)) {
            QString error;
            const std::optional<QVariant> read = plist::readFile(path, &error);
            if (read && read->typeId() == QMetaType::QVariantMap) {
                const QVariantMap values = read->toMap();
                for (auto it = values.constBegin(); it != values.constEnd(); ++it)
                    info.insert(it.key(), it.value());
            } else {
                consoleWrite(QStringLiteral("cannot read %1: %2").arg(path, error));
            }
        }
        return Bundle(info);
    }();
    return bundle;
}

} // namespace dw
