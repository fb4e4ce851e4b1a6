#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kurvimat::hid {

/// The KEY=value lines of a sysfs uevent file. Lines without '=' are skipped; a repeated key
/// keeps its last value.
std::map<std::string, std::string> parseUevent(std::string_view text);

struct HidId {
    std::uint16_t bus = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

/// HID_ID of a hid device's uevent, "0003:000016C0:000005DF" (hex); nullopt when malformed.
std::optional<HidId> parseHidId(std::string_view value);

struct HidStrings {
    std::string product;
    std::string serial;
};

/// Product and serial text of a hid device: the USB parent's attributes where it has them
/// (null when absent), else HID_NAME and HID_UNIQ from the hid device's uevent.
HidStrings chooseHidStrings(const char* usbProduct, const char* usbSerial,
                            const std::map<std::string, std::string>& uevent);

} // namespace kurvimat::hid
