#include "productsearch/QMBarcodeReader.h"

#include "DWKit/QMLog.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThread.h"

#include <algorithm>

namespace {

constexpr int kMaxRuns = 62;
constexpr int kWidth = QMBarcodeReader::kScanWidth;

// The published EAN-13 / UPC-A digit patterns: module widths of the four runs of each digit.
// L (odd parity) and R are read in the order of their runs (space, bar, space, bar for L; bar,
// space, bar, space for R, which has the same widths); G (even parity) is L mirrored.
constexpr std::uint8_t kLPatterns[10][4] = {{3, 2, 1, 1}, {2, 2, 2, 1}, {2, 1, 2, 2}, {1, 4, 1, 1}, {1, 1, 3, 2},
                                            {1, 2, 3, 1}, {1, 1, 1, 4}, {1, 3, 1, 2}, {1, 2, 1, 3}, {3, 1, 1, 2}};
constexpr std::uint8_t kGPatterns[10][4] = {{1, 1, 2, 3}, {1, 2, 2, 2}, {2, 2, 1, 2}, {1, 1, 4, 1}, {2, 3, 1, 1},
                                            {1, 3, 2, 1}, {4, 1, 1, 1}, {2, 1, 3, 1}, {3, 1, 2, 1}, {2, 1, 1, 3}};
// Parity of the six left-hand digits by leading digit (1 odd/L, 0 even/G).
constexpr std::uint8_t kLeadingParities[10][6] = {
    {1, 1, 1, 1, 1, 1}, {1, 1, 0, 1, 0, 0}, {1, 1, 0, 0, 1, 0}, {1, 1, 0, 0, 0, 1}, {1, 0, 1, 1, 0, 0},
    {1, 0, 0, 1, 1, 0}, {1, 0, 0, 0, 1, 1}, {1, 0, 1, 0, 1, 0}, {1, 0, 1, 0, 0, 1}, {1, 0, 0, 1, 0, 1}};

enum class Encoding { LOnly, LOrG, R };

bool matches(const int* runs, const std::uint8_t (&pattern)[4])
{
    return runs[0] == pattern[0] && runs[1] == pattern[1] && runs[2] == pattern[2] && runs[3] == pattern[3];
}

} // namespace

// The working state of one scan line, all on the stack.
struct QMBarcodeReader::Line
{
    // Written in full by readLine before anything reads them.
    std::array<int, kWidth> darkness;
    std::array<int, kWidth> derivative;
    int start = 0;
    int end = kWidth - 1;
    int minimum = 255;
    int maximum = 0;

    void findBounds(int centre)
    {
        int edgeSum = 0;
        int edges = 0;
        int lastEdge = centre - 40;
        bool up = derivative[std::size_t(centre - 40)] >= 0;
        for (int p = centre - 40; p < centre + 40; ++p) {
            const int value = darkness[std::size_t(p)];
            if (value > maximum)
                maximum = value;
            else if (value < minimum)
                minimum = value;
            const int slope = derivative[std::size_t(p)];
            if ((up && slope <= -5) || (!up && slope >= 5)) {
                up = !up;
                edgeSum += p - lastEdge;
                lastEdge = p;
                ++edges;
            }
        }
        if (edges == 0)
            return;
        const int threshold = int(0.2 * (maximum - minimum));
        const int low = minimum + threshold;
        const int high = maximum - threshold;
        const int quiet = int(3.5 * (edgeSum / edges));

        int counter = 1;
        int candidate = 0;
        for (int p = centre; p >= 1; --p) {
            if (darkness[std::size_t(p)] >= low) {
                candidate = p;
                counter = 0;
            }
            if (counter > quiet) {
                start = candidate;
                break;
            }
            ++counter;
        }
        counter = 1;
        candidate = kWidth - 1;
        for (int p = centre; p < kWidth; ++p) {
            const int value = darkness[std::size_t(p)];
            if (value >= low && value <= high) {
                candidate = p;
                counter = 0;
            }
            if (counter > quiet) {
                end = candidate;
                break;
            }
            ++counter;
        }
    }

