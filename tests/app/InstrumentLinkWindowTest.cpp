// The main window with an instrument on the virtual HID service: adoption, switching,
// unplugging, configuration reports and data streaming into the window.
#include "AppTestSupport.h"

#include "HidPlatformVirtual.h"
#include "THidDevice.h"
#include "VirtualInstrument.h"
#include "dialogs/TFormHardware.h"
#include "widgets/TComboBox.h"
#include "window/MainInstrument.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <atomic>
#include <cmath>

using namespace kurvimat::hid;

namespace {

constexpr int WaitMs = 10000;

// The instrument's part of the title, after the session's file ("Unbenannt – ", with "*" once a
// sweep was recorded); the whole title when it has none.
QString Caption(const TFormMain& w) {
    const QString title = w.windowTitle();
    const qsizetype at = title.indexOf(QStringLiteral(" – "));
    return at < 0 ? title : title.mid(at + 3);
}

// Counts the configuration reports the instrument accepts.
class CountingInstrument : public VirtualInstrument {
public:
    using VirtualInstrument::VirtualInstrument;
    bool outputReport(const std::uint8_t* data, std::size_t length, std::int64_t nowMs) override {
        if (reject) return false;
        const bool ok = VirtualInstrument::outputReport(data, length, nowMs);
        if (ok) ++reports;
        return ok;
    }
    std::atomic<int> reports{0};
    std::atomic<bool> reject{false};
};

class InstrumentLinkWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        platform = std::make_shared<HidPlatformVirtual>();
        link = std::make_unique<TInstrumentLink>(*win, platform);
    }
    void TearDown() override {
        link.reset();
        WindowTest::TearDown();
    }
    // Plugs an instrument and waits until the window holds a device.
    QString PlugAndAdopt(std::shared_ptr<VirtualHidDevice> device) {
        const QString node = platform->plug(std::move(device));
        EXPECT_TRUE(QTest::qWaitFor([&] { return win->HeldInstrument() != nullptr; }, WaitMs));
        return node;
    }

    std::shared_ptr<HidPlatformVirtual> platform;
    std::unique_ptr<TInstrumentLink> link;
};

TEST_F(InstrumentLinkWindowTest, AdoptsAndConfiguresTheInstrument) {
    auto instrument = std::make_shared<CountingInstrument>();
    EXPECT_FALSE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
    PlugAndAdopt(instrument);
    EXPECT_EQ(Caption(*win), QStringLiteral("Kurvimat 1.3 (VK-0001)"));
    EXPECT_TRUE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
    EXPECT_EQ(instrument->reports.load(), 1);
    EXPECT_EQ(instrument->mode(), win->session().store().DeviceMode);
    EXPECT_EQ(instrument->inputCodeA(), win->session().store().InputCodeA);
    EXPECT_EQ(instrument->inputCodeB(), win->session().store().InputCodeB);

    // A faster interval is a new report mode; the mid range of A is a new input code.
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 0);
    EXPECT_EQ(instrument->mode(), 2);
    link->FormHardware().RadioButtonAmid->click();
    EXPECT_NE(win->session().store().InputCodeA, 2);
    EXPECT_EQ(instrument->inputCodeA(), win->session().store().InputCodeA);
    EXPECT_EQ(instrument->mode(), 2);
}

TEST_F(InstrumentLinkWindowTest, SameReportModeSendsNothing) {
    auto instrument = std::make_shared<CountingInstrument>();
    PlugAndAdopt(instrument);
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 4); // 10 ms
    const int afterTen = instrument->reports.load();
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 5); // 20 ms
    EXPECT_EQ(win->session().store().IntervalMs, 20);
    EXPECT_EQ(instrument->reports.load(), afterTen);
}

