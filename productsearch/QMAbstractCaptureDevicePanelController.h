#pragma once
// A window with one camera: it chooses the camera (the one the preferences name, else the first),
// runs it, switches to another when the chosen one goes away, and hands every frame to
// didOutputFrame() while showing a preview in its capture view.
//
//     class Scanner : public QMAbstractCaptureDevicePanelController {
//         void didOutputFrame(const FramePacker& pack) override { ... pack({640, 480}) ... }
//     };
//     if (!scanner.setup()) ... // no camera: nothing shown, no alert
//
// setup(), device changes and closing run on the main thread; didOutputFrame() runs on the thread
// that delivers frames (the capture framework's, or the main thread for the picture folder), and
// must not keep it waiting.

#include "productsearch/QMCaptureDevice.h"

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>

class QCamera;
class QMediaCaptureSession;
class QMediaDevices;
class QMCaptureView;
class QTimer;
class QVideoSink;

class QMAbstractCaptureDevicePanelController : public QDialog
{
    Q_OBJECT

public:
    explicit QMAbstractCaptureDevicePanelController(QWidget* parent = nullptr);
    ~QMAbstractCaptureDevicePanelController() override;

    // Sets the camera up once (true at once when it is running). False, without an alert, when
    // there is no camera or the chosen one cannot be selected.
    virtual bool setup();
    bool isSetupDone() const { return m_setupDone; }
    // Stops the current camera and starts the given one; false for none, or when it cannot be
    // started (the reason is shown in an alert).
    bool setSelectedVideoDevice(const std::optional<QMCaptureDevice>& device);
    std::optional<QMCaptureDevice> selectedVideoDevice() const { return m_selectedDevice; }
    // After cameras came or went: none left selects none; the selected one still there changes
    // nothing; otherwise the first camera takes over.
    void refreshDevices();
    // Stops the camera; a later setup() with the set-up still done does nothing.
    virtual void closeSession();

    QMCaptureView* captureView() const { return m_captureView; }
    // The camera the preference names: the first whose unique ID equals it or whose display name
    // begins it; else the first camera; none without cameras.
    static std::optional<QMCaptureDevice> preferredDevice(const QList<QMCaptureDevice>& devices,
                                                          const QString& preference);

protected:
    // Packs the frame into a packed 4:2:2 frame of the given size (see QMPackedFrameConverter).
    using FramePacker = std::function<QByteArray(const QSize&)>;
    virtual void didOutputFrame(const FramePacker& pack);
    // The frame size to ask the camera for; invalid for the camera's own.
    virtual QSize requestedFrameSize() const { return {}; }

    void setSetupDone(bool done) { m_setupDone = done; }

private:
    void startPictureFolder(const QString& folder);
    void showCameraError(const QString& message);
    void nextPicture();

    bool m_setupDone = false;
    QMCaptureView* m_captureView = nullptr;
    std::optional<QMCaptureDevice> m_selectedDevice;
    std::unique_ptr<QMediaCaptureSession> m_session;
    std::unique_ptr<QCamera> m_camera;
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QMediaDevices> m_mediaDevices;
    QTimer* m_pictureTimer = nullptr;
    QList<QImage> m_pictures;
    qsizetype m_nextPicture = 0;
    QPointer<const QObject> m_previewGuard; // taken on the main thread, for the frame thread's posts
};
