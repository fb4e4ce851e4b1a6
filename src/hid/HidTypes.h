#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace kurvimat::hid {

class THidDevice;
class THidDeviceController;

/// Identity of one HID interface: `DevInst` names the device node (a new node, e.g. after a
/// re-plug, is a new identity); `DevicePath` is what the platform opens.
struct THidPnPInfo {
    QString DevInst;
    QString DevicePath;
};

struct THidAttributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

/// Report lengths include the report ID byte (0 where the device has no numbered reports).
struct THidCaps {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
};

inline bool operator==(const THidCaps& a, const THidCaps& b) {
    return a.Usage == b.Usage && a.UsagePage == b.UsagePage &&
           a.InputReportByteLength == b.InputReportByteLength &&
           a.OutputReportByteLength == b.OutputReportByteLength &&
           a.FeatureReportByteLength == b.FeatureReportByteLength;
}

using THidPlugEvent = std::function<void(THidDevice* HidDev)>;
/// `Data` points at the bytes after the report ID and is valid only until the handler returns.
using THidDataEvent = std::function<void(THidDevice* HidDev, std::uint8_t ReportID,
                                         const std::uint8_t* Data, std::uint16_t Size)>;
using THidDataErrorEvent = std::function<void(THidDevice* HidDev, std::uint32_t error)>;
/// Reports the platform had to drop for this device because the reader was too slow.
using THidDataLossEvent = std::function<void(THidDevice* HidDev, std::uint32_t lostReports)>;
using THidEnumerateEvent = std::function<bool(THidDevice* HidDev, int idx)>;
using THidNotifyEvent = std::function<void(THidDeviceController* sender)>;

} // namespace kurvimat::hid
