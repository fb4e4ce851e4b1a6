#include "HidReportDescriptor.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace kurvimat::hid {

namespace {

enum ItemType { Main = 0, Global = 1, Local = 2 };
enum MainTag { Input = 8, Output = 9, Collection = 10, Feature = 11, EndCollection = 12 };
enum GlobalTag {
    UsagePage = 0,
    ReportSize = 7,
    ReportId = 8,
    ReportCount = 9,
    Push = 10,
    Pop = 11
};
enum LocalTag { Usage = 0 };

struct GlobalState {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

constexpr std::size_t MaxPushDepth = 32;

} // namespace

std::optional<HidReportLengths> parseReportDescriptor(const std::uint8_t* data, std::size_t size) {
    HidReportLengths result;
    GlobalState global;
    std::vector<GlobalState> stack;
    std::uint32_t usage = 0;
    bool usageSet = false;
    bool usageExtended = false;
    bool topLevelSeen = false;
    int depth = 0;
    // Bits per report ID, for input, output and feature reports.
    std::array<std::map<std::uint32_t, std::uint64_t>, 3> bits;

    std::size_t pos = 0;
    while (pos < size) {
        const std::uint8_t prefix = data[pos];
        if (prefix == 0xFE) { // long item: size byte, tag byte, data
            if (pos + 2 >= size || pos + 3 + data[pos + 1] > size) return std::nullopt;
            pos += 3 + data[pos + 1];
            continue;
        }
        const std::size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + length > size) return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i)
            value |= static_cast<std::uint32_t>(data[pos + 1 + i]) << (8 * i);
        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        pos += 1 + length;

        if (type == Global) {
            switch (tag) {
            case UsagePage:
                global.usagePage = value;
                break;
            case ReportSize:
                global.reportSize = value;
                break;
            case ReportCount:
                global.reportCount = value;
                break;
            case ReportId:
                global.reportId = value;
                result.numberedReports = true;
                break;
            case Push:
                if (stack.size() >= MaxPushDepth) return std::nullopt;
                stack.push_back(global);
                break;
            case Pop:
                if (stack.empty()) return std::nullopt;
                global = stack.back();
                stack.pop_back();
                break;
            default:
                break;
            }
        } else if (type == Local) {
            if (tag == Usage && !usageSet) {
                usage = value;
                usageSet = true;
                usageExtended = length == 4;
            }
        } else if (type == Main) {
            const int kind = tag == Input ? 0 : tag == Output ? 1 : tag == Feature ? 2 : -1;
            if (kind >= 0) {
                // Saturating: absurd sizes must not wrap round to a plausible length.
                std::uint64_t& total = bits[kind][global.reportId];
                const std::uint64_t add =
                    static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
                total = add > UINT64_MAX - total ? UINT64_MAX : total + add;
            } else if (tag == Collection) {
                if (depth == 0 && !topLevelSeen) {
                    topLevelSeen = true;
                    // A four-byte usage carries its own page in the high half.
                    result.usagePage =
                        static_cast<std::uint16_t>(usageExtended ? usage >> 16 : global.usagePage);
                    result.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
                }
                ++depth;
            } else if (tag == EndCollection && depth > 0) {
                --depth;
            }
            usage = 0; // local items end with every main item
            usageSet = false;
            usageExtended = false;
        }
    }
    // A descriptor cut between two items still has collections open; its lengths would count
    // only the reports before the cut.
    if (depth != 0) return std::nullopt;

    const auto longest = [](const std::map<std::uint32_t, std::uint64_t>& perId) -> std::uint16_t {
        std::uint64_t maxBits = 0;
        for (const auto& [id, b] : perId)
            maxBits = std::max(maxBits, b);
        if (perId.empty()) return 0;
        return static_cast<std::uint16_t>(
            std::min<std::uint64_t>(maxBits / 8 + (maxBits % 8 != 0) + 1, 0xFFFF));
    };
    result.input = longest(bits[0]);
    result.output = longest(bits[1]);
    result.feature = longest(bits[2]);
    return result;
}

} // namespace kurvimat::hid
