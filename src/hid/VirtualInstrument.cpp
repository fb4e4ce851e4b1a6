#include "VirtualInstrument.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kurvimat::hid {

namespace {

constexpr double SupplyVolts = 5.0;
constexpr double PullUpOhms = 35000.0;
// Source impedances: the sine comes from a stiff generator, the thermometer from a divider.
constexpr double SourceOhmsA = 1000.0;
constexpr double SourceOhmsB = 10000.0;
constexpr std::uint8_t PullUpA = 0x02;
constexpr std::uint8_t PullUpB = 0x08;

double withPullUp(double volts, double sourceOhms) {
    return volts + (SupplyVolts - volts) * sourceOhms / (sourceOhms + PullUpOhms);
}

// Most pairs one report can hold in each mode.
int pairsPerReport(int mode) {
    return mode == 2 ? 4 : mode == 3 ? 3 : 2;
}

} // namespace

VirtualInstrument::VirtualInstrument(std::u16string serialNumber, unsigned seed) : random_(seed) {
    attributes = {VendorId, ProductId, 0x0103};
    product = u"Kurvimat 1.3";
    serial = std::move(serialNumber);
    caps.UsagePage = 0xFF00;
    caps.Usage = 0x01;
    caps.InputReportByteLength = ReportLength;
    caps.OutputReportByteLength = ReportLength;
}

double VirtualInstrument::sourceA(double t) {
    return 2.5 + 1.5 * std::sin(2.0 * std::numbers::pi * t);
}

double VirtualInstrument::sourceB(double t) {
    return 0.8 + 3.2 * std::exp(-t / 120.0);
}

int VirtualInstrument::reading(std::uint8_t inputCode, double t) {
    double a = sourceA(t) + noise_(random_);
    double b = sourceB(t) + noise_(random_);
    if (pullUps_ & PullUpA) a = withPullUp(a, SourceOhmsA);
    if (pullUps_ & PullUpB) b = withPullUp(b, SourceOhmsB);
    const double reference = (inputCode & 0x80) ? ((inputCode & 0x10) ? 2.56 : 1.1) : SupplyVolts;
    double raw = 0;
    switch (inputCode & 0x0F) {
    case 2:
        raw = a / reference * 1024.0;
        break;
    case 3:
        raw = b / reference * 1024.0;
        break;
    case 6:
        raw = 512.0 + (a - b) / reference * 512.0;
        break;
    case 7:
        raw = 512.0 + 20.0 * (a - b) / reference * 512.0;
        break;
    default:
        raw = 0;
        break; // an unused multiplexer input reads ground
    }
    return std::clamp(static_cast<int>(std::floor(raw)), 0, 1023);
}

bool VirtualInstrument::outputReport(const std::uint8_t* data, std::size_t length,
                                     std::int64_t nowMs) {
    if (length != ReportLength || data[0] != 0 || data[3] < 2 || data[3] > 5) return false;
    codeA_ = data[1];
    codeB_ = data[2];
    mode_ = data[3];
    pullUps_ = data[4];
    // The firmware restarts its sampling with the new settings.
    phaseStartMs_ = nowMs;
    pairsSent_ = 0;
    pollIndex_ = 1;
    return true;
}

std::int64_t VirtualInstrument::nextReportDue() const {
    return phaseStartMs_ + pollIndex_ * PollIntervalMs;
}

void VirtualInstrument::fillPair(std::uint8_t* d, int slot, std::int64_t pairStartMs) {
    const bool channelBOff = codeA_ == codeB_;
    const int n = mode_;
    const double t0 = pairStartMs / 1000.0;
    // With channel B off both slots hold channel A, the second half of the pair in slot b.
    const std::uint8_t codeSecond = channelBOff ? codeA_ : codeB_;
    const double secondOffset = channelBOff ? n / 2000.0 : 0.0;
    const double step = channelBOff ? 0.0005 : 0.001; // between the readings of a sum
    if (n == 2) {
        d[2 * slot] = static_cast<std::uint8_t>(reading(codeA_, t0) >> 2);
        d[2 * slot + 1] = static_cast<std::uint8_t>(reading(codeSecond, t0 + secondOffset) >> 2);
    } else if (n == 3) {
        const int a = reading(codeA_, t0);
        const int b = reading(codeSecond, t0 + secondOffset);
        d[2 * slot] = static_cast<std::uint8_t>(a >> 2);
        d[2 * slot + 1] = static_cast<std::uint8_t>(b >> 2);
        d[6] |= static_cast<std::uint8_t>((a & 3) << (2 * slot + 2));
        d[7] |= static_cast<std::uint8_t>((b & 3) << (2 * slot + 2));
    } else {
        int sa = 0;
        int sb = 0;
        for (int k = 0; k < n; ++k) {
            sa += reading(codeA_, t0 + k * step);
            sb += reading(codeSecond, t0 + secondOffset + k * step);
        }
        d[2 * slot] = static_cast<std::uint8_t>(sa >> 7);
        d[2 * slot + 1] = static_cast<std::uint8_t>(sb >> 7);
        d[2 * slot + 4] |= static_cast<std::uint8_t>((sa & 0x7F) << 1);
        d[2 * slot + 5] |= static_cast<std::uint8_t>((sb & 0x7F) << 1);
    }
}

void VirtualInstrument::produceReport(std::vector<std::uint8_t>& report) {
    report.assign(ReportLength, 0);
    std::uint8_t* d = report.data() + 1;
    const std::int64_t pollTime = nextReportDue();
    const std::int64_t complete = (pollTime - phaseStartMs_) / mode_;
    const int pairs =
        static_cast<int>(std::min<std::int64_t>(complete - pairsSent_, pairsPerReport(mode_)));
    for (int i = 0; i < pairs; ++i)
        fillPair(d, i, phaseStartMs_ + (pairsSent_ + i) * mode_);
    if (mode_ == 3 && pairs == 3) d[6] |= 0x02;
    if (mode_ >= 4 && pairs == 2) d[4] |= 0x01;
    pairsSent_ += pairs;
    ++pollIndex_;
}

} // namespace kurvimat::hid