    void maskLevels(int& top, int& bottom) const
    {
        top = 0;
        bottom = 255;
        if (start >= end)
            return;
        int runningMin = 256;
        int runningMax = -256;
        bool rising = true;
        for (int p = start; p < end; ++p) {
            const int value = darkness[std::size_t(p)];
            runningMin = std::min(runningMin, value);
            runningMax = std::max(runningMax, value);
            if (rising) {
                if (value < runningMax) {
                    rising = false;
                    runningMin = value;
                    bottom = std::min(bottom, value);
                }
            } else if (value > runningMin) {
                rising = true;
                runningMax = value;
                top = std::max(top, value);
            }
        }
    }

    bool isDark(int p, int top, int bottom) const
    {
        const int value = darkness[std::size_t(p)];
        if (value > top)
            return true;
        if (value < bottom)
            return false;
        return derivative[std::size_t(p)] < 0;
    }

    // Run widths in modules (1-4), at most kMaxRuns; the rest of the array is 0.
    void measureRuns(std::array<int, kMaxRuns>& runs, int top, int bottom) const
    {
        runs.fill(0);
        if (start >= end)
            return;
        const float unit = float(end - start) / 96.0f;
        bool dark = false;
        int counter = 0;
        int stored = 0;
        for (int p = start; p < end; ++p) {
            if (isDark(p, top, bottom) != dark) {
                if (stored < kMaxRuns) {
                    const float modules = float(counter) / unit;
                    runs[std::size_t(stored++)] = modules < 1.5f ? 1 : modules < 2.5f ? 2 : modules < 3.7f ? 3 : 4;
                }
                dark = !dark;
                counter = 0;
            }
            ++counter;
        }
    }
};

QMBarcodeReader::QMBarcodeReader()
{
    m_number.clear();
    m_previousLocal.clear();
    m_previousLocalOld.clear();
}

void QMBarcodeReader::setDelegate(QMBarcodeReaderDelegate* delegate, const QObject* context)
{
    m_delegate = delegate;
    m_context = context;
}

void QMBarcodeReader::clearGlobalFrequency()
{
    for (auto& row : m_globalFrequency)
        row.fill(0);
    m_frameCount = 0;
    m_sightings.clear();
}

