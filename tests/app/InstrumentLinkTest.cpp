#include "InstrumentLink.h"
#include "dialogs/TFormHardware.h"

#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <bit>

using namespace kurvimat::acquisition;

namespace {

struct CodeRow {
    const char* name;
    HardwareChoice choice;
    int codeA, codeB;
    float umaxA, uminA, umaxB, uminB;
};

TEST(InstrumentLink, CodesAndRangesForEveryChoice) {
    using R = InputRange;
    const float diffHigh = std::bit_cast<float>(0x3D60D70Au);
    const CodeRow rows[] = {
        {"A low", {false, false, false, false, R::Low, R::Low}, 0x02, 0x03, 5, 0, 5, 0},
        {"A mid", {false, false, false, false, R::Mid, R::Low}, 0x92, 0x03, 2.5575f, 0, 5, 0},
        {"A high", {false, false, false, false, R::High, R::Low}, 0x82, 0x03, 1.1f, 0, 5, 0},
        {"A diff low", {true, false, false, false, R::Low, R::Low}, 0x96, 0x03, 2.555f, -2.56f, 5, 0},
        {"A diff mid", {true, false, false, false, R::Mid, R::Low}, 0x97, 0x03, 0.12775f, -0.128f, 5, 0},
        {"A diff high", {true, false, false, false, R::High, R::Low}, 0x87, 0x03, diffHigh, -0.055f, 5, 0},
        {"B mid", {false, false, false, false, R::Low, R::Mid}, 0x02, 0x93, 5, 0, 2.5575f, 0},
        {"B high", {false, false, false, false, R::Low, R::High}, 0x02, 0x83, 5, 0, 1.1f, 0},
        {"B off", {false, true, false, false, R::Mid, R::High}, 0x92, 0x92, 2.5575f, 0, 1.1f, 0},
    };
    for (const CodeRow& row : rows) {
        SCOPED_TRACE(row.name);
        const InstrumentConfiguration c = ConfigureInstrument(row.choice, 8);
        EXPECT_TRUE(c.Send);
        EXPECT_EQ(c.InputCodeA, row.codeA);
        EXPECT_EQ(c.InputCodeB, row.codeB);
        EXPECT_EQ(c.UmaxA, row.umaxA);
        EXPECT_EQ(c.UminA, row.uminA);
        EXPECT_EQ(c.UmaxB, row.umaxB);
        EXPECT_EQ(c.UminB, row.uminB);
        EXPECT_EQ(c.StepTime, row.choice.BOff ? 0.0005f : 0.001f);
        const auto report = ConfigurationReport(c, 5, 8);
        ASSERT_EQ(report.size(), 8u);
        EXPECT_EQ(report[0], 0);
        EXPECT_EQ(report[1], row.codeA);
        EXPECT_EQ(report[2], row.codeB);
        EXPECT_EQ(report[3], 5);
        for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(report[i], 0);
    }
}

TEST(InstrumentLink, PullUpsAndDevicesWithoutOutputReport) {
    HardwareChoice both;
    both.PullUpA = both.PullUpB = true;
    both.ADiff = true;
    EXPECT_EQ(ConfigurationReport(ConfigureInstrument(both, 8), 2, 8)[4], 10);
    both.PullUpB = false;
    EXPECT_EQ(ConfigureInstrument(both, 8).PullUpBits, 2);

    for (int length : {0, 1}) {
        const InstrumentConfiguration c = ConfigureInstrument(both, length);
        EXPECT_FALSE(c.Send);
        EXPECT_EQ(c.InputCodeA, 2);
        EXPECT_EQ(c.InputCodeB, 3);
        EXPECT_EQ(c.StepTime, 0.002f);
        EXPECT_EQ(c.UmaxA, 5);
        EXPECT_EQ(c.UminA, 0);
        EXPECT_EQ(c.UmaxB, 5);
        EXPECT_EQ(c.UminB, 0);
    }
}

TEST(InstrumentLink, IdentityCaptionAndQuestion) {
    const QString product = QStringLiteral("Kurvimat 1.3");
    EXPECT_TRUE(IsInstrument(0x16C0, 0x05DF, product));
    EXPECT_FALSE(IsInstrument(0x16C0, 0x05DF, QStringLiteral("Kurvimat 1.2")));
    EXPECT_FALSE(IsInstrument(0x16C0, 0x05DE, product));
    EXPECT_FALSE(IsInstrument(0x16C1, 0x05DF, product));
    EXPECT_EQ(DeviceCaption(product, QString()), product);
    EXPECT_EQ(DeviceCaption(product, QStringLiteral("K42")), QStringLiteral("Kurvimat 1.3 (K42)"));
    EXPECT_EQ(SwitchQuestion(product, QStringLiteral("1"), product, QString()),
              QStringLiteral("Wechseln von Kurvimat 1.3 (1) zu Kurvimat 1.3"));
    const QString noAccess = NoAccessMessage(product, QStringLiteral("/dev/hidraw3"));
    for (const char* part : {"/dev/hidraw3", "udevadm", "70-kurvimat.rules", "anstecken", "Debian-Paket"})
        EXPECT_TRUE(noAccess.contains(QLatin1String(part))) << part;
    // A short output report names exactly what could not be sent.
    const struct {
        int length;
        const char* missing;
    } shortRows[] = {{2, "Eingang B, Übertragungsart, Pull-up-Widerstände."},
                     {4, "nicht eingestellt: Pull-up-Widerstände."}};
    for (const auto& row : shortRows) {
        SCOPED_TRACE(row.length);
        EXPECT_TRUE(ShortReportMessage(row.length).endsWith(QString::fromUtf8(row.missing)))
            << ShortReportMessage(row.length).toStdString();
    }
}

TEST(InstrumentLink, RangeLabelsUseTheLocaleAndThreeDigits) {
    QLocale::setDefault(QLocale(QLocale::German));
    const struct {
        float volts;
        const char* text;
    } cases[] = {{5, "5 V"},           {0, "0 V"},         {1.1f, "1,1 V"},
                 {-2.56f, "-2,56 V"}, {std::bit_cast<float>(0x3D60D70Au), "0,055 V"},
                 {0.12775f, "0,128 V"}, {-0.128f, "-0,128 V"}, {2.5575f, "2,56 V"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RangeLabel(c.volts), QString::fromUtf8(c.text));
    }
    QLocale::setDefault(QLocale::c());
}

TEST(HardwareWindow, EveryClickReportsTheCurrentChoice) {
    TFormHardware window;
    std::vector<HardwareChoice> seen;
    window.OnSettingsChanged = [&] { seen.push_back(window.Choice()); };
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Hardwareeinstellungen"));
    EXPECT_EQ(window.size(), QSize(479, 316));
    window.show();
    QTest::mouseClick(window.CheckBoxBoff, Qt::LeftButton);
    QTest::mouseClick(window.RadioButtonAmid, Qt::LeftButton);
    QTest::mouseClick(window.CheckBoxAdiff, Qt::LeftButton);
    QTest::mouseClick(window.CheckBoxPullUpB, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0].BOff);
    EXPECT_EQ(seen[1].A, InputRange::Mid);
    EXPECT_TRUE(seen[2].ADiff);
    EXPECT_TRUE(seen[3].PullUpB);
    // Differential, mid range: code 0x97 and -0,128 ... 0,128 V.
    const InstrumentConfiguration c = ConfigureInstrument(seen[3], 8);
    EXPECT_EQ(c.InputCodeA, 0x97);
    EXPECT_EQ(c.InputCodeB, 0x97); // channel B is off
    EXPECT_EQ(c.PullUpBits, 8);
}

} // namespace

int main(int argc, char** argv) {
    // Test discovery runs this at build time, without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
