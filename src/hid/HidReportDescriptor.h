#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kurvimat::hid {

/// What the device layer needs from a HID report descriptor.
struct HidReportLengths {
    std::uint16_t usagePage = 0; ///< of the first top-level collection
    std::uint16_t usage = 0;
    /// Longest report of each kind in bytes, report ID byte included; 0 when there is none.
    std::uint16_t input = 0;
    std::uint16_t output = 0;
    std::uint16_t feature = 0;
    bool numberedReports = false; ///< the descriptor declares report IDs
};

/// Walks the items of a report descriptor; nullopt when an item runs past the end, the global
/// stack is misused or a collection is still open at the end.
std::optional<HidReportLengths> parseReportDescriptor(const std::uint8_t* data, std::size_t size);

} // namespace kurvimat::hid
