#pragma once

#include "VirtualHidDevice.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kurvimat::hid {

/// A Kurvimat on the virtual platform. It takes the configuration report (input codes, report
/// mode, pull-ups) and streams input reports at the real pace: one value pair per `DeviceMode`
/// ms, collected into reports at a USB polling interval of 8 ms. Channel A sees a 1 Hz sine
/// around mid-scale with a little noise, channel B a cooling thermometer.
class VirtualInstrument : public VirtualHidDevice {
public:
    static constexpr std::uint16_t VendorId = 0x16C0;
    static constexpr std::uint16_t ProductId = 0x05DF;
    static constexpr int PollIntervalMs = 8;
    static constexpr int ReportLength = 9; // report ID byte + 8 data bytes, both directions

    explicit VirtualInstrument(std::u16string serialNumber = u"VK-0001", unsigned seed = 1);

    bool outputReport(const std::uint8_t* data, std::size_t length, std::int64_t nowMs) override;
    std::int64_t nextReportDue() const override;
    void produceReport(std::vector<std::uint8_t>& report) override;

    int mode() const { return mode_; }
    std::uint8_t inputCodeA() const { return codeA_; }
    std::uint8_t inputCodeB() const { return codeB_; }
    std::uint8_t pullUpBits() const { return pullUps_; }

    /// Input voltages at time t (s since plug-in), before any pull-up.
    static double sourceA(double t);
    static double sourceB(double t);
    /// The 10-bit conversion of `inputCode`'s input at time t, noise and pull-ups included.
    int reading(std::uint8_t inputCode, double t);

private:
    void fillPair(std::uint8_t* d, int slot, std::int64_t pairStartMs);

    int mode_ = 5;
    std::uint8_t codeA_ = 0x02;
    std::uint8_t codeB_ = 0x03;
    std::uint8_t pullUps_ = 0;
    std::int64_t phaseStartMs_ = 0; // when the current settings took effect
    std::int64_t pairsSent_ = 0;
    std::int64_t pollIndex_ = 1;
    std::mt19937 random_;
    std::normal_distribution<double> noise_{0.0, 0.004};
};

} // namespace kurvimat::hid
