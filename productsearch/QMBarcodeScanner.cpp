#include "productsearch/QMBarcodeScanner.h"

#include <algorithm>
#include <cmath>

namespace {

// Lines of a band: the line itself and kBand on either side, one pixel apart.
constexpr int kBand = 2;
// Between neighbouring parallel lines, in pixels of their scale.
constexpr float kSpacing = 6.0f;
// The order in which the directions take turns: along and across the picture first, where most
// symbols are held, then the diagonals, then the rest.
constexpr int kDirectionOrder[QMBarcodeScanner::kDirections] = {0, 4, 2, 6, 1, 7, 3, 5};
constexpr double kPi = 3.14159265358979323846;
// A line is read only when its own pixels swing at least this often by at least this much (grey
// levels, and a share of its contrast).
constexpr int kMinimumSwings = 48;
constexpr int kPrescreenMinimumSwing = 4;
constexpr int kPrescreenContrastShare = 16;

struct Vector
{
    float x;
    float y;
};

Vector along(int direction)
{
    const double angle = kPi * direction / QMBarcodeScanner::kDirections;
    return {float(std::cos(angle)), float(std::sin(angle))};
}

} // namespace

void QMBarcodeScanner::plan(int width, int height)
{
    if (width == m_planWidth && height == m_planHeight)
        return;
    m_planWidth = width;
    m_planHeight = height;
    m_lines.clear();
    for (const int scale : {1, 2}) {
        // Per direction, the offsets from the middle outwards; then one line of each direction in
        // turn, so that any stretch of the plan looks at the middle in every direction before
        // the edges.
        std::vector<std::vector<Line>> groups;
        const float w = float(width / scale);
        const float h = float(height / scale);
        for (const int direction : kDirectionOrder) {
            const Vector d = along(direction);
            // Across the picture, the lines reach as far as its corners.
            const float reach = (std::fabs(d.y) * w + std::fabs(d.x) * h) / 2;
            std::vector<Line> group;
            group.push_back({direction, scale, 0});
            for (float t = kSpacing; t < reach - kBand; t += kSpacing) {
                group.push_back({direction, scale, t});
                group.push_back({direction, scale, -t});
            }
            groups.push_back(std::move(group));
        }
        for (std::size_t rank = 0;; ++rank) {
            bool any = false;
            for (const auto& group : groups) {
                if (rank < group.size()) {
                    m_lines.push_back(group[rank]);
                    any = true;
                }
            }
            if (!any)
                break;
        }
    }
}

int QMBarcodeScanner::lineCount(int width, int height)
{
    plan(width, height);
    return int(m_lines.size());
}

void QMBarcodeScanner::makeHalfImage(const QMGreyImage& image)
{
    const int w = image.width / 2;
    const int h = image.height / 2;
    m_half.resize(std::size_t(std::max(1, w * h)));
    const std::size_t step = std::size_t(image.pixelStep);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* top = image.bytes + std::size_t(2 * y) * image.rowStride;
        const std::uint8_t* bottom = top + image.rowStride;
        std::uint8_t* out = m_half.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            const std::size_t at = std::size_t(2 * x) * step;
            out[x] = std::uint8_t((top[at] + top[at + step] + bottom[at] + bottom[at + step] + 2) / 4);
        }
    }
    m_halfImage = QMGreyImage{m_half.data(), w, h, 1, std::size_t(w)};
}

// How a line crosses the picture: its steps along the major axis and its position across, in
// 16.16 fixed point.
struct QMBarcodeScanner::Walk
{
    bool diagonal = false;
    int across = 0; // on the diagonals, steps back per line of the band
    int minor = 0;
    int first = 0; // first and last step along
    int last = 0;
    std::int64_t position = 0; // across, at the first step
    std::int64_t step = 0;     // per step along
    std::ptrdiff_t majorStep = 0;
    std::ptrdiff_t minorStep = 0;
};

namespace {
constexpr int kOne = 1 << 16;
}

