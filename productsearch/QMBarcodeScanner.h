#pragma once
// Looks for EAN-13 and UPC-A symbols all over a grey picture, at any angle.
//
// The scanner lays scan lines over the picture in eight directions (every 22.5 degrees; each line
// is also read backward, which covers the other half turn), a few pixels apart, first on the
// picture and then on a copy of half its size (for large, noisy or badly blurred symbols). Each
// line's profile is the mean of a narrow band of parallel lines, which follows the bars and evens
// out noise, and is read by QMBarcodeLineDecoder. The lines come in a fixed order, through the
// middle first and then further out, every direction in turn, so that a caller short of time can
// read the plan a part at a time (one part per camera frame) and still look where codes are held.
//
// A symbol read on one line is a sighting; a code is taken only when two independent lines read
// it (lines that share no pixel: another direction, or a parallel line beyond the first's band),
// so that one line that a blot or a reflection misleads cannot make a code up.
//
//     QMBarcodeScanner scanner;
//     std::vector<QMBarcodeScanner::Sighting> sightings;
//     scanner.scan(picture, 0, scanner.lineCount(picture.width, picture.height), sightings, true);
//     std::array<std::int8_t, 13> code;
//     if (QMBarcodeScanner::agreedCode(sightings, code)) ...
//
// Any thread; one scanner per thread (it keeps its scratch space and the half-size copy).

#include "productsearch/QMBarcodeLineDecoder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A grey picture in memory, light high: one byte a pixel, pixelStep bytes apart (2 for the luma of
// packed 4:2:2 frames), rows rowStride bytes apart. The bytes belong to the caller, who makes sure
// that every pixel of width x height lies within them.
struct QMGreyImage
{
    const std::uint8_t* bytes = nullptr;
    int width = 0;
    int height = 0;
    int pixelStep = 1;
    std::size_t rowStride = 0;

    std::uint8_t at(int x, int y) const
    {
        return bytes[std::size_t(y) * rowStride + std::size_t(x) * std::size_t(pixelStep)];
    }
};

class QMBarcodeScanner
{
public:
    static constexpr int kDirections = 8;

    struct Sighting
    {
        std::array<std::int8_t, 13> digits{};
        int direction = 0; // 0 to kDirections - 1, in steps of 180 / kDirections degrees
        int scale = 1;     // 1 the picture, 2 the half-size copy
        float offset = 0;  // of the line from the picture's centre, across it, in pixels of the picture
    };

    // The number of lines of the plan for a picture of this size.
    int lineCount(int width, int height);
    // Reads count lines of the plan from first on (wrapping around, at most the whole plan) and
    // adds what they read to sightings. With stopWhenAgreed, stops after the first line after
    // which two independent sightings agree. Answers the number of lines read; 0 for a picture
    // too small to scan.
    int scan(const QMGreyImage& image, int first, int count, std::vector<Sighting>& sightings,
             bool stopWhenAgreed = false);

    // Whether the two lines share no pixel.
    static bool independent(const Sighting& a, const Sighting& b);
    // The code that two independent lines of the sightings agree on; when several codes have such
    // lines, the one with the most sightings. False when there is none.
    static bool agreedCode(const std::vector<Sighting>& sightings, std::array<std::int8_t, 13>& code);

private:
    struct Line
    {
        int direction;
        int scale;
        float offset; // in pixels of its scale
    };
    struct Walk;
    void plan(int width, int height);
    void makeHalfImage(const QMGreyImage& image);
    static bool walk(const QMGreyImage& image, const Line& line, Walk& walk);
    static int swings(const QMGreyImage& image, const Walk& walk);
    static int sample(const QMGreyImage& image, const Walk& walk, float* profile);

    std::vector<Line> m_lines;
    int m_planWidth = 0;
    int m_planHeight = 0;
    std::vector<std::uint8_t> m_half;
    QMGreyImage m_halfImage;
    QMBarcodeLineDecoder m_decoder;
    std::array<float, QMBarcodeLineDecoder::kMaxProfile> m_profile; // scratch, written before read
};
