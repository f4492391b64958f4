#pragma once
// Reads EAN-13 (and with it UPC-A) symbols from the grey levels along one scan line.
//
// The profile is the brightness along the line, one sample a pixel, light high. Its peaks and
// valleys are found with a swing that follows the contrast nearby (glare and shadow change it
// along the line); an edge lies where the profile crosses a level between the peak and the valley
// on either side of it, found between samples, so that narrow modules keep their width. The level
// is the middle between the lightest and darkest values of the few elements around the edge -
// where a blurred edge between wide elements really lies - but never nearer than a third of the
// swing to either extremum, so that a narrow element that blur has left grey keeps both its
// edges. A symbol is the 59 bars and spaces from the start guard to the end guard, with light on
// either side. Each digit's four widths are divided by the digit's own width (7 modules), so that
// perspective, which widens the modules towards one end, does not shift the match; bars that
// print or blur wider than their spaces are evened out by what the guards, whose bars and spaces
// are all one module, show of it. A digit is taken only when one pattern fits clearly better than
// every other, and a symbol only when its parities give a leading digit and its check digit holds.
// Both reading directions are tried, so a symbol upside down reads as well.
//
//     QMBarcodeLineDecoder decoder;
//     QMBarcodeLineDecoder::Symbol symbols[QMBarcodeLineDecoder::kMaxSymbols];
//     const int found = decoder.decode(profile, length, symbols, QMBarcodeLineDecoder::kMaxSymbols);
//
// Any thread; a decoder holds only scratch space, one per thread.

#include <array>
#include <cstdint>

class QMBarcodeLineDecoder
{
public:
    static constexpr int kMaxProfile = 2048;
    static constexpr int kMaxSymbols = 4;

    struct Symbol
    {
        std::array<std::int8_t, 13> digits{}; // leading digit first
        float start = 0;                      // where the start guard begins, in samples
        float end = 0;                        // where the end guard ends (below start when read backward)
    };

    // Decodes a profile of at most kMaxProfile samples (longer ones are cut); writes the symbols
    // found, at most maxSymbols, and answers how many.
    int decode(const float* profile, int length, Symbol* symbols, int maxSymbols);

private:
    struct Extremum
    {
        int at;
        float value;
    };
    int findExtrema(const float* profile, int length);
    float edgeAt(int k);
    bool mayHoldSymbol(int m, int edges, float length) const;
    bool readWindow(int m, int edges, float length, bool backward, Symbol& symbol);

    // Scratch space, written before it is read (and left uninitialised: a decoder is made often),
    // except for the stamps that tell which edges of the current profile are placed.
    std::array<Extremum, kMaxProfile + 1> m_extrema;
    std::array<float, kMaxProfile + 1> m_edges;
    std::array<std::uint32_t, kMaxProfile + 1> m_edgeStamps{};
    std::array<int, kMaxSymbols> m_windowsRead;
    const float* m_profile = nullptr;
    std::uint32_t m_stamp = 0;
    int m_extremumCount = 0;
    bool m_firstFalls = false;
};
