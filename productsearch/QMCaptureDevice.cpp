#include "productsearch/QMCaptureDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>

namespace {

// The USB vendor and product of a Video4Linux device, from sysfs; empty when it is no USB device.
QString usbModelID(const QByteArray& deviceID)
{
    const QString name = QFileInfo(QString::fromLocal8Bit(deviceID)).fileName();
    if (!name.startsWith(QLatin1String("video")))
        return {};
    // The interface folder's parent is the USB device, which holds idVendor and idProduct.
    const QString device = QFileInfo(QStringLiteral("/sys/class/video4linux/%1/device").arg(name)).canonicalFilePath();
    if (device.isEmpty())
        return {};
    const auto hexFile = [](const QString& path) -> int {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        bool ok = false;
        const int value = file.read(16).trimmed().toInt(&ok, 16);
        return ok ? value : -1;
    };
    const QString usbDevice = QFileInfo(device).path();
    const int vendor = hexFile(usbDevice + QLatin1String("/idVendor"));
    const int product = hexFile(usbDevice + QLatin1String("/idProduct"));
    if (vendor < 0 || product < 0)
        return {};
    return QStringLiteral("VendorID_%1 ProductID_%2").arg(vendor).arg(product);
}

} // namespace

QString QMCaptureDevice::standInFolder()
{
    return qEnvironmentVariable("QV_CAMERA_FRAMES");
}

QList<QMCaptureDevice> QMCaptureDevice::videoDevices()
{
    const QString folder = standInFolder();
    if (!folder.isEmpty()) {
        if (!QDir(folder).exists())
            return {};
        return {QMCaptureDevice{.uniqueID = QStringLiteral("pictures:") + QDir(folder).absolutePath(),
                                .localizedDisplayName = QStringLiteral("Picture Folder Camera"),
                                .modelUniqueID = {},
                                .camera = {},
                                .pictureFolder = QDir(folder).absolutePath()}};
    }
    QList<QMCaptureDevice> devices;
    for (const QCameraDevice& camera : QMediaDevices::videoInputs())
        devices.append(QMCaptureDevice{.uniqueID = QString::fromUtf8(camera.id()),
                                       .localizedDisplayName = camera.description(),
                                       .modelUniqueID = usbModelID(camera.id()),
                                       .camera = camera,
                                       .pictureFolder = {}});
    return devices;
}