bool QMBarcodeScanner::walk(const QMGreyImage& image, const Line& line, Walk& walk)
{
    // Lines nearer the horizontal step one column at a time and interpolate between rows; steeper
    // ones step one row at a time and interpolate between columns, so that a sample needs one
    // interpolation weight only.
    const Vector d = along(line.direction);
    const bool rows = std::fabs(d.x) >= std::fabs(d.y);
    const int major = rows ? image.width : image.height;
    walk.minor = rows ? image.height : image.width;
    const float slope = rows ? d.y / d.x : d.x / d.y;
    walk.diagonal = std::fabs(std::fabs(slope) - 1) < 1e-3f;
    walk.across = walk.diagonal ? (slope > 0 ? 1 : -1) : 0;
    // Where the line crosses the middle of the major axis, on the minor axis.
    const float middleMajor = float(major - 1) / 2;
    const float middleMinor = float(walk.minor - 1) / 2 + (rows ? line.offset / d.x : -line.offset / d.y);
    // A sample reads kBand lines before its interpolated position and kBand + 1 after it, and on
    // the diagonals kBand steps either side and one more.
    const float lowest = float(kBand);
    const float highest = float(walk.minor - kBand - 2);
    if (highest < lowest)
        return false;
    float from = float(kBand * std::abs(walk.across));
    float to = float(major - 2 - kBand * std::abs(walk.across));
    if (std::fabs(slope) < 1e-6f) {
        if (middleMinor < lowest || middleMinor > highest)
            return false;
    } else {
        float a = middleMajor + (lowest - middleMinor) / slope;
        float b = middleMajor + (highest - middleMinor) / slope;
        if (a > b)
            std::swap(a, b);
        from = std::max(from, std::ceil(a));
        to = std::min(to, std::floor(b));
    }
    if (to < from)
        return false;
    walk.first = int(from);
    walk.last = int(to);
    walk.majorStep = rows ? image.pixelStep : std::ptrdiff_t(image.rowStride);
    walk.minorStep = rows ? std::ptrdiff_t(image.rowStride) : image.pixelStep;
    const auto fixed = [](double value) { return std::int64_t(std::llround(value * kOne)); };
    walk.position = fixed(double(middleMinor) + (double(walk.first) - double(middleMajor)) * double(slope));
    walk.step = fixed(double(slope));
    return true;
}

int QMBarcodeScanner::swings(const QMGreyImage& image, const Walk& walk)
{
    // The line's own pixels, without band or interpolation: how often they swing by a small share
    // of their contrast tells cheaply whether the line can hold a symbol's 59 bars and spaces.
    const int length = std::min(walk.last - walk.first + 1, QMBarcodeLineDecoder::kMaxProfile);
    if (length < kMinimumSwings)
        return 0;
    std::array<std::uint8_t, QMBarcodeLineDecoder::kMaxProfile> pixels;
    int low = 255;
    int high = 0;
    std::int64_t position = walk.position + kOne / 2;
    std::ptrdiff_t offset = std::ptrdiff_t(walk.first) * walk.majorStep;
    for (int k = 0; k < length; ++k, position += walk.step, offset += walk.majorStep) {
        const int across = std::clamp(int(position >> 16), 0, walk.minor - 1);
        const std::uint8_t value = image.bytes[offset + std::ptrdiff_t(across) * walk.minorStep];
        pixels[std::size_t(k)] = value;
        low = std::min(low, int(value));
        high = std::max(high, int(value));
    }
    const int swing = std::max(kPrescreenMinimumSwing, (high - low) / kPrescreenContrastShare);
    int count = 0;
    int extreme = pixels[0];
    bool rising = true;
    for (int k = 1; k < length; ++k) {
        const int value = pixels[std::size_t(k)];
        if (rising ? value > extreme : value < extreme) {
            extreme = value;
        } else if (std::abs(value - extreme) >= swing) {
            // Enough to be read; noise would otherwise make every pixel a turn.
            if (++count >= kMinimumSwings)
                return count;
            rising = !rising;
            extreme = value;
        }
    }
    return count;
}

int QMBarcodeScanner::sample(const QMGreyImage& image, const Walk& walk, float* profile)
{
    // The band's lines are the neighbouring rows (columns); on the diagonals, whose neighbouring
    // rows would lie shifted along the line, they are the pixels one step back and one row over,
    // which lie straight across it. Diagonal lines would see a pixel only every 1.4 pixels along
    // them; they take a sample every half step, the odd ones between two steps.
    const int substeps = walk.diagonal ? 2 : 1;
    const int length = std::min((walk.last - walk.first) * substeps + 1, QMBarcodeLineDecoder::kMaxProfile);
    const std::int64_t step = walk.step / substeps;
    const std::int64_t lowestBase = std::int64_t(kBand) << 16;
    const std::int64_t highestBase = std::int64_t(walk.minor - kBand - 2) << 16;
    constexpr float kWeight = 1.0f / float((2 * kBand + 1) * kOne);
    const std::ptrdiff_t minorStep = walk.minorStep;
    std::ptrdiff_t band[2 * kBand + 1];
    for (int b = -kBand; b <= kBand; ++b)
        band[b + kBand] = b * minorStep - b * walk.across * walk.majorStep;
    // The band's sum at one step along and a position across, times kOne.
    const auto bandSum = [&](std::ptrdiff_t offset, std::int64_t position) {
        // Rounding may put the position a hair outside; the clamp keeps every read inside.
        const std::int64_t at = std::clamp(position, lowestBase, highestBase + kOne - 1);
        const int f = int(at & (kOne - 1));
        const std::uint8_t* p = image.bytes + offset + std::ptrdiff_t(at >> 16) * minorStep;
        if (!walk.diagonal) {
            // Neighbouring rows share their interpolation: 2 kBand + 2 reads.
            static_assert(kBand == 2, "the sum reads the band's four inner lines");
            const int inner = p[band[1]] + p[band[2]] + p[band[3]] + p[band[4]];
            return inner * kOne + (kOne - f) * p[band[0]] + f * p[band[4] + minorStep];
        }
        int near = 0;
        int far = 0;
        for (const std::ptrdiff_t line : band) {
            near += p[line];
            far += p[line + minorStep];
        }
        return near * (kOne - f) + far * f;
    };
    std::int64_t position = walk.position;
    std::ptrdiff_t offset = std::ptrdiff_t(walk.first) * walk.majorStep;
    if (step == 0 && !walk.diagonal) {
        // Along a row or a column: the same rows (columns) and weight all the way.
        const std::int64_t at = std::clamp(position, lowestBase, highestBase + kOne - 1);
        const int f = int(at & (kOne - 1));
        const std::uint8_t* p = image.bytes + offset + std::ptrdiff_t(at >> 16) * minorStep;
        for (int k = 0; k < length; ++k, p += walk.majorStep) {
            const int inner = p[band[1]] + p[band[2]] + p[band[3]] + p[band[4]];
            profile[k] = float(inner * kOne + (kOne - f) * p[band[0]] + f * p[band[4] + minorStep]) * kWeight;
        }
        return length;
    }
    for (int k = 0; k < length; ++k, position += step) {
        if (k % substeps == 0) {
            profile[k] = float(bandSum(offset, position)) * kWeight;
        } else {
            profile[k] =
                float(bandSum(offset, position) / 2 + bandSum(offset + walk.majorStep, position) / 2) * kWeight;
            offset += walk.majorStep;
        }
        if (substeps == 1)
            offset += walk.majorStep;
    }
    return length;
}