TEST_F(InstrumentLinkWindowTest, SwitchQuestionDecidesWhichInstrumentIsHeld) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        link.reset();
        CreateWindows();
        platform = std::make_shared<HidPlatformVirtual>();
        link = std::make_unique<TInstrumentLink>(*win, platform);
        dialogs.questions.clear();
        dialogs.answerYes = yes;
        const QString firstNode = PlugAndAdopt(std::make_shared<VirtualInstrument>(u"VK-0001"));
        THidDevice* first = win->HeldInstrument();
        auto second = std::make_shared<CountingInstrument>(u"VK-0002", 2);
        platform->plug(second);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.questions.isEmpty(); }, WaitMs));
        QCoreApplication::processEvents();
        EXPECT_EQ(dialogs.questions.size(), 1);
        EXPECT_TRUE(dialogs.questions.front().contains(QStringLiteral("VK-0002")));
        EXPECT_EQ(win->HeldInstrument() != first, yes);
        EXPECT_EQ(second->reports.load(), yes ? 1 : 0);
        EXPECT_EQ(Caption(*win), yes ? QStringLiteral("Kurvimat 1.3 (VK-0002)")
                                     : QStringLiteral("Kurvimat 1.3 (VK-0001)"));
        if (!yes) {
            // The one kept waiting takes over when the held one leaves, without a question.
            platform->unplug(firstNode);
            ASSERT_TRUE(QTest::qWaitFor([&] { return second->reports.load() == 1; }, WaitMs));
            EXPECT_EQ(Caption(*win), QStringLiteral("Kurvimat 1.3 (VK-0002)"));
            ASSERT_NE(win->HeldInstrument(), nullptr);
            EXPECT_TRUE(QTest::qWaitFor([&] { return win->HeldInstrument()->Reading(); }, WaitMs));
            EXPECT_EQ(win->HeldInstrument()->ReadBufferCount(), 512u);
            EXPECT_EQ(dialogs.questions.size(), 1);
        }
        link.reset();
    }
}

// Without the rights on its node the instrument is not shown as adopted: the user is told
// once per plug-in what to do, and a re-plug after the fix works without a restart.
TEST_F(InstrumentLinkWindowTest, InstrumentWithoutAccessIsExplainedNotAdopted) {
    auto locked = std::make_shared<VirtualInstrument>();
    locked->readWriteAccess = false;
    const QString node = platform->plug(locked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.errors.isEmpty(); }, WaitMs));
    EXPECT_TRUE(dialogs.errors.front().contains(QStringLiteral("udevadm")));
    EXPECT_EQ(win->HeldInstrument(), nullptr);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Kurvimat"));
    EXPECT_FALSE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
    platform->postChangeNotification();
    QTest::qWait(50);
    EXPECT_EQ(dialogs.errors.size(), 1);

    platform->unplug(node);
    PlugAndAdopt(std::make_shared<VirtualInstrument>());
    EXPECT_TRUE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
    EXPECT_EQ(dialogs.errors.size(), 1);
}

// A configuration the instrument refuses is said once; calibration, labels and report mode stay
// those it runs with, and the next change tries again.
TEST_F(InstrumentLinkWindowTest, RefusedConfigurationKeepsTheReadingsTrue) {
    auto instrument = std::make_shared<CountingInstrument>();
    PlugAndAdopt(instrument);
    ASSERT_EQ(win->session().store().DeviceMode, 5);
    instrument->reject = true;
    link->FormHardware().RadioButtonAmid->click();
    link->FormHardware().RadioButtonAhigh->click();
    PickEntry(Child<TComboBox>(*win, "ComboBoxSamplingRate"), 0); // 2 ms asks for mode 2
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(win->session().store().UmaxA, 5.0f);
    EXPECT_EQ(win->session().store().InputCodeA, instrument->inputCodeA());
    EXPECT_EQ(Child<QLabel>(*win, "LabelUAmax")->text(), QStringLiteral("5 V"));
    EXPECT_EQ(win->session().store().DeviceMode, instrument->mode());

    instrument->reject = false;
    link->FormHardware().RadioButtonAmid->click();
    EXPECT_EQ(instrument->mode(), 2);
    EXPECT_EQ(win->session().store().DeviceMode, 2);
    EXPECT_EQ(win->session().store().UmaxA, 2.5575f);
    EXPECT_EQ(win->session().store().InputCodeA, instrument->inputCodeA());
    EXPECT_EQ(dialogs.errors.size(), 1);
}

