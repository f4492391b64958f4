#pragma once
// The cameras a capture panel may use.
//
// videoDevices() lists the machine's cameras in the order the system gives them. When the
// environment variable "QV_CAMERA_FRAMES" names a folder, it lists instead one stand-in camera
// that shows the pictures of that folder in turn (sorted by name), so that tests and screenshots
// run without a camera. Main thread.

#include <QCameraDevice>
#include <QList>
#include <QString>

struct QMCaptureDevice
{
    QString uniqueID{};             // stays the same while the camera is attached
    QString localizedDisplayName{}; // as the system names it
    // "VendorID_<n> ProductID_<n>" (decimal USB identifiers) when the system tells them; empty
    // otherwise.
    QString modelUniqueID{};
    QCameraDevice camera{};  // null for the stand-in
    QString pictureFolder{}; // the stand-in's folder; empty for a camera

    bool isStandIn() const { return !pictureFolder.isEmpty(); }
    bool operator==(const QMCaptureDevice& other) const { return uniqueID == other.uniqueID; }

    static QList<QMCaptureDevice> videoDevices();
    // The folder of the stand-in camera, empty when cameras are real.
    static QString standInFolder();
};