namespace {

// Writes the digit (and for the left-hand sets its parity) of four runs into the reading.
bool readDigit(QMBarcodeReader::Reading& reading, const int* runs, Encoding encoding, int position)
{
    const auto at = std::size_t(position);
    for (int digit = 0; digit < 10; ++digit) {
        if (matches(runs, kLPatterns[digit])) {
            reading.digits[at] = std::int8_t(digit);
            if (encoding != Encoding::R)
                reading.parities[at] = 1;
            return true;
        }
    }
    if (encoding == Encoding::LOrG) {
        for (int digit = 0; digit < 10; ++digit) {
            if (matches(runs, kGPatterns[digit])) {
                reading.digits[at] = std::int8_t(digit);
                reading.parities[at] = 0;
                return true;
            }
        }
    }
    reading.digits[at] = -1;
    return false;
}

int readForward(QMBarcodeReader::Reading& reading, const std::array<int, kMaxRuns>& runs)
{
    if (runs[0] != 1 || runs[1] != 1 || runs[2] != 1 || runs[3] != 1)
        return 0;
    int found = 0;
    for (int position = 0; position < 6; ++position)
        found += readDigit(reading, &runs[std::size_t(4 + 4 * position)],
                           position == 0 ? Encoding::LOnly : Encoding::LOrG, position);
    for (int position = 6; position < 12; ++position)
        found += readDigit(reading, &runs[std::size_t(33 + 4 * (position - 6))], Encoding::R, position);
    return found;
}

int readBackward(QMBarcodeReader::Reading& reading, const std::array<int, kMaxRuns>& runs)
{
    for (int k = kMaxRuns - 1; k >= 55; --k) {
        const auto at = [&](int i) { return runs[std::size_t(i)]; };
        if (at(k - 3) == 1 && at(k - 2) == 1 && (at(k) == 0 || at(k - 1) == 1)) {
            int found = 0;
            for (int position = 11; position >= 6; --position)
                found += readDigit(reading, &runs[std::size_t(k - 7 - 4 * (11 - position))], Encoding::R, position);
            return found;
        }
    }
    return 0;
}

void addNumber(const QMBarcodeReader::Reading& reading, QMBarcodeReader::FrequencyMatrix& votes)
{
    if (reading.leadingDigit() >= 0)
        ++votes[std::size_t(reading.leadingDigit())][0];
    for (std::size_t position = 0; position < 12; ++position)
        if (reading.digits[position] >= 0)
            ++votes[std::size_t(reading.digits[position])][position + 1];
}

void addParity(const QMBarcodeReader::Reading& reading, QMBarcodeReader::ParityMatrix& parities)
{
    for (std::size_t position = 0; position < 6; ++position) {
        if (reading.parities[position] == 1)
            ++parities[6 + position];
        else if (reading.parities[position] == 0)
            ++parities[position];
    }
}

// Merges the current reading into a stored one; true when afterwards every stored position
// holds a digit.
bool mergeReading(const QMBarcodeReader::Reading& current, QMBarcodeReader::Reading& stored)
{
    bool complete = true;
    for (std::size_t position = 0; position < 12; ++position) {
        const std::int8_t now = current.digits[position];
        std::int8_t& digit = stored.digits[position];
        std::int8_t& confidence = stored.confidences[position];
        if (digit < 0) {
            if (now >= 0) {
                digit = now;
                stored.parities[position] = current.parities[position];
                confidence = 0;
            } else {
                complete = false;
            }
        } else if (digit == now) {
            confidence = std::int8_t(std::min(10, confidence + 1));
        } else if (now >= 0) {
            if (confidence < 0) {
                digit = now;
                stored.parities[position] = current.parities[position];
                confidence = 0;
            } else {
                const std::int8_t before = confidence;
                confidence = std::int8_t(confidence - 1);
                // The confidence is weighed against the digit's value, as the reader always has.
                if (before < now)
                    digit = now;
            }
        }
    }
    return complete;
}

// The most-voted digit per column (a tie goes to the smaller digit); false when a column has no
// vote.
bool bestDigits(const QMBarcodeReader::FrequencyMatrix& votes, std::array<int, 13>& digits)
{
    for (std::size_t column = 0; column < 13; ++column) {
        int best = -1;
        int bestVotes = 0;
        for (std::size_t digit = 0; digit < 10; ++digit) {
            if (votes[digit][column] > bestVotes) {
                bestVotes = votes[digit][column];
                best = int(digit);
            }
        }
        if (best < 0)
            return false;
        digits[column] = best;
    }
    return true;
}

template<typename Digit>
QString codeText(const std::array<Digit, 13>& digits)
{
    QString text;
    for (const Digit digit : digits)
        text += QChar(u'0' + int(digit));
    return text;
}

// Sightings kept over frames at most; a code that two lines agree on is reported long before.
constexpr std::size_t kMaxSightings = 256;

} // namespace

bool QMBarcodeReader::isValidCheckDigit(const std::array<int, 13>& digits)
{
    int sum = 0;
    for (std::size_t i = 0; i < 12; ++i)
        sum += digits[i] * (i % 2 == 0 ? 1 : 3);
    return (10 - sum % 10) % 10 == digits[12];
}