// An output report shorter than the configuration gets what fits, and the rest is named.
TEST_F(InstrumentLinkWindowTest, ShortOutputReportGetsWhatFitsAndSaysWhatNot) {
    struct Recorder : VirtualInstrument {
        bool outputReport(const std::uint8_t* data, std::size_t length, std::int64_t) override {
            sent.assign(data, data + length);
            return true;
        }
        std::vector<std::uint8_t> sent;
    };
    auto device = std::make_shared<Recorder>();
    device->caps.OutputReportByteLength = 3;
    PlugAndAdopt(device);
    EXPECT_EQ(device->sent, (std::vector<std::uint8_t>{0, 0x02, 0x03}));
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors.front().contains(QStringLiteral("Übertragungsart")));
    link->FormHardware().RadioButtonAmid->click();
    EXPECT_EQ(device->sent, (std::vector<std::uint8_t>{0, 0x92, 0x03}));
    EXPECT_EQ(dialogs.errors.size(), 1);
}

// An instrument that takes no settings leaves the hardware button off, also when it takes over
// from one that took them.
TEST_F(InstrumentLinkWindowTest, InstrumentWithoutOutputReportKeepsHardwareButtonOff) {
    for (const bool afterOneWithSettings : {false, true}) {
        SCOPED_TRACE(afterOneWithSettings ? "after one with settings" : "alone");
        link.reset();
        CreateWindows();
        platform = std::make_shared<HidPlatformVirtual>();
        link = std::make_unique<TInstrumentLink>(*win, platform);
        dialogs.answerYes = true;
        if (afterOneWithSettings) {
            PlugAndAdopt(std::make_shared<VirtualInstrument>());
            EXPECT_TRUE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
        }
        THidDevice* before = win->HeldInstrument();
        auto device = std::make_shared<VirtualHidDevice>();
        device->attributes.VendorID = VirtualInstrument::VendorId;
        device->attributes.ProductID = VirtualInstrument::ProductId;
        device->product = u"Kurvimat 1.3";
        device->serial = u"OLD-1";
        device->caps.InputReportByteLength = VirtualInstrument::ReportLength;
        device->caps.OutputReportByteLength = 0;
        platform->plug(device);
        ASSERT_TRUE(QTest::qWaitFor([&] { return win->HeldInstrument() != before; }, WaitMs));
        EXPECT_EQ(Caption(*win), QStringLiteral("Kurvimat 1.3 (OLD-1)"));
        EXPECT_FALSE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
        EXPECT_FLOAT_EQ(win->session().store().StepTime, 0.002f);
    }
}

TEST_F(InstrumentLinkWindowTest, UnplugReleasesTheInstrumentAndKeepsThePoints) {
    Child<QTimer>(*win, "TimerTakt")->start();
    const QString node = PlugAndAdopt(std::make_shared<VirtualInstrument>());
    ASSERT_TRUE(QTest::qWaitFor([&] { return win->session().store().Data.Count > 0; }, WaitMs));
    platform->unplug(node);
    ASSERT_TRUE(QTest::qWaitFor([&] { return win->HeldInstrument() == nullptr; }, WaitMs));
    const int kept = win->session().store().Data.Count;
    QTest::qWait(50);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Unbenannt* – Kurvimat"));
    EXPECT_FALSE(Child<QPushButton>(*win, "ButtonHardware")->isEnabled());
    EXPECT_GT(kept, 0);
    EXPECT_EQ(win->session().store().Data.Count, kept);
}

TEST_F(InstrumentLinkWindowTest, StreamedSweepCompletesWithEvenlySpacedTimes) {
    Child<QTimer>(*win, "TimerTakt")->start();
    PlugAndAdopt(std::make_shared<VirtualInstrument>());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return win->session().store().Data.Count >= win->session().store().PointCount; },
        WaitMs));
    ASSERT_GT(win->session().store().PointCount, 2);
    EXPECT_GT(win->session().store().PointTime, 0.0f);
    for (int i = 1; i < win->session().store().PointCount; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NEAR(win->session().store().Data.T[i] - win->session().store().Data.T[i - 1],
                    win->session().store().PointTime, 1e-5);
    }
}

} // namespace
