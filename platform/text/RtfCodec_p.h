#pragma once
// What the RTF reader and writer share: the upper half of code page 1252 and the bounds of the
// values both sides write.

#include <array>

namespace dw::rtf::detail {

// 0x80…0x9F of code page 1252; the five unassigned bytes stand for the C1 control of their value,
// as the platform maps them, so every byte reads as some character.
inline constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// A font size of up to 16383.5 pt; larger \fs values are damage, not text anyone reads.
inline constexpr int kMaxHalfPoints = 32767;
inline constexpr int kDefaultHalfPoints = 24;
inline constexpr int kExpandedComponentScale = 100000;

} // namespace dw::rtf::detail
