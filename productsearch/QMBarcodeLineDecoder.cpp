#include "productsearch/QMBarcodeLineDecoder.h"

#include <algorithm>
#include <cmath>
namespace {

// Bars and spaces from the first bar of the start guard to the last bar of the end guard: three
// guard elements, six digits of four, five centre guard elements, six digits of four, three guard
// elements; 95 modules.
constexpr int kElements = 59;
constexpr int kLeftDigitsAt = 3;
constexpr int kCentreAt = 27;
constexpr int kRightDigitsAt = 32;
constexpr int kEndAt = 56;

// The published digit patterns as module widths of their four runs: L (odd parity) in the order
// space, bar, space, bar; G (even parity) is L reversed; R has L's widths in the order bar, space,
// bar, space.
constexpr std::uint8_t kL[10][4] = {{3, 2, 1, 1}, {2, 2, 2, 1}, {2, 1, 2, 2}, {1, 4, 1, 1}, {1, 1, 3, 2},
                                    {1, 2, 3, 1}, {1, 1, 1, 4}, {1, 3, 1, 2}, {1, 2, 1, 3}, {3, 1, 1, 2}};
// Parity of the six left-hand digits by leading digit (1 odd/L, 0 even/G).
constexpr std::uint8_t kLeadingParities[10][6] = {
    {1, 1, 1, 1, 1, 1}, {1, 1, 0, 1, 0, 0}, {1, 1, 0, 0, 1, 0}, {1, 1, 0, 0, 0, 1}, {1, 0, 1, 1, 0, 0},
    {1, 0, 0, 1, 1, 0}, {1, 0, 0, 0, 1, 1}, {1, 0, 1, 0, 1, 0}, {1, 0, 1, 0, 0, 1}, {1, 0, 0, 1, 0, 1}};

// The smallest swing of brightness that makes a peak or a valley: a share of the contrast within
// about 40 samples; at least a few times the line's noise, unless that is more than a larger
// share of the contrast (narrow elements that blur has left grey still swing that far); and never
// less than a few grey levels.
constexpr float kRelativeSwing = 0.08f;
constexpr float kNoiseSwing = 4.0f;
constexpr float kMaxRelativeNoiseSwing = 0.3f;
constexpr float kMinimumSwing = 2.5f;
// An edge's level is the middle of the extremes of this many elements on either side of it...
constexpr int kLevelReach = 4;
// ...kept at least this share of the edge's own swing away from its peak and its valley.
constexpr float kLevelMargin = 0.33f;

// Light around the symbol, in modules of the digit next to it. Printed symbols have 7 to 11;
// pictures cropped close to the bars and text beside them leave less, and fewer than this many
// let the middle of a symbol pass for its end.
constexpr float kQuietModules = 5.0f;
// A digit's four widths, in modules, may differ from its pattern by this much in all, and the next
// best pattern must be this much further off. Two patterns are at least 2 modules apart.
constexpr float kMaxDistance = 1.5f;
constexpr float kMinMargin = 0.4f;
// Neighbouring digits have nearly the same width even in perspective.
constexpr float kMaxNeighbourRatio = 1.4f;
// A guard's inner elements, in modules of the digit beside them; its outer ones (which border on
// whatever lies beyond the symbol and are the least sure) at most.
constexpr float kGuardMin = 0.3f;
constexpr float kGuardMax = 1.9f;
constexpr float kOuterGuardMax = 3.0f;

struct Match
{
    int digit = -1;
    int parity = -1; // 1 odd (L), 0 even (G); 1 for R
};

// The pattern that four widths in modules (summing to 7) fit clearly best, or digit -1.
Match matchDigit(const float (&modules)[4], bool leftHand)
{
    float best = 1e9f;
    float second = 1e9f;
    Match match;
    for (int set = 0; set < (leftHand ? 2 : 1); ++set) {
        for (int digit = 0; digit < 10; ++digit) {
            float distance = 0;
            for (int j = 0; j < 4; ++j)
                distance += std::fabs(modules[j] - float(kL[digit][set == 0 ? j : 3 - j]));
            if (distance < best) {
                second = best;
                best = distance;
                match.digit = digit;
                match.parity = set == 0 ? 1 : 0;
            } else if (distance < second) {
                second = distance;
            }
        }
    }
    if (best > kMaxDistance || second - best < kMinMargin)
        return {};
    return match;
}

bool withinRatio(float a, float b, float ratio)
{
    return a < b * ratio && b < a * ratio;
}

// Reads the 59 elements between edges e[0] (a falling edge) and e[59].
bool readSymbol(const float* e, QMBarcodeLineDecoder::Symbol& symbol)
{
    float w[kElements];
    for (int i = 0; i < kElements; ++i) {
        w[i] = e[i + 1] - e[i];
        if (!(w[i] > 0))
            return false;
    }
    float digitWidth[12];
    for (int c = 0; c < 12; ++c) {
        const int at = c < 6 ? kLeftDigitsAt + 4 * c : kRightDigitsAt + 4 * (c - 6);
        digitWidth[c] = w[at] + w[at + 1] + w[at + 2] + w[at + 3];
    }
    for (int c = 0; c + 1 < 12; ++c)
        if (!withinRatio(digitWidth[c], digitWidth[c + 1], kMaxNeighbourRatio))
            return false;

    // The guards, whose elements are all one module, against the module of the digits beside them.
    const float startModule = digitWidth[0] / 7;
    const float centreModule = (digitWidth[5] + digitWidth[6]) / 14;
    const float endModule = digitWidth[11] / 7;
    const auto guard = [&](int at, int count, float module) {
        for (int i = at; i < at + count; ++i) {
            const float modules = w[i] / module;
            if (modules < kGuardMin || modules > kGuardMax)
                return false;
        }
        return true;
    };
    if (!guard(1, 2, startModule) || !guard(kCentreAt, 5, centreModule) || !guard(kEndAt, 2, endModule) ||
        w[0] > kOuterGuardMax * startModule || w[kElements - 1] > kOuterGuardMax * endModule)
        return false;
    // Ink spread and blur widen bars at the cost of spaces alike all over the symbol; the guards'
    // inner elements show by how much.
    const float bars =
        w[2] / startModule + (w[kCentreAt + 1] + w[kCentreAt + 3]) / centreModule + w[kEndAt] / endModule;
    const float spaces = w[1] / startModule + (w[kCentreAt] + w[kCentreAt + 2] + w[kCentreAt + 4]) / centreModule +
                         w[kEndAt + 1] / endModule;
    const float spread = std::clamp((bars / 4 - spaces / 5) / 2, -0.5f, 0.5f);

    int parities[6];
    for (int c = 0; c < 12; ++c) {
        const bool left = c < 6;
        const int at = left ? kLeftDigitsAt + 4 * c : kRightDigitsAt + 4 * (c - 6);
        float modules[4];
        for (int j = 0; j < 4; ++j) {
            // Left-hand digits begin with a space, right-hand ones with a bar.
            const bool bar = left ? j % 2 == 1 : j % 2 == 0;
            modules[j] = 7 * w[at + j] / digitWidth[c] + (bar ? -spread : spread);
        }
        const Match match = matchDigit(modules, left);
        if (match.digit < 0)
            return false;
        symbol.digits[std::size_t(c + 1)] = std::int8_t(match.digit);
        if (left)
            parities[c] = match.parity;
    }
    int leading = -1;
    for (int digit = 0; digit < 10 && leading < 0; ++digit)
        if (std::equal(parities, parities + 6, kLeadingParities[digit]))
            leading = digit;
    if (leading < 0)
        return false;
    symbol.digits[0] = std::int8_t(leading);
    int sum = 0;
    for (std::size_t i = 0; i < 12; ++i)
        sum += symbol.digits[i] * (i % 2 == 0 ? 1 : 3);
    return (10 - sum % 10) % 10 == symbol.digits[12];
}

} // namespace

