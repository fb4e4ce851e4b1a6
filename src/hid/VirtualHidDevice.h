#pragma once

#include "HidTypes.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kurvimat::hid {

/// A device the virtual platform can plug in. Identity and capabilities are plain fields;
/// a streaming device overrides the input hooks. The platform calls the hooks under its own
/// lock, with times in ms since the device was plugged in.
class VirtualHidDevice {
public:
    static constexpr std::int64_t NoReport = std::numeric_limits<std::int64_t>::max();

    virtual ~VirtualHidDevice() = default;

    THidAttributes attributes;
    bool attributesReadable = true;
    std::u16string product;               ///< empty: the query fails
    std::u16string serial;                ///< empty: the query fails
    std::u16string languages = u"\x0409"; ///< empty: the language-list query writes nothing
    THidCaps caps;
    bool readWriteAccess = true; ///< false: opens only without access rights

    /// An output report, report ID byte first. False rejects it.
    virtual bool outputReport(const std::uint8_t* data, std::size_t length, std::int64_t nowMs) {
        (void)data;
        (void)nowMs;
        return caps.OutputReportByteLength > 1 && length == caps.OutputReportByteLength;
    }
    /// When the next input report is due; NoReport for a device that sends none by itself.
    virtual std::int64_t nextReportDue() const { return NoReport; }
    /// Produces the report due at nextReportDue(), report ID byte first, and moves on.
    virtual void produceReport(std::vector<std::uint8_t>& report) { report.clear(); }
};

} // namespace kurvimat::hid
