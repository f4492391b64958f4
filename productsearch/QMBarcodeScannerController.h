#pragma once
// A camera window that reads barcodes: it recognises the camera model, asks for the frame size
// that suits it, hands every frame to a QMBarcodeReader on a thread of its own (one frame at a
// time; frames that arrive meanwhile are dropped) and shows the scanned part of the frame,
// mirrored and in grey, as the preview.
//
//     QMBarcodeScannerController scanner(parent);
//     if (scanner.setup()) scanner.show();    // codes arrive in barcodeReaderFoundBarcode()
//
// On its own it is a small sheet with the camera's picture and OK (showPanelForParentWindow);
// the program itself opens only the product search panel, which builds on it.
//
// Main thread, but for the decoding.

#include "productsearch/QMAbstractCaptureDevicePanelController.h"
#include "productsearch/QMBarcodeReader.h"

#include <QPointer>
#include <QThread>
#include <atomic>

class QMBarcodeScannerController : public QMAbstractCaptureDevicePanelController, public QMBarcodeReaderDelegate
{
    Q_OBJECT

public:
    // What a camera model is treated as.
    struct CameraSettings
    {
        QString windowTitle;
        bool highResolution = false;
        QSize nominalSize;   // the frame geometry the scan lines are placed for
        QSize requestedSize; // the size asked of the camera; invalid for the camera's own
    };
    // By the model's unique ID ("VendorID_1452 ProductID_34050", ...).
    static CameraSettings cameraSettingsForModelID(const QString& modelUniqueID);

    explicit QMBarcodeScannerController(QWidget* parent = nullptr);
    ~QMBarcodeScannerController() override;

    // The stand-alone scanner as a sheet on the window, run modally until OK; its size is kept
    // under "BarcodeScanner". Without a camera it tells the seller so ("No Camera Found") instead.
    static void showPanelForParentWindow(QWidget* parentWindow);
    // Ends the modal run of the stand-alone scanner.
    void doOK();

    bool setup() override;
    void closeSession() override;

    // Plays the system's alert sound; subclasses search for the code.
    void barcodeReaderFoundBarcode(QMBarcodeReader* reader, const QString& barcode) override;

protected:
    void didOutputFrame(const FramePacker& pack) override;
    QSize requestedFrameSize() const override { return m_settings.requestedSize; }

private:
    // The stand-alone scanner's window: the camera's picture above OK.
    void buildScannerWindow();
    void decode(const FramePacker& pack);

    CameraSettings m_settings;
    QMBarcodeReader m_reader;
    QThread m_decodeThread;
    QObject* m_decodeContext = nullptr; // lives on the decode thread
    std::atomic<bool> m_readerReady{false};
    std::atomic<bool> m_busy{false};
    QPointer<const QObject> m_guard; // taken on the main thread, for the decode thread's posts
};
