// Unpacking of the instrument's input reports into sample pairs.
#pragma once

#include <cstdint>

namespace kurvimat::acquisition {

/// One decoded pair: the channel A slot and the channel B slot, raw units 0 ... 1023
/// (means with fractions in modes 4 and 5).
struct SamplePair {
    float a;
    float b;
};

/// Most pairs one report carries (mode 2).
inline constexpr int MaxPairsPerReport = 4;

/// Unpacks the data bytes of one input report (the bytes after the report id) by report mode
/// 2, 3, 4 or 5. Returns the number of pairs written to `pairs`; 0 for a report with fewer than
/// eight data bytes or an unknown mode. Values above 1023 are clamped.
int DecodePairs(int deviceMode, const std::uint8_t* data, int size,
                SamplePair (&pairs)[MaxPairsPerReport]);

} // namespace kurvimat::acquisition
