#include "InstrumentLink.h"

#include "Numbers.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <bit>
#include <cmath>

using kurvimat::signals::FormatNumber;
using kurvimat::signals::GeneralStyle;

namespace kurvimat::acquisition {

bool IsInstrument(std::uint16_t vendorId, std::uint16_t productId, const QString& product) {
    return vendorId == InstrumentVendorId && productId == InstrumentProductId &&
           product == QLatin1String(InstrumentProductString);
}

QString DeviceCaption(const QString& product, const QString& serial) {
    return serial.isEmpty() ? product : product + QStringLiteral(" (") + serial + u')';
}

QString SwitchQuestion(const QString& heldProduct, const QString& heldSerial,
                       const QString& newProduct, const QString& newSerial) {
    return QCoreApplication::translate("InstrumentLink", "Wechseln von %1 zu %2")
        .arg(DeviceCaption(heldProduct, heldSerial), DeviceCaption(newProduct, newSerial));
}

namespace {

struct RangeRow {
    std::int32_t bits;
    float umax, umin;
};

// Indexed by InputRange. The reference bits: none = 5 V supply, 0x80 = 1.1 V,
// 0x80|0x10 = 2.56 V; differential inputs span minus to plus the reference over the gain.
constexpr RangeRow SingleEnded[] = {{0x00, 5.0f, 0.0f}, {0x90, 2.5575f, 0.0f}, {0x80, 1.1f, 0.0f}};
// The high differential range ends at the float with bits 0x3D60D70A (511/512 of 0.055).
constexpr RangeRow Differential[] = {{0x10, 2.555f, -2.56f},
                                     {0x11, 0.12775f, -0.128f},
                                     {0x01, std::bit_cast<float>(0x3D60D70Au), -0.055f}};

} // namespace

InstrumentConfiguration ConfigureInstrument(const HardwareChoice& choice, int outputReportLength) {
    InstrumentConfiguration c;
    if (outputReportLength <= 1) {
        c.StepTime = 0.002f;
        return c;
    }
    const RangeRow a = choice.ADiff ? Differential[int(choice.A)] : SingleEnded[int(choice.A)];
    c.InputCodeA = (choice.ADiff ? 0x86 : 0x02) | a.bits;
    c.UmaxA = a.umax;
    c.UminA = a.umin;
    const RangeRow b = SingleEnded[int(choice.B)];
    c.InputCodeB = 0x03 | b.bits;
    c.UmaxB = b.umax;
    c.UminB = b.umin;
    c.StepTime = 0.001f;
    if (choice.BOff) {
        c.InputCodeB = c.InputCodeA;
        c.StepTime = 0.0005f;
    }
    c.PullUpBits = (choice.PullUpA ? 2 : 0) + (choice.PullUpB ? 8 : 0);
    c.Send = true;
    return c;
}

std::vector<std::uint8_t> ConfigurationReport(const InstrumentConfiguration& config,
                                              std::int32_t deviceMode, int length) {
    std::vector<std::uint8_t> report(std::size_t(std::max(length, 5)), 0);
    report[1] = std::uint8_t(config.InputCodeA & 0xFF);
    report[2] = std::uint8_t(config.InputCodeB & 0xFF);
    report[3] = std::uint8_t(deviceMode & 0xFF);
    report[4] = std::uint8_t(config.PullUpBits & 0xFF);
    return report;
}

QString RangeLabel(float volts) {
    const double v = std::nearbyint(double(volts) * 1000 + 0.25) / 1000;
    return FormatNumber(v, GeneralStyle(QLocale(), 3)) + QStringLiteral(" V");
}

QString NoAccessMessage(const QString& caption, const QString& devicePath) {
    return QCoreApplication::translate(
               "InstrumentLink",
               "Das Messgerät %1 ist angeschlossen, aber %2 darf nicht gelesen und beschrieben "
               "werden: Es fehlen die Zugriffsrechte. Ohne sie kann es weder eingestellt "
               "werden noch Messwerte liefern.\n\n"
               "Ist Kurvimat als Debian-Paket installiert, ist die udev-Regel dabei: Das "
               "Messgerät ab- und wieder anstecken genügt. Die Rechte bekommt nur, wer am "
               "Rechner selbst angemeldet ist.\n\n"
               "Wurde Kurvimat aus dem Quelltext gebaut, einmalig mit Administratorrechten im "
               "Ordner des Quelltexts:\n"
               "  sudo cmake --install build\n"
               "  sudo udevadm control --reload && sudo udevadm trigger\n\n"
               "Das installiert die udev-Regel packaging/70-kurvimat.rules. Danach das "
               "Messgerät ab- und wieder anstecken; ein Neustart des Programms ist nicht nötig.")
        .arg(caption, devicePath);
}

QString ConfigurationFailedMessage(const QString& caption) {
    return QCoreApplication::translate(
               "InstrumentLink",
               "Die Einstellungen konnten nicht an das Messgerät %1 gesendet werden. Es misst "
               "weiter mit den bisherigen Einstellungen; Umrechnung, Messbereiche und Achsen "
               "bleiben bei diesen. Die nächste Änderung der Einstellungen versucht es erneut.")
        .arg(caption);
}

QString ShortReportMessage(int outputReportLength) {
    // Byte 0 is the report id; what each following byte would have carried:
    static const char* const parts[] = {QT_TRANSLATE_NOOP("InstrumentLink", "Eingang A"),
                                        QT_TRANSLATE_NOOP("InstrumentLink", "Eingang B"),
                                        QT_TRANSLATE_NOOP("InstrumentLink", "Übertragungsart"),
                                        QT_TRANSLATE_NOOP("InstrumentLink", "Pull-up-Widerstände")};
    const int sent = std::clamp(outputReportLength, 1, ConfigurationBytes);
    QStringList missing;
    for (int i = sent; i < ConfigurationBytes; ++i)
        missing << QCoreApplication::translate("InstrumentLink", parts[i - 1]);
    return QCoreApplication::translate(
               "InstrumentLink",
               "Das Messgerät nimmt nur %1 Byte als Einstellung an, nötig wären %2. "
               "Gesendet wurde, was hineinpasst; nicht eingestellt: %3.")
        .arg(outputReportLength)
        .arg(ConfigurationBytes)
        .arg(missing.join(QStringLiteral(", ")));
}

} // namespace kurvimat::acquisition