int QMBarcodeReader::leadingDigitFromParities(const std::array<std::int8_t, 12>& parities)
{
    const int p1 = parities[1], p2 = parities[2], p3 = parities[3], p4 = parities[4], p5 = parities[5];
    const auto known = [](int p) { return p == 0 || p == 1; };
    if (!known(p1) || !known(p2))
        return -1;
    if (p1 == 1 && p2 == 1)
        return (p3 == 1 || p4 == 1 || p5 == 1) ? 0 : -1;
    if (!known(p3))
        return -1;
    if (p1 == 1 && p2 == 0 && p3 == 1)
        return (p4 != 0 && p5 != 0) ? -1 : 1;
    if (p1 == 0 && p2 == 1 && p3 == 1)
        return (p4 != 0 && p5 != 0) ? -1 : 4;
    if (p1 == 0 && p2 == 0 && p3 == 0)
        return (p4 == 1 || p5 == 1) ? 6 : -1;
    if (!known(p4))
        return -1;
    if (p1 == 1 && p2 == 0 && p3 == 0)
        return p4 == 1 ? (p5 == 0 ? 2 : -1) : (p5 == 1 ? 3 : -1);
    if (p1 == 0 && p2 == 1 && p3 == 0)
        return p4 == 1 ? (p5 == 0 ? 7 : -1) : (p5 == 1 ? 8 : -1);
    // p1 0, p2 0, p3 1
    return p4 == 1 ? (p5 == 0 ? 5 : -1) : (p5 == 1 ? 9 : -1);
}

bool QMBarcodeReader::strictLeadingDigit(Reading& reading)
{
    // Narrow the table's rows by the parities of positions 1, 2, ... until one row is left.
    std::array<bool, 10> candidate;
    candidate.fill(true);
    int remaining = 10;
    int position = 1;
    for (; position <= 5 && remaining > 1; ++position) {
        const int odd = reading.parities[std::size_t(position)] == 1 ? 1 : 0;
        for (std::size_t digit = 0; digit < 10; ++digit) {
            if (candidate[digit] && kLeadingParities[digit][position] != odd) {
                candidate[digit] = false;
                --remaining;
            }
        }
    }
    const int leading = int(std::find(candidate.begin(), candidate.end(), true) - candidate.begin());
    reading.parities[6] = std::int8_t(leading);
    for (; position <= 5; ++position)
        if (reading.parities[std::size_t(position)] != kLeadingParities[leading][position])
            return false;
    std::array<int, 13> digits{};
    digits[0] = leading;
    for (std::size_t i = 0; i < 12; ++i) {
        if (reading.digits[i] < 0)
            return false;
        digits[i + 1] = reading.digits[i];
    }
    return isValidCheckDigit(digits);
}

QString QMBarcodeReader::numberFromFrequencyMatrix(const FrequencyMatrix& matrix)
{
    QString text;
    for (std::size_t column = 0; column < 13; ++column) {
        int best = -1;
        int bestVotes = 0;
        for (std::size_t digit = 0; digit < 10; ++digit) {
            if (matrix[digit][column] > bestVotes) {
                bestVotes = matrix[digit][column];
                best = int(digit);
            }
        }
        text += best < 0 ? QChar(u'?') : QChar(u'0' + best);
    }
    return text;
}

