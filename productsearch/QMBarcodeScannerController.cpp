#include "productsearch/QMBarcodeScannerController.h"

#include "productsearch/QMCaptureView.h"
#include "productsearch/QMPackedFrameConverter.h"

#include "DWKit/QMAlertPanels.h"
#include "DWKit/QMLog.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/Clock.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"
#include "platform/widgets/DialogButtons.h"
#include "platform/widgets/WindowFrameAutosave.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

QMBarcodeScannerController::CameraSettings QMBarcodeScannerController::cameraSettingsForModelID(const QString& model)
{
    const QSize low(640, 480);
    const QSize high(1280, 1024);
    if (model.isEmpty())
        return {QStringLiteral("External Camera"), false, low, low};
    const auto match = QRegularExpression(QStringLiteral("ProductID_(\\d+)")).match(model);
    const int product = match.hasMatch() ? match.captured(1).toInt() : 0;
    if (product >= 34050 && product <= 34054 && product != 34053 && model.contains(QLatin1String("VendorID_1452")))
        return {QStringLiteral("Built-in iSight"), true, high, QSize()};
    if (model.contains(QLatin1String("VendorID_1133 ProductID_2448")))
        return {QStringLiteral("Logitech 9000 Pro"), true, high, high};
    if (model.contains(QLatin1String("VendorID_3277 ProductID_82")))
        return {QStringLiteral("TerraCam X2"), true, high, high};
    return {QStringLiteral("iSight"), false, low, low};
}

QMBarcodeScannerController::QMBarcodeScannerController(QWidget* parent) : QMAbstractCaptureDevicePanelController(parent)
{
    m_decodeThread.setObjectName(QStringLiteral("barcode decoding"));
    m_decodeThread.start();
    m_decodeContext = new QObject;
    m_decodeContext->moveToThread(&m_decodeThread);
    connect(&m_decodeThread, &QThread::finished, m_decodeContext, &QObject::deleteLater);
    m_reader.setDelegate(this, this);
    m_guard = this;
}

QMBarcodeScannerController::~QMBarcodeScannerController()
{
    m_readerReady = false;
    QMBarcodeScannerController::closeSession();
    m_decodeThread.quit();
    m_decodeThread.wait();
}

void QMBarcodeScannerController::showPanelForParentWindow(QWidget* parentWindow)
{
    QMBarcodeScannerController scanner(parentWindow);
    scanner.buildScannerWindow();
    dw::setFrameAutosaveName(&scanner, QStringLiteral("BarcodeScanner"));
    if (!scanner.setup()) {
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Critical;
        alert.messageText = dw::localized("No Camera Found");
        alert.informativeText = dw::localized("Quillmart couldn\u2019t find any camera. Either another program is "
                                              "using the camera already or you don\u2019t have a camera attached to "
                                              "your computer.");
        alert.parentWindow = parentWindow;
        dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
        return;
    }
    scanner.setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    scanner.exec();
    scanner.closeSession();
}

void QMBarcodeScannerController::buildScannerWindow()
{
    setObjectName(QStringLiteral("barcodeScanner"));
    setWindowTitle(dw::localized("Barcode Scanner"));
    captureView()->setMinimumSize(480, 360);
    auto* hint = new QLabel(dw::localized("Hold the barcode inside the red frame."), this);
    hint->setObjectName(QStringLiteral("scannerHintLabel"));
    const auto buttons = dw::DialogButtons::okOnly(this);
    connect(buttons.ok, &QPushButton::clicked, this, &QMBarcodeScannerController::doOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captureView(), 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(hint, 1);
    bottom->addWidget(buttons.box);
    layout->addLayout(bottom);
}

void QMBarcodeScannerController::doOK()
{
    accept();
}

bool QMBarcodeScannerController::setup()
{
    if (isSetupDone())
        return true;
    // The frame size depends on the camera, so the model is looked at before it starts.
    const auto devices = QMCaptureDevice::videoDevices();
    const auto device = preferredDevice(devices, QMPreferencesManager::sharedInstance().defaultVideoDeviceString());
    m_settings = cameraSettingsForModelID(device ? device->modelUniqueID : QString());
    m_readerReady = false;
    if (!QMAbstractCaptureDevicePanelController::setup()) {
        setSetupDone(false);
        return false;
    }
    if (const auto selected = selectedVideoDevice())
        m_settings = cameraSettingsForModelID(selected->modelUniqueID);

    const int rowBytes = 2 * m_settings.nominalSize.width();
    m_reader.setHighResolution(m_settings.highResolution);
    m_reader.setExpectedFrameSize(m_settings.nominalSize);
    // 168 rows down; on a 1280-pixel camera the 640-pixel lines start a quarter of a row in.
    m_reader.setFirstScanOffset(168 * rowBytes + (m_settings.highResolution ? rowBytes / 4 : 0));
    QMLog("windowTitle: %@", m_settings.windowTitle);
    m_reader.setLastDateScan(dw::now());
    m_reader.clearGlobalFrequency();
    m_readerReady = true;
    return true;
}

void QMBarcodeScannerController::closeSession()
{
    QMAbstractCaptureDevicePanelController::closeSession();
}

void QMBarcodeScannerController::didOutputFrame(const FramePacker& pack)
{
    if (!m_readerReady || m_busy.exchange(true))
        return;
    QMetaObject::invokeMethod(
        m_decodeContext, [this, pack] { decode(pack); }, Qt::QueuedConnection);
}

void QMBarcodeScannerController::decode(const FramePacker& pack)
{
    const QSize size = m_settings.nominalSize;
    const QByteArray frame = pack(size);
    if (!frame.isEmpty() && m_readerReady)
        m_reader.processFrame(QMPackedFrameConverter::frameView(frame, size));
    // The preview shows the part of the frame that holds the scan lines, as in a mirror.
    QImage preview = QMPackedFrameConverter::imageFromPackedFrame(frame, size);
    if (m_settings.highResolution && !preview.isNull())
        preview = preview.copy(QRect(320, 0, 640, 480));
    preview = preview.mirrored(true, false);
    m_busy = false;
    dw::postToMain(m_guard, [this, preview] { captureView()->setImage(preview); });
}

void QMBarcodeScannerController::barcodeReaderFoundBarcode(QMBarcodeReader*, const QString&)
{
    QApplication::beep();
}
