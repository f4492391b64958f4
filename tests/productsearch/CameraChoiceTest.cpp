#include "productsearch/QMBarcodeScannerController.h"

#include <gtest/gtest.h>

TEST(CameraChoice, ThePreferredCameraOrTheFirst)
{
    const QList<QMCaptureDevice> devices{
        {.uniqueID = QStringLiteral("/dev/video0"), .localizedDisplayName = QStringLiteral("Integrated Camera")},
        {.uniqueID = QStringLiteral("/dev/video2"), .localizedDisplayName = QStringLiteral("Desk Camera")}};
    const struct
    {
        const char* preference;
        const char* chosen;
    } rows[] = {
        {"/dev/video2", "/dev/video2"},
        {"Desk Camera (USB)", "/dev/video2"}, // the display name begins the preference
        {"Unplugged Camera", "/dev/video0"},
        {"", "/dev/video0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.preference);
        const auto device =
            QMAbstractCaptureDevicePanelController::preferredDevice(devices, QString::fromUtf8(row.preference));
        ASSERT_TRUE(device);
        EXPECT_EQ(device->uniqueID, QString::fromUtf8(row.chosen));
    }
    EXPECT_FALSE(QMAbstractCaptureDevicePanelController::preferredDevice({}, QStringLiteral("/dev/video0")));
}

TEST(CameraChoice, SettingsByCameraModel)
{
    const QSize low(640, 480);
    const QSize high(1280, 1024);
    const struct
    {
        const char* model;
        const char* title;
        bool highResolution;
        QSize requested;
    } rows[] = {
        {"", "External Camera", false, low},
        {"VendorID_1452 ProductID_34050", "Built-in iSight", true, QSize()},
        {"VendorID_1452 ProductID_34053", "iSight", false, low},
        {"VendorID_1133 ProductID_2448", "Logitech 9000 Pro", true, high},
        {"VendorID_3277 ProductID_82", "TerraCam X2", true, high},
        {"VendorID_1133 ProductID_2085", "iSight", false, low},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.model);
        const auto settings = QMBarcodeScannerController::cameraSettingsForModelID(QString::fromUtf8(row.model));
        EXPECT_EQ(settings.windowTitle, QString::fromUtf8(row.title));
        EXPECT_EQ(settings.highResolution, row.highResolution);
        EXPECT_EQ(settings.requestedSize, row.requested);
        EXPECT_EQ(settings.nominalSize, row.highResolution ? high : low);
    }
}