QMBarcodeReader::FrameResult QMBarcodeReader::processFrame(const QMPackedFrame& frame)
{
    // Every byte a scan line reads must lie in the frame: the lines' rows, and the 640 pixels
    // from the column offset within a row. A frame that does not fit is never read.
    const std::size_t rowBytes = frame.bytesPerRow;
    const std::size_t lineBytes = 2 * std::size_t(kWidth);
    const bool expectedSize =
        !m_expectedSize.isValid() || (frame.width == m_expectedSize.width() && frame.height == m_expectedSize.height());
    bool fits = frame.bytes && frame.width >= kWidth && frame.height > 0 && m_firstScanOffset >= 0 &&
                rowBytes >= 2 * std::size_t(frame.width);
    if (fits) {
        const std::size_t offset = std::size_t(m_firstScanOffset);
        const std::size_t lastLine = offset + std::size_t(kScanLines - 1) * kScanLineSpacing * rowBytes;
        fits = offset % rowBytes + lineBytes <= 2 * std::size_t(frame.width) &&
               lastLine / rowBytes < std::size_t(frame.height) && lastLine + lineBytes <= frame.byteCount;
    }
    if (!expectedSize || !fits) {
        QMLogError("Error: image capture size too small: %@ x %@, bytes/row: %@", frame.width, frame.height,
                   qulonglong(rowBytes));
        return FrameResult::Skipped;
    }

    m_previousLocal.digits.fill(-1);
    m_previousLocal.confidences.fill(0);
    m_previousLocal.parities[6] = -1;
    m_previousLocalOld.digits.fill(-1);
    m_previousLocalOld.confidences.fill(0);
    m_previousLocalOld.parities[6] = -1;
    FrequencyMatrix frameVotes{};
    ParityMatrix frameParities{};
    bool frameComplete = false;

    if (m_frameCount == 90)
        clearGlobalFrequency();
    ++m_frameCount;

    for (int line = 0; line < kScanLines; ++line) {
        const std::uint8_t* bytes = frame.bytes + m_firstScanOffset + std::size_t(line) * kScanLineSpacing * rowBytes;
        readLine(bytes, 298 + 2 * line, frameVotes, frameParities, frameComplete);
    }

    // The search over the whole frame goes on where the last frame left it.
    QMGreyImage image;
    if (greyImage(frame, image)) {
        const int read = m_scanner.scan(image, m_nextSearchLine, kSearchLinesPerFrame, m_sightings, true);
        const int total = m_scanner.lineCount(image.width, image.height);
        m_nextSearchLine = total > 0 ? (m_nextSearchLine + read) % total : 0;
        if (m_sightings.size() > kMaxSightings)
            m_sightings.erase(m_sightings.begin(), m_sightings.end() - std::ptrdiff_t(kMaxSightings));
    }

    Reading parityVote;
    parityVote.clear();
    for (std::size_t position = 1; position < 6; ++position) {
        const int even = frameParities[position];
        const int odd = frameParities[6 + position];
        parityVote.parities[position] = even > odd ? 0 : odd != 0 ? 1 : -1;
    }
    const int leading = leadingDigitFromParities(parityVote.parities);
    if (leading >= 0)
        frameVotes[std::size_t(leading)][0] += 2;
    for (std::size_t digit = 0; digit < 10; ++digit)
        for (std::size_t column = 0; column < 13; ++column)
            m_globalFrequency[digit][column] += frameVotes[digit][column];

    // Two independent lines of the search are the surest reading; then the votes.
    std::array<int, 13> digits{};
    std::array<std::int8_t, 13> agreed{};
    if (QMBarcodeScanner::agreedCode(m_sightings, agreed)) {
        foundBarcode(codeText(agreed));
    } else if (bestDigits(frameVotes, digits) && isValidCheckDigit(digits)) {
        foundBarcode(codeText(digits));
    } else if (bestDigits(m_globalFrequency, digits) && isValidCheckDigit(digits)) {
        foundBarcode(codeText(digits));
    } else if (frameComplete && strictLeadingDigit(m_previousLocalOld)) {
        QString text;
        if (m_previousLocalOld.leadingDigit() != 0)
            text += QChar(u'0' + m_previousLocalOld.leadingDigit());
        for (const std::int8_t digit : m_previousLocalOld.digits)
            text += digit < 0 ? QChar(u'?') : QChar(u'0' + digit);
        if (text == m_previousSingleFrameOldScan) {
            m_previousSingleFrameOldScan.clear();
            foundBarcode(text);
        } else {
            m_previousSingleFrameOldScan = text;
        }
    }
    return FrameResult::Decoded;
}

