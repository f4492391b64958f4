#pragma once
// Reads EAN-13 (and with it UPC-A) barcodes from live camera frames and still pictures.
//
// The camera hands every frame in packed 4:2:2 form (U Y V Y, the luma in the second byte of each
// two-byte pixel) to processFrame() on its capture thread. The reader looks at 24 horizontal lines
// of 640 pixels, 6 rows apart, reads each line with several binarisation levels, counts the digits
// it reads as votes (per frame and over up to 90 frames), and reports a code whose check digit
// verifies. Beside those lines it searches the whole frame with QMBarcodeScanner (lines at eight
// angles, local thresholds, edges between pixels, two scales), a part of its plan per frame so
// that a frame costs about as much as the camera leaves time for; a code that two independent
// lines of the search read, in one frame or over several, is reported before the votes are
// looked at. At most one code is reported per 0.5 s, and never the same code twice in a row; the
// report reaches the delegate on the main thread, without the capture thread waiting for it.
//
// readStillFrame() reads a still picture, made into a frame as the camera would deliver it: the
// whole search at once, and a code only when two independent lines agree on it.
//
//     QMBarcodeReader reader;
//     reader.setDelegate(this, this);              // a QObject that outlives queued reports
//     reader.setLastDateScan(dw::now());
//     reader.clearGlobalFrequency();
//     ... on the capture thread, per frame:
//     reader.processFrame(QMPackedFrame{bytes, byteCount, 640, 480, 1280});
//
// A frame that is not of the expected size, or too small for the scan lines, is skipped with a
// log line; the reader never reads past the bytes it is given. All decoding state belongs to the
// capture thread; the set-up calls happen before frames arrive.

#include "productsearch/QMBarcodeScanner.h"

#include <QDateTime>
#include <QPointer>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class QMBarcodeReader;

class QMBarcodeReaderDelegate
{
public:
    virtual ~QMBarcodeReaderDelegate() = default;
    // On the main thread.
    virtual void barcodeReaderFoundBarcode(QMBarcodeReader* reader, const QString& barcode) = 0;
};

// One frame in packed 4:2:2 form; the bytes belong to the caller for the length of the call.
struct QMPackedFrame
{
    const std::uint8_t* bytes = nullptr;
    std::size_t byteCount = 0;
    int width = 0;
    int height = 0;
    std::size_t bytesPerRow = 0;
};

class QMBarcodeReader
{
public:
    static constexpr int kScanWidth = 640;
    static constexpr int kScanLines = 24;
    static constexpr int kScanLineSpacing = 6;
    // Lines of the search read per camera frame; the whole plan of a 640 x 480 frame takes a few
    // frames.
    static constexpr int kSearchLinesPerFrame = 360;

    enum class FrameResult { Decoded, Skipped };

    // A reading: the digit of each of the 12 encoded positions (-1 not read), the parities of
    // the six left-hand digits (1 odd, 0 even, -1 not known) with the derived leading digit at
    // index 6, and per position a confidence from -1 to 10.
    struct Reading
    {
        std::array<std::int8_t, 12> digits;
        std::array<std::int8_t, 12> parities;
        std::array<std::int8_t, 12> confidences;
        void clear()
        {
            digits.fill(-1);
            parities.fill(-1);
            confidences.fill(0);
        }
        std::int8_t leadingDigit() const { return parities[6]; }
    };
    // Votes: [digit][column], column 0 the leading digit, columns 1-12 the encoded positions.
    using FrequencyMatrix = std::array<std::array<int, 13>, 10>;
    // Entries 0-5 count even readings of the left-hand positions, 6-11 odd ones.
    using ParityMatrix = std::array<int, 12>;

    QMBarcodeReader();

    // The delegate is called on the main thread, only while context lives.
    void setDelegate(QMBarcodeReaderDelegate* delegate, const QObject* context);
    bool highResolution() const { return m_highResolution; }
    void setHighResolution(bool high) { m_highResolution = high; }
    // Byte offset of the first scan line from the start of the frame (rows down plus, for wide
    // frames, a column offset).
    int firstScanOffset() const { return m_firstScanOffset; }
    void setFirstScanOffset(int offset) { m_firstScanOffset = offset; }
    // The frame size the camera was asked for; frames of another size are skipped.
    QSize expectedFrameSize() const { return m_expectedSize; }
    void setExpectedFrameSize(const QSize& size) { m_expectedSize = size; }
    // While null, no code is reported.
    QDateTime lastDateScan() const { return m_lastDateScan; }
    void setLastDateScan(const QDateTime& date) { m_lastDateScan = date; }
    QString lastBarcode() const { return m_lastBarcode; }

    // On the capture thread, one frame after the other.
    FrameResult processFrame(const QMPackedFrame& frame);
    // Clears the votes over frames and the search's sightings.
    void clearGlobalFrequency();

    // The code read from a still picture given as one frame (13 digits), or empty. Reports nothing
    // and leaves the camera path's state alone; a frame whose bytes do not hold its rows reads as
    // nothing. Any thread, one call at a time per reader.
    QString readStillFrame(const QMPackedFrame& frame);

    // The most-voted digit of each column, "?" for a column without votes (diagnostics).
    static QString numberFromFrequencyMatrix(const FrequencyMatrix& matrix);

    // The symbology's rules, public for their tests.
    static bool isValidCheckDigit(const std::array<int, 13>& digits);
    // The leading digit that the parities of positions 1-5 give, -1 when they give none; lenient:
    // enough of the pattern to tell the digit apart.
    static int leadingDigitFromParities(const std::array<std::int8_t, 12>& parities);
    // The row of the leading-digit table chosen by the parities, with every later parity required
    // to match the row exactly, written into the reading; then the check digit. False when a
    // parity or the check digit fails.
    static bool strictLeadingDigit(Reading& reading);

private:
    struct Line;
    void readLine(const std::uint8_t* line, int centre, FrequencyMatrix& frameVotes, ParityMatrix& frameParities,
                  bool& frameComplete);
    void foundBarcode(const QString& code);
    // The frame's luma as a grey picture, cut to the rows its bytes hold; false when none.
    static bool greyImage(const QMPackedFrame& frame, QMGreyImage& image);

    QMBarcodeReaderDelegate* m_delegate = nullptr;
    QPointer<const QObject> m_context;
    bool m_highResolution = false;
    int m_firstScanOffset = 168 * 2 * kScanWidth;
    QSize m_expectedSize{kScanWidth, 480};
    int m_frameCount = 0;
    QString m_lastBarcode;
    QString m_previousSingleFrameOldScan;
    Reading m_number;
    Reading m_previousLocal;
    Reading m_previousLocalOld;
    FrequencyMatrix m_globalFrequency{};
    int m_numberOfDigitsFound = 0;
    QDateTime m_lastDateScan;
    QMBarcodeScanner m_scanner;
    std::vector<QMBarcodeScanner::Sighting> m_sightings; // since the votes were last cleared
    int m_nextSearchLine = 0;
};