int QMBarcodeScanner::scan(const QMGreyImage& image, int first, int count, std::vector<Sighting>& sightings,
                           bool stopWhenAgreed)
{
    // Both scales need room for a band and its interpolation.
    if (!image.bytes || image.width < 4 * (2 * kBand + 2) || image.height < 4 * (2 * kBand + 2))
        return 0;
    plan(image.width, image.height);
    const int total = int(m_lines.size());
    if (total == 0 || count <= 0)
        return 0;
    first = ((first % total) + total) % total;
    bool halfMade = false;
    // Reads one line; true when it read a symbol. A line beside one that read a symbol skips the
    // prescreen: it most likely crosses the symbol too.
    const auto readLine = [&](const Line& line, bool prescreen) {
        if (line.scale == 2 && !halfMade) {
            makeHalfImage(image);
            halfMade = true;
        }
        const QMGreyImage& picture = line.scale == 2 ? m_halfImage : image;
        Walk path;
        if (!walk(picture, line, path) || (prescreen && swings(picture, path) < kMinimumSwings))
            return false;
        const int length = sample(picture, path, m_profile.data());
        QMBarcodeLineDecoder::Symbol symbols[QMBarcodeLineDecoder::kMaxSymbols];
        const int found = m_decoder.decode(m_profile.data(), length, symbols, QMBarcodeLineDecoder::kMaxSymbols);
        for (int i = 0; i < found; ++i)
            sightings.push_back({symbols[i].digits, line.direction, line.scale, line.offset * float(line.scale)});
        return found > 0;
    };
    std::array<std::int8_t, 13> code;
    int read = 0;
    while (read < std::min(count, total)) {
        const Line line = m_lines[std::size_t((first + read) % total)];
        ++read;
        if (!readLine(line, true))
            continue;
        if (stopWhenAgreed && agreedCode(sightings, code))
            break;
        // The lines beside one that read a symbol most likely cross it too: they are read next, so
        // that a second, independent reading comes soon.
        bool agreed = false;
        for (const float side : {kSpacing, -kSpacing}) {
            if (readLine({line.direction, line.scale, line.offset + side}, false) && stopWhenAgreed &&
                agreedCode(sightings, code)) {
                agreed = true;
                break;
            }
        }
        if (agreed)
            break;
    }
    return read;
}

bool QMBarcodeScanner::independent(const Sighting& a, const Sighting& b)
{
    if (a.direction != b.direction)
        return true;
    // The band reaches kBand pixels of its scale to either side.
    return std::fabs(a.offset - b.offset) > float(kBand * (a.scale + b.scale));
}

bool QMBarcodeScanner::agreedCode(const std::vector<Sighting>& sightings, std::array<std::int8_t, 13>& code)
{
    std::size_t bestCount = 0;
    std::vector<std::size_t> same;
    for (std::size_t i = 0; i < sightings.size(); ++i) {
        const auto& digits = sightings[i].digits;
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j)
            seen = sightings[j].digits == digits;
        if (seen)
            continue;
        same.clear();
        for (std::size_t j = i; j < sightings.size(); ++j)
            if (sightings[j].digits == digits)
                same.push_back(j);
        if (same.size() <= bestCount)
            continue;
        bool agreed = false;
        for (std::size_t a = 0; a < same.size() && !agreed; ++a)
            for (std::size_t b = a + 1; b < same.size() && !agreed; ++b)
                agreed = independent(sightings[same[a]], sightings[same[b]]);
        if (agreed) {
            bestCount = same.size();
            code = digits;
        }
    }
    return bestCount > 0;
}