int QMBarcodeLineDecoder::findExtrema(const float* v, int n)
{
    m_profile = v;
    m_extremumCount = 0;
    m_firstFalls = false;
    if (n < 3)
        return 0;

    // The noise, from how much the profile bends at each sample: within bars and spaces and along
    // the straight middle of blurred edges only noise bends it, so the smallest quarter of the
    // bends measures the noise. For normal noise of deviation s, a quarter of them are below
    // 0.78 s.
    constexpr int kBins = 256;
    constexpr float kBinsPerLevel = 4;
    // Every second sample measures it well enough.
    std::array<int, kBins> bends{};
    int measured = 0;
    for (int i = 1; i + 1 < n; i += 2, ++measured)
        ++bends[std::size_t(std::min(float(kBins - 1), std::fabs(v[i - 1] - 2 * v[i] + v[i + 1]) * kBinsPerLevel))];
    int quarter = 0;
    for (int seen = 0; quarter < kBins && (seen += bends[std::size_t(quarter)]) < measured / 4;)
        ++quarter;
    const float noiseSwing = kNoiseSwing * (float(quarter) + 0.5f) / kBinsPerLevel / 0.78f;

    // The swing an extremum needs, from the contrast of the blocks around it.
    constexpr int kBlock = 16;
    constexpr int kReach = 2;
    const int blocks = (n + kBlock - 1) / kBlock;
    std::array<float, kMaxProfile / kBlock + 1> blockMax;
    std::array<float, kMaxProfile / kBlock + 1> blockMin;
    std::array<float, kMaxProfile / kBlock + 1> swing;
    for (int b = 0; b < blocks; ++b) {
        const int end = std::min(n, (b + 1) * kBlock);
        float high = v[b * kBlock];
        float low = high;
        for (int i = b * kBlock + 1; i < end; ++i) {
            high = std::max(high, v[i]);
            low = std::min(low, v[i]);
        }
        blockMax[std::size_t(b)] = high;
        blockMin[std::size_t(b)] = low;
    }
    for (int b = 0; b < blocks; ++b) {
        float high = blockMax[std::size_t(b)];
        float low = blockMin[std::size_t(b)];
        for (int o = std::max(0, b - kReach); o <= std::min(blocks - 1, b + kReach); ++o) {
            high = std::max(high, blockMax[std::size_t(o)]);
            low = std::min(low, blockMin[std::size_t(o)]);
        }
        const float contrast = high - low;
        swing[std::size_t(b)] = std::max(
            {kMinimumSwing, kRelativeSwing * contrast, std::min(noiseSwing, kMaxRelativeNoiseSwing * contrast)});
    }
    const auto swingAt = [&](int i) { return swing[std::size_t(i / kBlock)]; };

    // Peaks and valleys, alternating: an extremum counts once the profile has moved away from it
    // by its swing.
    auto& extrema = m_extrema;
    int count = 0;
    int mode = 0; // 0 none yet, -1 after a peak (looking for a valley), 1 after a valley
    int highAt = 0;
    int lowAt = 0;
    for (int i = 1; i < n; ++i) {
        const float x = v[i];
        if (mode == 0) {
            if (x > v[highAt])
                highAt = i;
            if (x < v[lowAt])
                lowAt = i;
            if (highAt < i && v[highAt] - x > swingAt(highAt)) {
                extrema[std::size_t(count++)] = {highAt, v[highAt]};
                mode = -1;
                lowAt = i;
            } else if (lowAt < i && x - v[lowAt] > swingAt(lowAt)) {
                extrema[std::size_t(count++)] = {lowAt, v[lowAt]};
                mode = 1;
                highAt = i;
            }
        } else if (mode < 0) {
            if (x < v[lowAt]) {
                lowAt = i;
            } else if (x - v[lowAt] > swingAt(lowAt)) {
                extrema[std::size_t(count++)] = {lowAt, v[lowAt]};
                mode = 1;
                highAt = i;
            }
        } else {
            if (x > v[highAt]) {
                highAt = i;
            } else if (v[highAt] - x > swingAt(highAt)) {
                extrema[std::size_t(count++)] = {highAt, v[highAt]};
                mode = -1;
                lowAt = i;
            }
        }
    }
    // The extremum the profile ends in, when it has swung far enough from the last one.
    if (mode < 0 && extrema[std::size_t(count - 1)].value - v[lowAt] > swingAt(lowAt))
        extrema[std::size_t(count++)] = {lowAt, v[lowAt]};
    else if (mode > 0 && v[highAt] - extrema[std::size_t(count - 1)].value > swingAt(highAt))
        extrema[std::size_t(count++)] = {highAt, v[highAt]};
    if (count < 2)
        return 0;

    m_firstFalls = extrema[0].value > extrema[1].value;
    m_extremumCount = count;
    // A new stamp marks every edge as not yet placed.
    if (++m_stamp == 0) {
        m_edgeStamps.fill(0);
        m_stamp = 1;
    }
    return count;
}