void QMBarcodeReader::readLine(const std::uint8_t* bytes, int centre, FrequencyMatrix& frameVotes,
                               ParityMatrix& frameParities, bool& frameComplete)
{
    Line line;
    for (std::size_t i = 0; i < std::size_t(kWidth); ++i)
        line.darkness[i] = 255 - bytes[2 * i + 1];
    for (std::size_t i = 0; i + 1 < std::size_t(kWidth); ++i)
        line.derivative[i] = line.darkness[i + 1] - line.darkness[i];
    line.derivative[kWidth - 1] = 0;
    line.findBounds(centre);
    if (line.end == kWidth - 1 || line.start <= 0)
        return;

    std::array<int, kMaxRuns> runs;
    int top = 0;
    int bottom = 255;
    line.maskLevels(top, bottom);
    line.measureRuns(runs, top, bottom);
    m_number.clear();
    m_numberOfDigitsFound = readForward(m_number, runs);
    if (m_numberOfDigitsFound >= 8) {
        m_number.parities[6] = std::int8_t(leadingDigitFromParities(m_number.parities));
        addNumber(m_number, frameVotes);
        addParity(m_number, frameParities);
        mergeReading(m_number, m_previousLocal);
    }

    m_number.clear();
    m_numberOfDigitsFound = readBackward(m_number, runs);
    if (m_numberOfDigitsFound >= 5)
        addNumber(m_number, frameVotes);

    // Fixed levels between the line's extremes; the last level is read once and merged three
    // times on purpose, so that an agreeing reading weighs three times in the stored reading.
    static constexpr struct
    {
        float bottom;
        float top;
        int merges;
    } kLevels[] = {{0.34f, 0.44f, 1}, {0.15f, 0.40f, 1}, {0.18f, 0.50f, 3}};
    const int range = line.maximum - line.minimum;
    for (const auto& level : kLevels) {
        const int fixedBottom = int(float(line.minimum) + level.bottom * float(range));
        const int fixedTop = int(float(line.maximum) - level.top * float(range));
        line.measureRuns(runs, fixedTop, fixedBottom);
        m_number.clear();
        m_numberOfDigitsFound = readForward(m_number, runs);
        if (m_numberOfDigitsFound >= 7)
            for (int merge = 0; merge < level.merges; ++merge)
                frameComplete = mergeReading(m_number, m_previousLocalOld);
    }
}

bool QMBarcodeReader::greyImage(const QMPackedFrame& frame, QMGreyImage& image)
{
    const std::size_t lineBytes = 2 * std::size_t(std::max(frame.width, 0));
    if (!frame.bytes || frame.width <= 0 || frame.height <= 0 || frame.bytesPerRow < lineBytes ||
        frame.byteCount < lineBytes)
        return false;
    const std::size_t rows = std::min(std::size_t(frame.height), (frame.byteCount - lineBytes) / frame.bytesPerRow + 1);
    image = QMGreyImage{frame.bytes + 1, frame.width, int(rows), 2, frame.bytesPerRow};
    return true;
}

QString QMBarcodeReader::readStillFrame(const QMPackedFrame& frame)
{
    QMGreyImage image;
    if (!greyImage(frame, image))
        return {};
    std::vector<QMBarcodeScanner::Sighting> sightings;
    m_scanner.scan(image, 0, m_scanner.lineCount(image.width, image.height), sightings, true);
    std::array<std::int8_t, 13> code{};
    if (!QMBarcodeScanner::agreedCode(sightings, code))
        return {};
    return codeText(code);
}

void QMBarcodeReader::foundBarcode(const QString& code)
{
    clearGlobalFrequency();
    const QDateTime now = dw::now();
    const qint64 elapsed = m_lastDateScan.isValid() ? m_lastDateScan.msecsTo(now) : 0;
    if (elapsed <= 500)
        return;
    if (!m_lastBarcode.isNull() && m_lastBarcode == code)
        return;
    m_lastDateScan = now;
    m_lastBarcode = code;
    if (!m_delegate)
        return;
    QMBarcodeReaderDelegate* delegate = m_delegate;
    dw::postToMain(m_context, [delegate, this, code] { delegate->barcodeReaderFoundBarcode(this, code); });
}
