// What makes a HID device the instrument, and how the hardware choices turn into its
// configuration report and voltage ranges.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace kurvimat::acquisition {

inline constexpr std::uint16_t InstrumentVendorId = 0x16C0;
inline constexpr std::uint16_t InstrumentProductId = 0x05DF;
inline constexpr char InstrumentProductString[] = "Kurvimat 1.3";

bool IsInstrument(std::uint16_t vendorId, std::uint16_t productId, const QString& product);

/// "Kurvimat 1.3 (serial)", or the product alone without a serial number.
QString DeviceCaption(const QString& product, const QString& serial);

/// The question asked before switching from the held instrument to a newly arrived one.
QString SwitchQuestion(const QString& heldProduct, const QString& heldSerial,
                       const QString& newProduct, const QString& newSerial);

/// Input range of a channel as chosen by its three radio buttons.
enum class InputRange { Low, Mid, High };

/// The states of the hardware window's setting controls.
struct HardwareChoice {
    bool ADiff = false;
    bool BOff = false;
    bool PullUpA = false;
    bool PullUpB = false;
    InputRange A = InputRange::Low;
    InputRange B = InputRange::Low;
};

/// Codes, calibration and step time derived from the choices and the device.
struct InstrumentConfiguration {
    std::int32_t InputCodeA = 2;
    std::int32_t InputCodeB = 3;
    std::int32_t PullUpBits = 0;
    float StepTime = 0.001f;
    float UmaxA = 5, UminA = 0, UmaxB = 5, UminB = 0;
    bool Send = false; // false for a device that takes no configuration
};

InstrumentConfiguration ConfigureInstrument(const HardwareChoice& choice, int outputReportLength);

/// The output report: report id 0, the two input codes, the report mode and the pull-ups,
/// zeros after that; `length` bytes (at least 5).
std::vector<std::uint8_t> ConfigurationReport(const InstrumentConfiguration& config,
                                              std::int32_t deviceMode, int length);

/// Range label text, e.g. "-2,56 V" with a German locale.
QString RangeLabel(float volts);

/// Bytes of the configuration report that carry something (report id, codes, mode, pull-ups).
inline constexpr int ConfigurationBytes = 5;

/// Said when the instrument is present but its node may not be opened for reading and
/// writing: what is wrong and how the udev rule fixes it.
QString NoAccessMessage(const QString& caption, const QString& devicePath);
/// Said once when a configuration report could not be sent.
QString ConfigurationFailedMessage(const QString& caption);
/// Said when the device's output report is shorter than the configuration: what was left out.
QString ShortReportMessage(int outputReportLength);

} // namespace kurvimat::acquisition