float QMBarcodeLineDecoder::edgeAt(int k)
{
    // Placing an edge is the costly part of reading a line, and only the edges of windows that
    // could hold a symbol are ever needed: each is placed when first asked for.
    if (m_edgeStamps[std::size_t(k)] == m_stamp)
        return m_edges[std::size_t(k)];
    const float* v = m_profile;
    const auto& extrema = m_extrema;
    const int count = m_extremumCount;
    const Extremum a = extrema[std::size_t(k)];
    const Extremum b = extrema[std::size_t(k + 1)];
    const bool falling = a.value > b.value;
    float white = std::max(a.value, b.value);
    float black = std::min(a.value, b.value);
    const float margin = kLevelMargin * (white - black);
    const float high = white - margin;
    const float low = black + margin;
    for (int o = std::max(0, k - kLevelReach); o <= std::min(count - 1, k + 1 + kLevelReach); ++o) {
        white = std::max(white, extrema[std::size_t(o)].value);
        black = std::min(black, extrema[std::size_t(o)].value);
    }
    const float level = std::clamp((white + black) / 2, low, high);
    // Where noise makes the profile cross the level more than once, the middle of the first and
    // the last crossing.
    const auto crosses = [&](int j) {
        return falling ? (v[j] >= level && v[j + 1] < level) : (v[j] <= level && v[j + 1] > level);
    };
    const auto position = [&](int j) { return float(j) + (v[j] - level) / (v[j] - v[j + 1]); };
    int first = a.at;
    while (first < b.at - 1 && !crosses(first))
        ++first;
    int last = b.at - 1;
    while (last > first && !crosses(last))
        --last;
    const float edge = (position(first) + position(last)) / 2;
    m_edges[std::size_t(k)] = edge;
    m_edgeStamps[std::size_t(k)] = m_stamp;
    return edge;
}

