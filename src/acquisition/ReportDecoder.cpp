#include "ReportDecoder.h"

#include <algorithm>

namespace kurvimat::acquisition {

namespace {

float clamp1023(float v) {
    return std::min(v, 1023.0f);
}

} // namespace

int DecodePairs(int deviceMode, const std::uint8_t* data, int size,
                SamplePair (&pairs)[MaxPairsPerReport]) {
    if (data == nullptr || size < 8) return 0;
    const std::uint8_t* d = data;
    switch (deviceMode) {
    case 2:
        // Four 8-bit pairs, scaled to the 10-bit range.
        for (int i = 0; i < 4; ++i)
            pairs[i] = {float(d[2 * i] * 4), float(d[2 * i + 1] * 4)};
        return 4;
    case 3: {
        // High bytes in D0..D5; the two low bits of each value packed into D6 (A) and D7 (B).
        const int count = (d[6] & 0x02) ? 3 : 2;
        for (int i = 0; i < count; ++i) {
            const int shift = 2 * i + 2;
            const int a = d[2 * i] * 4 + ((d[6] >> shift) & 3);
            const int b = d[2 * i + 1] * 4 + ((d[7] >> shift) & 3);
            pairs[i] = {clamp1023(float(a)), clamp1023(float(b))};
        }
        return count;
    }
    case 4:
    case 5: {
        // 15-bit sums of n readings: bits 14-7 in D0..D3, bits 6-0 in the top of D4..D7.
        const float n = float(deviceMode);
        const int count = (d[4] & 0x01) ? 2 : 1;
        for (int i = 0; i < count; ++i) {
            const int sa = d[2 * i] * 128 + (d[2 * i + 4] >> 1);
            const int sb = d[2 * i + 1] * 128 + (d[2 * i + 5] >> 1);
            pairs[i] = {clamp1023(float(sa) / n), clamp1023(float(sb) / n)};
        }
        return count;
    }
    default:
        return 0;
    }
}

} // namespace kurvimat::acquisition
