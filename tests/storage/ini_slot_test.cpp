// INI and slot files: parse and save rules, a configparser round trip, reads through the archive.
#include <cmath>
#include <string>

#include "storage/ini_store.h"
#include "storage_test_util.h"

using namespace storage_test;

namespace {

using IniFiles = StorageTest;
using SlotFiles = StorageTest;

std::string Get(const char* section, const char* key) { return IniGet(section, key).CText(); }
std::string Slot(const char* file, double line) { return SlotGet(file, line).CText(); }

// Ends the program the normal way, with the shutdown handler that saves the storage files.
void EndWithFlush() {
    EXPECT_EXIT((SetShutdownHandler([] { FlushStorageFiles(); }), EndProgram()), testing::ExitedWithCode(0),
                "");
}

}  // namespace

TEST_F(IniFiles, ParseRulesPutRemoveAndSaveOrder) {
    WriteBytes("store.ini",
               "top=before any header\n  ; comment=1\n[Values]\nLevel=\nFlag\n"
               "\tspaced \t=\t  value with spaces \t\r\nctl=abc\x01\x02\ndup=first\ndup=second\neq=a=b\n"
               "[Empty]\n[ Next] \na=1\n[Values]\ndup=third\n[]\nx=unnamed\n[Last");
    IniStore store;
    store.Load("store.ini");
    // Around keys and values controls go, spaces stay; the first section and the first key are found.
    const char* found[][3] = {{"", "top", "before any header"}, {"", "; comment", "NO_DATA"},
                              {"values", "Level", "NO_DATA"},    {"values", "Flag", "NO_DATA"},
                              {"values", "spaced", "value with spaces "}, {"values", "ctl", "abc"},
                              {"values", "dup", "first"},        {"values", "eq", "a=b"},
                              {"Empty", "a", "NO_DATA"},         {"Next", "a", "1"}};
    for (const auto& [section, key, value] : found) {
        EXPECT_STREQ(store.Get(section, key).CText(), value) << section << " " << key;
    }
    ASSERT_EQ(store.Sections().size(), 5u);  // "", Values, Next, Values, "" ("[Last" has no keys)
    EXPECT_STREQ(store.Sections()[3].keys[0].value.CText(), "third");
    EXPECT_STREQ(store.Sections()[4].keys[0].value.CText(), "unnamed");

    // Removals move the last key or section into the gap; a change is saved when another file opens.
    WriteBytes("s.ini", "[A]\r\na=1\r\n[B]\r\nb1=1\r\nb2=2\r\nb3=3\r\n[C]\r\nc=1\r\n");
    IniOpen("s.ini");
    IniPut("b", "B1", "");      // removes b1: b3 takes its place
    IniPut("B", "b2", "two");   // replaces
    IniPut("b", "new", "");     // appends an empty key, written as "new="
    IniPut("a", "", "");        // removes section A: C takes its place
    IniPut("Missing", "", "");  // nothing to remove
    IniPut("D", "d", "4");      // a new section
    IniOpen("other.ini");       // saves s.ini first
    EXPECT_EQ(ReadBytes("s.ini"), "[C]\r\nc=1\r\n[B]\r\nb3=3\r\nb2=two\r\nnew=\r\n[D]\r\nd=4\r\n");
    IniOpen("s.ini");
    EXPECT_EQ(Get("B", "new"), "NO_DATA");  // the empty value is dropped by the next load
    EXPECT_EQ(Get("A", "a"), "NO_DATA");

    // Nothing changed: nothing is written. A change is saved at the end of the program.
    fs::remove("other.ini");
    IniOpen("s.ini");
    IniOpen("other.ini");
    EXPECT_FALSE(fs::exists("other.ini"));
    IniPut("End", "key", "value");
    EndWithFlush();
    EXPECT_EQ(ReadBytes("other.ini"), "[End]\r\nkey=value\r\n");
}