bool QMBarcodeLineDecoder::mayHoldSymbol(int m, int edges, float length) const
{
    // Edge k lies between extrema k and k + 1, so the extrema bound every width the reading
    // measures: the light before the window at most, a guard's digit at least. A window that
    // fails this has no room for a quiet zone on one side in either reading direction.
    const auto at = [&](int i) { return float(m_extrema[std::size_t(i)].at); };
    const float before = m > 0 ? at(m + 1) - at(m - 1) : at(m + 1);
    const float after =
        m + kElements + 1 < edges ? at(m + kElements + 2) - at(m + kElements) : length - 1 - at(m + kElements);
    const float startModule = (at(kLeftDigitsAt + 4 + m) - at(kLeftDigitsAt + 1 + m)) / 7;
    const float endModule = (at(kEndAt + m) - at(kEndAt - 3 + m)) / 7;
    return before >= kQuietModules * startModule && after >= kQuietModules * endModule;
}

bool QMBarcodeLineDecoder::readWindow(int m, int edges, float length, bool backward, Symbol& symbol)
{
    // The window's edges in reading order; read backward, they are mirrored from the far end.
    float e[kElements + 1];
    for (int i = 0; i <= kElements; ++i)
        e[i] = backward ? length - 1 - edgeAt(m + kElements - i) : edgeAt(m + i);
    const int beforeAt = backward ? m + kElements + 1 : m - 1;
    const int afterAt = backward ? m - 1 : m + kElements + 1;
    const auto mirrored = [&](int k) { return backward ? length - 1 - edgeAt(k) : edgeAt(k); };
    const float before = beforeAt >= 0 && beforeAt < edges ? e[0] - mirrored(beforeAt) : e[0];
    const float after = afterAt >= 0 && afterAt < edges ? mirrored(afterAt) - e[kElements] : length - 1 - e[kElements];
    const float startModule = (e[kLeftDigitsAt + 4] - e[kLeftDigitsAt]) / 7;
    const float endModule = (e[kEndAt] - e[kEndAt - 4]) / 7;
    if (before < kQuietModules * startModule || after < kQuietModules * endModule)
        return false;
    if (!readSymbol(e, symbol))
        return false;
    symbol.start = backward ? length - 1 - e[0] : e[0];
    symbol.end = backward ? length - 1 - e[kElements] : e[kElements];
    return true;
}

int QMBarcodeLineDecoder::decode(const float* profile, int length, Symbol* symbols, int maxSymbols)
{
    length = std::min(length, kMaxProfile);
    const int edges = findExtrema(profile, length) - 1;
    if (edges <= kElements || maxSymbols <= 0)
        return 0;
    const float end = float(length);
    // A window is the 60 edges of one symbol from edge m on; it begins with a falling edge (light
    // to dark) in either reading direction, since it holds an odd number of elements.
    const int windows = edges - kElements;
    int found = 0;
    int forwardFound = 0;
    for (int m = m_firstFalls ? 0 : 1; m < windows && found < maxSymbols; m += 2) {
        if (mayHoldSymbol(m, edges, end) && readWindow(m, edges, end, false, symbols[found])) {
            m_windowsRead[std::size_t(forwardFound++)] = m;
            ++found;
            m += kElements - 1;
        }
    }
    // Backward, from the far end; a window read forward is not read again.
    for (int m = windows - 1; m >= 0 && found < maxSymbols; --m) {
        if ((m % 2 == 0) != m_firstFalls)
            continue;
        if (std::find(m_windowsRead.begin(), m_windowsRead.begin() + forwardFound, m) !=
            m_windowsRead.begin() + forwardFound)
            continue;
        if (mayHoldSymbol(m, edges, end) && readWindow(m, edges, end, true, symbols[found])) {
            ++found;
            m -= kElements - 1;
        }
    }
    return found;
}
