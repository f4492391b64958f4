#include "panels/QMError+Help.h"

#include "DWKit/QMLog.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Paths.h"
#include "platform/widgets/DesktopServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace QMErrorHelp {

namespace {

std::optional<QVariantMap>& helpTable()
{
    static std::optional<QVariantMap> table;
    return table;
}

const QVariantMap& loadedHelpTable()
{
    auto& table = helpTable();
    if (!table) {
        const auto read = dw::plist::readFile(dw::paths::resourcesFolder() + QStringLiteral("EbayErrorHelp.plist"));
        DW_ASSERT(read && read->typeId() == QMetaType::QVariantMap, "Could not open EbayErrorHelp.plist");
        table = read->toMap();
    }
    return *table;
}

} // namespace

QVariantMap helpInfo(const QMError& error)
{
    return loadedHelpTable().value(error.code()).toMap();
}

QString helpAnchor(const QMError& error)
{
    const QVariant anchor = helpInfo(error).value(QStringLiteral("anchor"));
    return anchor.isValid() ? anchor.toString() : QString();
}

QString helpPagePathForAnchor(const QString& anchor)
{
    const QString folder = dw::paths::safeChildPath(dw::paths::resourcesFolder(), QStringLiteral("help"));
    const QString path = dw::paths::safeChildPath(folder, anchor + QStringLiteral(".html"));
    if (path.isEmpty() || !dw::paths::isSafeFileName(anchor) || !QFileInfo(path).isFile())
        return QString();
    return path;
}

bool openHelpAnchor(const QString& anchor)
{
    const QString path = helpPagePathForAnchor(anchor);
    if (path.isNull()) {
        QMLog("no help page for the anchor %@", anchor);
        return false;
    }
    return dw::openLocalFileOnDesktop(path);
}

QString writeEBayMessageFile(const QString& eBayMessage)
{
    const QString folder = QDir::cleanPath(dw::paths::temporaryFolder());
    if (folder.isEmpty())
        return QString();
    const QString path = dw::paths::safeChildPath(folder, QLatin1String(kEBayMessageFileName));
    // A link left in its place is replaced, never written through.
    if (QFileInfo(path).isSymLink())
        QFile::remove(path);
    const QByteArray text = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html><body>") +
                            eBayMessage.toUtf8() + QByteArrayLiteral("</body></html>");
    QString error;
    if (!dw::writeFileAtomically(path, text, &error)) {
        QMLog("could not write %@: %@", path, error);
        return QString();
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

void showEBayMessage(const QString& eBayMessage)
{
    QString path = writeEBayMessageFile(eBayMessage);
    if (path.isNull()) {
        const QString folder = QDir::cleanPath(dw::paths::temporaryFolder());
        if (folder.isEmpty())
            return;
        // An earlier message file, if any, is still better than nothing.
        path = dw::paths::safeChildPath(folder, QLatin1String(kEBayMessageFileName));
    }
    dw::openLocalFileOnDesktop(path);
}

void resetHelpTableForTesting()
{
    helpTable().reset();
}

} // namespace QMErrorHelp
