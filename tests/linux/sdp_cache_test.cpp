// The Serial Port channel read from bluetoothd's SDP cache files, written
// here as bluetoothd writes them: one hex-encoded record per line under
// [ServiceRecords].
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/sdp_cache.h"

namespace fs = std::filesystem;

namespace {

const char kAdapter[] = "00:1A:7D:DA:71:13";
const char kDevice[] = "AA:BB:CC:DD:EE:FF";

std::string Hex(unsigned value, int bytes) {
    char text[16];
    snprintf(text, sizeof text, "%0*X", 2 * bytes, value);
    return text;
}

// SDP data elements in hex: each builder gives the header and the value.
std::string Uint8(unsigned v) { return "08" + Hex(v, 1); }
std::string Uint16(unsigned v) { return "09" + Hex(v, 2); }
std::string Uuid16(unsigned v) { return "19" + Hex(v, 2); }
std::string Uuid128(unsigned v) { return "1C" + Hex(v, 4) + "00001000800000805F9B34FB"; }
std::string Seq(const std::string& items) { return "35" + Hex(static_cast<unsigned>(items.size() / 2), 1) + items; }
std::string LongSeq(const std::string& items) { return "36" + Hex(static_cast<unsigned>(items.size() / 2), 2) + items; }
std::string Attribute(unsigned id, const std::string& value) { return Uint16(id) + value; }

std::string RfcommStack(unsigned channel) { return Seq(Seq(Uuid16(0x0100)) + Seq(Uuid16(0x0003) + Uint8(channel))); }

std::string Record(const std::string& classes, const std::string& protocols) {
    return Seq(Attribute(0x0000, "0A00010005") + Attribute(0x0001, classes) + Attribute(0x0004, protocols) +
               Attribute(0x0100, "250B" "53657269616C20506F7274"));  // "Serial Port"
}

class SdpCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tastra-sdp-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ / kAdapter / "cache");
        UseBluetoothStateRoot(root_.c_str());
    }
    void TearDown() override {
        UseBluetoothStateRoot(nullptr);
        fs::remove_all(root_);
    }
    void WriteCache(const std::string& text) { std::ofstream(root_ / kAdapter / "cache" / kDevice) << text; }
    void WriteRecords(const std::vector<std::string>& records) {
        std::string text = "[General]\nName=Terminal\n\n[ServiceRecords]\n";
        for (size_t i = 0; i < records.size(); ++i) text += "0x0001000" + std::to_string(i) + "=" + records[i] + "\n";
        WriteCache(text + "\n[Attributes]\n");
    }
    int Channel() { return ReadSerialPortChannel(kAdapter, kDevice); }

    fs::path root_;
};

TEST_F(SdpCacheTest, TheChannelOfTheSerialPortRecordIsTakenAndNoOtherServicesChannel) {
    WriteRecords({Record(Seq(Uuid16(0x1105)), RfcommStack(12)), Record(Seq(Uuid16(0x1101)), RfcommStack(3))});
    EXPECT_EQ(Channel(), 3);
    WriteRecords({Record(Seq(Uuid16(0x1105)), RfcommStack(12))});
    EXPECT_EQ(Channel(), 0);
}

TEST_F(SdpCacheTest, LongFormsAndFullUuidsAreUnderstood) {
    // The class list may name a more specific class first; 0x1101 anywhere in it counts.
    WriteRecords({LongSeq(Attribute(0x0001, LongSeq(Uuid16(0x1234) + Uuid128(0x1101))) +
                          Attribute(0x0004, LongSeq(Seq(Uuid128(0x0100)) + Seq(Uuid128(0x0003) + Uint8(30)))))});
    EXPECT_EQ(Channel(), 30);
    // A 128-bit UUID that is not built on the base UUID is no Serial Port class.
    std::string foreign = "1C000011010000100080000000000000FF";
    WriteRecords({Record(Seq(foreign), RfcommStack(4))});
    EXPECT_EQ(Channel(), 0);
}

TEST_F(SdpCacheTest, RecordsWithoutAUsableChannelGiveNone) {
    for (const std::string& protocols : {Seq(Seq(Uuid16(0x0100))),                           // L2CAP only
                                         RfcommStack(0), RfcommStack(31),                     // outside 1..30
                                         Seq(Seq(Uuid16(0x0100)) + Seq(Uuid16(0x0003))),      // no channel
                                         Seq(Seq(Uuid16(0x0003) + Uint16(5)))}) {             // not 8 bits
        WriteRecords({Record(Seq(Uuid16(0x1101)), protocols)});
        EXPECT_EQ(Channel(), 0) << protocols;
    }
}

TEST_F(SdpCacheTest, DamagedFilesAndRecordsAreSkippedWithoutReadingPastThem) {
    std::string good = Record(Seq(Uuid16(0x1101)), RfcommStack(7));
    std::string truncated = good.substr(0, good.size() - 6);
    std::string overlong = "35FF" + good.substr(4);
    WriteRecords({truncated, overlong, "zz", "", std::string(10000, 'A'), "35", good});
    EXPECT_EQ(Channel(), 7);

    // Records outside [ServiceRecords] are not service records.
    WriteCache("[General]\n0x00010000=" + good + "\n[ServiceRecordsExtra]\n0x1=" + good + "\n");
    EXPECT_EQ(Channel(), 0);
    WriteCache("[ServiceRecords]\n0x00010000=" + good);
    EXPECT_EQ(Channel(), 7) << "the last line needs no newline";
    WriteCache("[ServiceRecords]\n0x00010000=" + good + "00\n");
    EXPECT_EQ(Channel(), 7) << "bytes after the record are ignored";
}

}  // namespace