TEST_F(IniFiles, RoundTripWithConfigParserAndThroughTheArchive) {
    const std::string script =
        std::string("python3 ") + TARVOK_SOURCE_DIR + "/tests/storage/ini_configparser.py";
    ASSERT_EQ(Shell(script + " write py.ini"), 0);
    IniOpen("py.ini");
    const char* values[][3] = {{"player", "name", "Bob Smith"}, {"Player", "Score", "10"},
                               {"Player", "Ratio", "0.75"},     {"Graphics", "Width", "640"},
                               {"Graphics", "Mode", "full=yes"}, {"Graphics", "Path", "C:\\games\\data"}};
    for (const auto& [section, key, value] : values) EXPECT_EQ(Get(section, key), value) << key;
    IniPut("Player", "Score", "11");
    IniPut("Sound", "Volume", "80 percent");
    IniOpen("next.ini");
    ASSERT_EQ(Shell(script + " read py.ini >read.txt"), 0);
    EXPECT_EQ(ReadBytes("read.txt"),
              "Player|Name|Bob Smith\nPlayer|Score|11\nPlayer|Ratio|0.75\n"
              "Graphics|Width|640\nGraphics|Mode|full=yes\nGraphics|Path|C:\\games\\data\n"
              "Sound|Volume|80 percent\n");

    // INI and slot files are read through the data archive.
    WriteBytes("pack/settings.ini", "[Game]\r\nlevel=3\r\n");
    WriteBytes("pack/hiscore.txt", "Ann 500\r\nBob 300\r\n");
    ASSERT_EQ(Shell(std::string(TARVOK_PACK_TOOL) + " -q data.sbx pack"), 0);
    fs::remove_all("pack");
    SetArchives("data.sbx", "data.sbx");
    IniOpen("config/SETTINGS.INI");
    EXPECT_EQ(Get("game", "level"), "3");
    EXPECT_EQ(Slot("hiscore.txt", 1), "Bob 300");
}

TEST_F(SlotFiles, NoFileNoDataAndWriting) {
    EXPECT_EQ(Slot("scores.txt", 0), "NO_FILE");
    EXPECT_EQ(g_engine.errorCode, 3);
    g_engine.errorCode = 0;
    EXPECT_EQ(Slot("scores.txt", 256), "NO_DATA");
    EXPECT_EQ(g_engine.errorCode, 7);
    EXPECT_EQ(Slot("scores.txt", -1) + Slot("scores.txt", 1e300), "NO_DATANO_DATA");
    SlotPut("scores.txt", 256, "no");
    SlotPut("scores.txt", std::nan(""), "slot 0");  // NaN truncates to 0
    g_engine.errorCode = 0;
    SlotPut("scores.txt", 3, "500");
    EXPECT_EQ(Slot("scores.txt", 3), "500");
    EXPECT_EQ(Slot("scores.txt", 2), "");
    EXPECT_FALSE(fs::exists("scores.txt"));  // nothing written until another file is named or the end
    EndWithFlush();
    EXPECT_EQ(ReadBytes("scores.txt"), "slot 0\r\n\r\n\r\n500\r\n");

    // Switching files writes the changed one and reloads from disk; trailing controls are trimmed.
    WriteBytes("a.txt", "a0\r\na1\r\n");
    WriteBytes("b.txt", "b0\nb1 \x01\x02\nlast without end");
    EXPECT_EQ(Slot("a.txt", 1), "a1");
    SlotPut("a.txt", 0, "A0");
    EXPECT_EQ(Slot("b.txt", 1), "b1 ");
    EXPECT_EQ(ReadBytes("a.txt"), "A0\r\na1\r\n");
    EXPECT_EQ(Slot("b.txt", 2), "last without end");
    SlotPutNumber("b.txt", 5, 12.5);
    EXPECT_EQ(SlotGetNumber("b.txt", 5), 12.5);
    EXPECT_EQ(Slot("a.txt", 0), "A0");
    EXPECT_EQ(ReadBytes("b.txt"), "b0\r\nb1 \x01\x02\r\nlast without end\r\n\r\n\r\n12.5\r\n");

    // At most 256 lines are read (a long line is two, by the line rule); texts are cut to 1023 bytes.
    std::string many = std::string(1500, 'L') + "\n";
    for (int i = 0; i < 300; ++i) many += std::to_string(i) + "\n";
    WriteBytes("many.txt", many);
    EXPECT_EQ(Slot("many.txt", 255), "253");
    SlotPut("many.txt", 0, RtString(std::string(5000, 'z').c_str()));
    SlotGet("a.txt", 0);
    EXPECT_EQ(ReadBytes("many.txt").substr(0, 1025), std::string(1023, 'z') + "\r\n");
}
