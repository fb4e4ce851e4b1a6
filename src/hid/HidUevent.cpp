#include "HidUevent.h"

#include <charconv>

namespace kurvimat::hid {

std::map<std::string, std::string> parseUevent(std::string_view text) {
    std::map<std::string, std::string> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) continue;
        values[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
    }
    return values;
}

namespace {

bool parseHexField(std::string_view field, std::uint16_t& out) {
    std::uint32_t value = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    if (ec != std::errc{} || ptr != field.data() + field.size() || field.empty() || value > 0xFFFF)
        return false;
    out = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

std::optional<HidId> parseHidId(std::string_view value) {
    const std::size_t first = value.find(':');
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t second = value.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    HidId id;
    if (!parseHexField(value.substr(0, first), id.bus) ||
        !parseHexField(value.substr(first + 1, second - first - 1), id.vendor) ||
        !parseHexField(value.substr(second + 1), id.product))
        return std::nullopt;
    return id;
}

HidStrings chooseHidStrings(const char* usbProduct, const char* usbSerial,
                            const std::map<std::string, std::string>& uevent) {
    const auto value = [&uevent](const char* key) {
        const auto it = uevent.find(key);
        return it == uevent.end() ? std::string{} : it->second;
    };
    HidStrings strings;
    strings.product = usbProduct && *usbProduct ? usbProduct : value("HID_NAME");
    strings.serial = usbSerial && *usbSerial ? usbSerial : value("HID_UNIQ");
    return strings;
}

} // namespace kurvimat::hid
