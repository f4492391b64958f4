#include "productsearch/QMAbstractCaptureDevicePanelController.h"

#include "productsearch/QMCaptureView.h"
#include "productsearch/QMPackedFrameConverter.h"

#include "DWKit/QMLog.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

#include <QCamera>
#include <QDir>
#include <QImageReader>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QTimer>
#include <QVideoSink>

namespace {
constexpr int kPictureIntervalMs = 66; // the stand-in's 15 frames a second
}

QMAbstractCaptureDevicePanelController::QMAbstractCaptureDevicePanelController(QWidget* parent)
    : QDialog(parent), m_captureView(new QMCaptureView(this))
{
    m_captureView->setObjectName(QStringLiteral("captureView"));
    m_previewGuard = this;
}

QMAbstractCaptureDevicePanelController::~QMAbstractCaptureDevicePanelController()
{
    closeSession();
}

std::optional<QMCaptureDevice>
QMAbstractCaptureDevicePanelController::preferredDevice(const QList<QMCaptureDevice>& devices,
                                                        const QString& preference)
{
    if (devices.isEmpty())
        return std::nullopt;
    if (!preference.isEmpty()) {
        for (const auto& device : devices)
            if (device.uniqueID == preference ||
                (!device.localizedDisplayName.isEmpty() && preference.startsWith(device.localizedDisplayName)))
                return device;
    }
    return devices.first();
}

bool QMAbstractCaptureDevicePanelController::setup()
{
    if (m_setupDone)
        return true;
    const auto devices = QMCaptureDevice::videoDevices();
    if (devices.isEmpty())
        return false;
    const auto device = preferredDevice(devices, QMPreferencesManager::sharedInstance().defaultVideoDeviceString());
    if (!setSelectedVideoDevice(device))
        return false;
    if (!m_mediaDevices && QMCaptureDevice::standInFolder().isEmpty()) {
        m_mediaDevices = std::make_unique<QMediaDevices>();
        connect(m_mediaDevices.get(), &QMediaDevices::videoInputsChanged, this,
                &QMAbstractCaptureDevicePanelController::refreshDevices);
    }
    m_setupDone = true;
    return true;
}

bool QMAbstractCaptureDevicePanelController::setSelectedVideoDevice(const std::optional<QMCaptureDevice>& device)
{
    closeSession();
    m_selectedDevice.reset();
    if (!device)
        return false;
    if (device->isStandIn()) {
        startPictureFolder(device->pictureFolder);
        if (m_pictures.isEmpty())
            return false;
        m_selectedDevice = device;
        return true;
    }

    m_camera = std::make_unique<QCamera>(device->camera);
    // The asked size when the camera has it, the packed 4:2:2 form preferred; else its own.
    const QSize wanted = requestedFrameSize();
    if (wanted.isValid()) {
        QCameraFormat chosen;
        for (const QCameraFormat& format : device->camera.videoFormats()) {
            if (format.resolution() != wanted)
                continue;
            if (chosen.isNull() || format.pixelFormat() == QVideoFrameFormat::Format_UYVY)
                chosen = format;
        }
        if (!chosen.isNull())
            m_camera->setCameraFormat(chosen);
    }
    connect(m_camera.get(), &QCamera::errorOccurred, this,
            [this](QCamera::Error, const QString& message) { showCameraError(message); });
    m_sink = std::make_unique<QVideoSink>();
    // Frames come on the capture framework's thread; the subclass hands them on without waiting.
    connect(
        m_sink.get(), &QVideoSink::videoFrameChanged, m_sink.get(),
        [this](const QVideoFrame& frame) {
            didOutputFrame(
                [frame](const QSize& size) { return QMPackedFrameConverter::packedFrameFromVideoFrame(frame, size); });
        },
        Qt::DirectConnection);
    m_session = std::make_unique<QMediaCaptureSession>();
    m_session->setCamera(m_camera.get());
    m_session->setVideoSink(m_sink.get());
    m_camera->start();
    if (m_camera->error() != QCamera::NoError) {
        showCameraError(m_camera->errorString());
        return false;
    }
    m_selectedDevice = device;
    return true;
}

void QMAbstractCaptureDevicePanelController::refreshDevices()
{
    const auto devices = QMCaptureDevice::videoDevices();
    if (devices.isEmpty()) {
        setSelectedVideoDevice(std::nullopt);
        return;
    }
    if (m_selectedDevice && devices.contains(*m_selectedDevice))
        return;
    setSelectedVideoDevice(devices.first());
}

void QMAbstractCaptureDevicePanelController::closeSession()
{
    if (m_pictureTimer)
        m_pictureTimer->stop();
    if (m_camera)
        m_camera->stop();
    if (m_session) {
        m_session->setVideoSink(nullptr);
        m_session->setCamera(nullptr);
    }
    m_sink.reset();
    m_session.reset();
    m_camera.reset();
}

void QMAbstractCaptureDevicePanelController::didOutputFrame(const FramePacker& pack)
{
    const QImage preview = QMPackedFrameConverter::imageFromPackedFrame(pack({640, 480}), {640, 480});
    dw::postToMain(m_previewGuard, [this, preview] { m_captureView->setImage(preview); });
}

void QMAbstractCaptureDevicePanelController::startPictureFolder(const QString& folder)
{
    m_pictures.clear();
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QImageReader reader(dir.filePath(name));
        reader.setAutoTransform(true);
        const QImage picture = reader.read();
        if (!picture.isNull())
            m_pictures.append(picture);
    }
    if (m_pictures.isEmpty()) {
        QMLogError("no pictures in the camera folder %@", folder);
        return;
    }
    if (!m_pictureTimer) {
        m_pictureTimer = new QTimer(this);
        connect(m_pictureTimer, &QTimer::timeout, this, &QMAbstractCaptureDevicePanelController::nextPicture);
    }
    m_nextPicture = 0;
    m_pictureTimer->start(kPictureIntervalMs);
}

void QMAbstractCaptureDevicePanelController::nextPicture()
{
    if (m_pictures.isEmpty())
        return;
    const QImage picture = m_pictures.at(m_nextPicture);
    m_nextPicture = (m_nextPicture + 1) % m_pictures.size();
    didOutputFrame(
        [picture](const QSize& size) { return QMPackedFrameConverter::packedFrameFromImage(picture, size); });
}

void QMAbstractCaptureDevicePanelController::showCameraError(const QString& message)
{
    closeSession();
    m_selectedDevice.reset();
    m_setupDone = false;
    dw::AlertRequest request;
    request.style = dw::AlertRequest::Style::Warning;
    request.messageText = dw::localized("The camera could not be started.");
    request.informativeText = message;
    dw::alertPresenter().runModal(request);
}
