#include "HidReportDescriptor.h"
#include "HidUevent.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace kurvimat::hid;

namespace {

std::string readData(const std::string& name) {
    std::ifstream in(std::string(KURVIMAT_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> hexBytes(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> bytes;
    unsigned value = 0;
    while (in >> std::hex >> value)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

struct DescriptorRow {
    const char* name;
    std::vector<std::uint8_t> bytes;
    HidReportLengths expected;
};

TEST(HidReportDescriptorTest, LengthsIncludeTheReportIdByte) {
    const DescriptorRow rows[] = {
        {"vendor-defined 8 in / 8 out, no report IDs",
         hexBytes(readData("hid_rdesc_kurvimat.hex")),
         {0xFF00, 0x01, 9, 9, 0, false}},
        {"boot keyboard: 8-byte input, 5 LED bits padded to one output byte",
         hexBytes(readData("hid_rdesc_boot_keyboard.hex")),
         {0x01, 0x06, 9, 2, 0, false}},
        // ID 1: 3 bytes; ID 2: 2 bytes + (after Pop restores 16-bit fields) 4 bytes;
        // ID 3 (inside Push/Pop): a 4-byte feature report.
        {"numbered mouse and consumer control with push/pop",
         hexBytes(readData("hid_rdesc_numbered_mouse_consumer.hex")),
         {0x01, 0x02, 7, 0, 5, true}},
        {"usage page carried in a four-byte usage",
         {0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0xC0},
         {0x0C, 0x01, 4, 0, 0, false}},
        {"odd bit count rounds up", {0x75, 0x03, 0x95, 0x03, 0x81, 0x02}, {0, 0, 3, 0, 0, false}},
        {"empty descriptor", {}, {0, 0, 0, 0, 0, false}},
        {"long item is skipped",
         {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x01, 0x91, 0x02},
         {0, 0, 0, 2, 0, false}},
    };
    for (const DescriptorRow& row : rows) {
        SCOPED_TRACE(row.name);
        const auto parsed = parseReportDescriptor(row.bytes.data(), row.bytes.size());
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->usagePage, row.expected.usagePage);
        EXPECT_EQ(parsed->usage, row.expected.usage);
        EXPECT_EQ(parsed->input, row.expected.input);
        EXPECT_EQ(parsed->output, row.expected.output);
        EXPECT_EQ(parsed->feature, row.expected.feature);
        EXPECT_EQ(parsed->numberedReports, row.expected.numberedReports);
    }
}

TEST(HidReportDescriptorTest, MalformedDescriptorsAreRejected) {
    const std::pair<const char*, std::vector<std::uint8_t>> rows[] = {
        {"item data cut off", {0x05, 0x01, 0x75}},
        {"four-byte item cut off", {0x27, 0xFF, 0xFF}},
        {"pop without push", {0xB4, 0x81, 0x02}},
        {"long item past the end", {0xFE, 0x05, 0x00, 0x01}},
        {"captured descriptor with its last data byte missing",
         [] {
             auto b = hexBytes(readData("hid_rdesc_boot_keyboard.hex"));
             b.back() = 0x29; // End Collection becomes a Usage Maximum without its data
             return b;
         }()},
        {"captured mouse cut after its first input item, collections still open",
         [] {
             auto b = hexBytes(readData("hid_rdesc_numbered_mouse_consumer.hex"));
             b.resize(28); // ... 95 03 75 01 81 02
             return b;
         }()},
    };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(parseReportDescriptor(bytes.data(), bytes.size()).has_value());
    }
}

TEST(HidReportDescriptorTest, HugeCountsSaturateInsteadOfWrapping) {
    // 0xFFFFFFFF items of 0xFFFFFFFF bits would wrap a 32-bit byte count to a small number.
    const std::vector<std::uint8_t> bytes = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF,
                                             0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0x81, 0x02};
    const auto parsed = parseReportDescriptor(bytes.data(), bytes.size());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->input, 0xFFFF);
}

TEST(HidUeventTest, CapturedUeventsGiveIdentityAndStrings) {
    struct Row {
        const char* file;
        const char* usbProduct; // the USB parent's attributes, null without one
        const char* usbSerial;
        HidId id;
        const char* product;
        const char* serial;
    };
    const Row rows[] = {
        {"hid_uevent_usb_kurvimat.txt",
         "Kurvimat 1.3",
         "VK-0001",
         {3, 0x16C0, 0x05DF},
         "Kurvimat 1.3",
         "VK-0001"},
        {"hid_uevent_usb_kurvimat.txt",
         "Kurvimat 1.3",
         nullptr,
         {3, 0x16C0, 0x05DF},
         "Kurvimat 1.3",
         ""},
        {"hid_uevent_bluetooth_keyboard.txt",
         nullptr,
         nullptr,
         {5, 0x046D, 0xB342},
         "Keyboard K380",
         "c8:d9:4d:12:34:56"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const auto values = parseUevent(readData(row.file));
        ASSERT_TRUE(values.count("HID_ID"));
        const auto id = parseHidId(values.at("HID_ID"));
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(id->bus, row.id.bus);
        EXPECT_EQ(id->vendor, row.id.vendor);
        EXPECT_EQ(id->product, row.id.product);
        const HidStrings strings = chooseHidStrings(row.usbProduct, row.usbSerial, values);
        EXPECT_EQ(strings.product, row.product);
        EXPECT_EQ(strings.serial, row.serial);
    }
}

TEST(HidUeventTest, LinesAreSplitAtTheFirstEqualsSign) {
    const auto values = parseUevent("A=1\r\nNOEQUALS\n=orphan\nB=x=y\nA=2\nEMPTY=\nLAST=end");
    EXPECT_EQ(values.size(), 4u);
    EXPECT_EQ(values.at("A"), "2");
    EXPECT_EQ(values.at("B"), "x=y");
    EXPECT_EQ(values.at("EMPTY"), "");
    EXPECT_EQ(values.at("LAST"), "end");
}

TEST(HidUeventTest, MalformedHidIdsAreRejected) {
    const char* rows[] = {"",
                          "0003",
                          "0003:000016C0",
                          "0003::000005DF",
                          "0003:0000G6C0:000005DF",
                          "0003:000116C0:000005DF",
                          "0003:000016C0:000005DF:",
                          "0003:16C0:5DF "};
    for (const char* row : rows) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(parseHidId(row).has_value());
    }
    const auto shortForm = parseHidId("3:16c0:5df");
    ASSERT_TRUE(shortForm.has_value());
    EXPECT_EQ(shortForm->vendor, 0x16C0);
}

} // namespace
