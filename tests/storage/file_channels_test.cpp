// File channels, the whole-file helpers, directories and wildcards, and the run-time errors 7 and 3.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "storage_test_util.h"

using namespace storage_test;

namespace {

using FileChannels = StorageTest;
using Directories = StorageTest;

using NumberRead = void (*)(double, double&);

double Got(NumberRead read, double channel) {
    double v = -99;
    read(channel, v);
    return v;
}

std::string Line(double channel) {
    RtString text;
    ReadLine(channel, text);
    return text.CText();
}

// Writes the bytes to a file of the channel's own and opens it for reading there.
void OpenWith(double channel, const std::string& bytes) {
    const std::string name = "channel" + std::to_string(int(channel)) + ".bin";
    WriteBytes(name, bytes);
    ASSERT_EQ(OpenFile(channel, name.c_str(), 1), 1);
}

std::string Text(double channel, double count) {
    RtString text = "old";
    ReadString(channel, text, count);
    return text.CText();
}

// The listing with the folders first, then the files, each group sorted (the system's order is any).
std::vector<std::string> Listed(const char* pattern, double expected) {
    RtArray<RtString> list;
    EXPECT_EQ(GetFileList(pattern, list), expected) << pattern;
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < list.Count(); ++i) names.emplace_back(list.ElementAt(i).CText());
    const auto files = names.begin() + std::min<std::ptrdiff_t>(list.Count(), std::int64_t(expected) >> 16);
    std::sort(names.begin(), files);
    std::sort(files, names.end());
    return names;
}

}  // namespace

TEST_F(FileChannels, EveryTypeRoundTripsWithLittleEndianBytes) {
    ASSERT_EQ(OpenFile(0, "data.bin", 0), 1);
    EXPECT_EQ(EndOfFile(0), 1);  // a channel opened for writing reports size 0
    const double maxFloat = std::numeric_limits<float>::max();
    // Integers keep their low 8, 16 or 32 bits; floats past the largest round to it or to infinity.
    const struct { void (*write)(double, double); NumberRead read; double value, back; } values[] = {
        {WriteByte, ReadByte, -1, 255},           {WriteByte, ReadByte, 300.9, 44},
        {WriteWord, ReadWord, 70000, 4464},       {WriteLong, ReadLong, 100000, 100000},
        {WriteLong, ReadLong, 4294967295.0, 4294967295.0}, {WriteLong, ReadLong, -2, 4294967294.0},
        {WriteFloat, ReadFloat, 1.5, 1.5},        {WriteFloat, ReadFloat, 1e300, INFINITY},
        {WriteFloat, ReadFloat, maxFloat + std::ldexp(1.0, 100), maxFloat},
        {WriteFloat, ReadFloat, -maxFloat * 2, -INFINITY}, {WriteDouble, ReadDouble, -0.1, -0.1}};
    for (const auto& v : values) v.write(0, v.value);
    WriteString(0, "hi");
    WriteLine(0, "line");
    WriteLineNumber(0, 2.5);
    WriteFloat(0, std::nan(""));
    EXPECT_EQ(FilePosition(0), 0);  // writes do not move the position
    CloseFile(0);

    std::string expected("\xff\x2c\x70\x11\xa0\x86\x01\x00\xff\xff\xff\xff\xfe\xff\xff\xff", 16);
    expected += std::string("\x00\x00\xc0\x3f\x00\x00\x80\x7f\xff\xff\x7f\x7f\x00\x00\x80\xff", 16);
    expected += "\x9a\x99\x99\x99\x99\x99\xb9\xbfhiline\r\n2.5\r\n";
    const std::string bytes = ReadBytes("data.bin");
    EXPECT_EQ(bytes.substr(0, expected.size()), expected);
    EXPECT_EQ(bytes.size(), expected.size() + 4);
    EXPECT_EQ(static_cast<unsigned char>(bytes.back()) & 0x7f, 0x7f);  // a NaN keeps its exponent bits

    ASSERT_EQ(OpenFile(7.9, "data.bin", 1), 1);  // channel 7
    for (const auto& v : values) EXPECT_EQ(Got(v.read, 7), v.back) << v.value;
    EXPECT_EQ(FilePosition(7), 40);
    EXPECT_EQ(Text(7, 2), "hi");
    EXPECT_EQ(Line(7), "line");
    EXPECT_EQ(Got(ReadLineNumber, 7), 2.5);
    EXPECT_EQ(EndOfFile(7), 0);
    FileSeek(7, 0, -1);
    EXPECT_EQ(EndOfFile(7), 1);
}

TEST_F(FileChannels, ReadLineFollowsTheLineRule) {
    // A line feed ends a line (a CR before it goes), as do 1024 bytes (kept whole), the file's end (also
    // on a 64-byte piece boundary) and, for the text, a zero byte.
    const std::string a64(64, 'a'), b63(63, 'b'), c1023(1023, 'c'), e128(128, 'e');
    const struct { std::string bytes; std::vector<std::string> lines; } files[] = {
        {"ab\r\ncd", {"ab", "cd"}},
        {std::string(1500, 'x') + "\r\n", {std::string(1024, 'x'), std::string(476, 'x')}},
        {"\n\r\n" + a64 + "\n" + b63 + "\r\n" + c1023 + "\r\ntail\r",
         {"", "", a64, b63, c1023 + "\r", "", "tail"}},
        {"first\n" + e128, {"first", e128}},
        {std::string("ab\0cd\n", 6), {"ab"}},
    };
    for (const auto& f : files) {
        OpenWith(0, f.bytes);
        std::vector<std::string> lines;
        while (!EndOfFile(0)) lines.push_back(Line(0));
        EXPECT_EQ(lines, f.lines);
        EXPECT_EQ(FilePosition(0), f.bytes.size());
    }
}

TEST_F(FileChannels, ReadStringAndSeeking) {
    OpenWith(0, std::string("hello\0world1234", 15));
    for (double none : {0.0, -5.0, std::nan("")}) EXPECT_EQ(Text(0, none), "") << none;  // NaN reads 0
    EXPECT_EQ(FilePosition(0), 0);
    EXPECT_EQ(Text(0, 11.9), "hello");  // 11 bytes; the zero byte ends the text
    EXPECT_EQ(FilePosition(0), 11);
    FileSeek(0, 0, 0);
    // Counts beyond the file end the program before anything is allocated for them.
    EXPECT_RUNTIME_ERROR(Text(0, 16), 3);
    EXPECT_RUNTIME_ERROR(Text(0, 1e300), 3);
    CloseFile(0);

    // A channel opened for writing reads back what it wrote, and writes land where reads left off.
    ASSERT_EQ(OpenFile(4, "rw.bin", 0), 1);
    WriteString(4, "0123456789");
    FileSeek(4, 2, 0);
    EXPECT_EQ(Got(ReadByte, 4), '2');
    WriteString(4, "ab");
    EXPECT_EQ(Got(ReadByte, 4), '5');
    CloseFile(4);
    EXPECT_EQ(ReadBytes("rw.bin"), "012ab56789");
}

TEST_F(FileChannels, ErrorsSevenAndThreeExactlyWhereDefined) {
    for (double ch : {-1.0, 8.0, 8.0001, -0.5, 1e300, -1e300, std::nan("")})
        EXPECT_RUNTIME_ERROR(EndOfFile(ch), 7);  // the channel-number guard of every command
    Text(8, 0);  // a count of 0 reads nothing and checks nothing
    // Closed channels, reads past the end and the wrong mode give error 3 (opened in the dying child).
    WriteBytes("three.bin", "abc");
    static double v = 0;
    ExpectRuntimeErrors({{[] { OpenFile(8, "x.bin", 0); }, 7}, {[] { WriteByte(-1, 1); }, 7},
                         {[] { CloseFile(8); }, 7}, {[] { FilePosition(-1); }, 7}, {[] { Line(8); }, 7},
                         {[] { FileSeek(9, 0, 0); }, 7}, {[] { Text(8, 1); }, 7}, {[] { ReadByte(0, v); }, 3},
                         {[] { WriteString(0, ""); }, 3}, {[] { Line(0); }, 3}, {[] { Text(2, 1); }, 3},
                         {[] { OpenFile(0, "three.bin", 1); ReadLong(0, v); }, 3},
                         {[] { OpenFile(0, "three.bin", 1); WriteByte(0, 1); }, 3},
                         {[] { OpenFile(0, "three.bin", 1); ReadWord(0, v); ReadWord(0, v); }, 3}});
    // A file cut short after it was opened fails its read cleanly.
    OpenWith(1, "abc");
    fs::resize_file("channel1.bin", 1);
    ReadByte(1, v);
    EXPECT_RUNTIME_ERROR(ReadByte(1, v), 3);

    // Failures that are only results, never errors.
    EXPECT_EQ(OpenFile(2, "missing.bin", 1), 0);
    EXPECT_EQ(OpenFile(2, "no/such/folder/new.bin", 0), 0);
    EXPECT_EQ(OpenFile(2, std::string(1024, 'n').c_str(), 0), 0);  // longer than the path buffer
    EXPECT_EQ(FileSize("missing.bin"), 0);
    KillFile("missing.bin");
    CopyFile("missing.bin", "copy.bin");
    EXPECT_FALSE(fs::exists("copy.bin"));
    EXPECT_EQ(g_engine.errorCode, 0);
}

TEST_F(FileChannels, WholeFileHelpersNamesAndSharing) {
    std::string big;
    for (int i = 0; i < 10000; ++i) big += static_cast<char>(i * 7);
    WriteBytes("Data/Sub Dir/Big File.BIN", big);
    // Either separator, any letter case; a folder or a FIFO is no file (and the FIFO must not block).
    EXPECT_EQ(FileSize("data\\sub dir\\big file.bin"), 10000);
    EXPECT_EQ(DoesFileExist("DATA/SUB DIR/BIG FILE.BIN"), 1);
    EXPECT_EQ(DoesFileExist("data/sub dir"), 0);
    ASSERT_EQ(Shell("mkfifo Data/pipe"), 0);
    EXPECT_EQ(DoesFileExist("data/pipe"), 0);
    EXPECT_EQ(OpenFile(0, "data/pipe", 1), 0);
    CopyFile("data/sub dir/big file.bin", "data\\copy.bin");
    CopyFile("Data/copy.bin", "Data/copy.bin");  // onto itself: nothing is lost
    EXPECT_EQ(ReadBytes("Data/copy.bin"), big);
    KillFile("DATA\\COPY.BIN");
    EXPECT_FALSE(fs::exists("Data/copy.bin"));

    // A file open for writing cannot be opened again; readers share.
    ASSERT_EQ(OpenFile(0, "data/out.txt", 0), 1);
    EXPECT_EQ(DoesFileExist("data/out.txt"), 0);
    EXPECT_EQ(OpenFile(1, "data/out.txt", 1) + OpenFile(1, "data/out.txt", 0), 0);
    CloseFile(0);
    EXPECT_EQ(DoesFileExist("data/out.txt"), 1);
    ASSERT_EQ(OpenFile(1, "data/sub dir/big file.bin", 1), 1);
    EXPECT_EQ(OpenFile(2, "data/sub dir/big file.bin", 1), 1);
    EXPECT_EQ(OpenFile(3, "data/sub dir/big file.bin", 0), 0);  // not replaced while being read
    EXPECT_EQ(FileSize("data/sub dir/big file.bin"), 10000);

    // Current directory: "/" at the end, set through any case and separator.
    const RtString start = GetCurrentDir();
    EXPECT_EQ(std::string(start.CText()), work_.string() + "/");
    EXPECT_EQ(SetCurrentDir("DATA\\sub dir"), 1);
    EXPECT_EQ(std::string(GetCurrentDir().CText()), (work_ / "Data/Sub Dir/").string());
    EXPECT_EQ(SetCurrentDir("no such folder"), 0);
    RtString path = "a\\b\\c.txt";
    EXPECT_EQ(ToForwardSlashes(path), 9);
    EXPECT_STREQ(path.CText(), "a/b/c.txt");
}

TEST_F(FileChannels, MixedReadsAndSeeksMatchTheBytesAnywhere) {
    // 200 KB of lines of random length read by a random mix of commands, checked against the bytes.
    std::mt19937 rng(42);
    std::string data;
    while (data.size() < 200000) {
        const std::size_t length = rng() % 9 == 0 ? 1000 + rng() % 1200 : rng() % 90;
        for (std::size_t i = 0; i < length; ++i) data += static_cast<char>('!' + rng() % 90);
        data += rng() % 4 == 0 ? "\r\n" : "\n";
    }
    OpenWith(3, data);
    std::size_t pos = 0;
    const auto le = [&](std::size_t n) {  // n bytes at pos, little-endian; moves pos on
        double v = 0;
        for (std::size_t i = n; i > 0; --i) v = v * 256 + static_cast<unsigned char>(data[pos + i - 1]);
        pos += n;
        return v;
    };
    for (int step = 0; step < 20000; ++step) {
        const std::size_t left = data.size() - pos;
        const auto op = rng() % 6;
        if (op <= 1 && left >= 1 + 3 * op) {  // a byte or a long
            ASSERT_EQ(Got(op ? ReadLong : ReadByte, 3), le(1 + 3 * op)) << step;
        } else if (op == 2) {
            const std::size_t n = std::min<std::size_t>(left, rng() % 3 == 0 ? rng() % 100000 : rng() % 300);
            if (n == 0) continue;
            ASSERT_EQ(Text(3, static_cast<double>(n)), data.substr(pos, n)) << step;
            pos += n;
        } else if (op == 3 && left > 0) {
            // The line rule over the bytes: up to 1024 bytes, up to the first line feed.
            const std::string window = data.substr(pos, 1024);
            const std::size_t feed = window.find('\n');
            std::string expected = window.substr(0, feed);
            pos += feed != std::string::npos ? feed + 1 : window.size();
            if (expected.size() < 1024 && !expected.empty() && expected.back() == '\r') expected.pop_back();
            ASSERT_EQ(Line(3), expected) << step;
        } else if (op >= 4) {  // from the start, from here or from the end
            const auto target = static_cast<std::int64_t>(rng() % (data.size() + 1));
            const int mode = op == 4 ? 0 : rng() % 2 ? 1 : -1;
            const auto base = static_cast<std::int64_t>(mode == 0 ? 0 : mode > 0 ? pos : data.size());
            FileSeek(3, static_cast<double>(target - base), mode);
            pos = static_cast<std::size_t>(target);
        }
        ASSERT_EQ(FilePosition(3), pos) << step;
        ASSERT_EQ(EndOfFile(3), pos >= data.size() ? 1 : 0) << step;
    }
}

TEST(Wildcards, StarsQuestionMarksAndCase) {
    // "?" is any character but a point; a star retries further on; only ASCII letters ignore case.
    const char* matches[][2] = {{"?.bmp", "c.bmp"}, {"*", "noextension"}, {"*", "a.b.c"}, {"*.*", "a.b"},
                                {"*.TXT", "readme.txt"}, {"READ*", "readme.txt"},
                                {"my file*.gz", "my file.tar.gz"}, {"*.tar.*", "my file.tar.gz"},
                                {"*a*b", "xaxxab"}, {"a**", "a"}, {"**x?", "abxy"}, {"*?", "z"}};
    const char* misses[][2] = {{"a?txt", "a.txt"}, {"", "a"}, {"*.*", "noextension"}, {"\xC4*", "\xE4x"},
                               {"*a*b", "xaxxa"}, {"a?", "a"}, {"abc", "ab"}, {"ab", "abc"}, {"*?", "."}};
    for (const auto& [pattern, name] : matches) EXPECT_EQ(WildcardMatch(pattern, name), 1) << pattern << name;
    for (const auto& [pattern, name] : misses) EXPECT_EQ(WildcardMatch(pattern, name), 0) << pattern << name;
}

TEST_F(Directories, ListingCountsFoldersAndMatchingFiles) {
    for (const char* name : {"A.TXT", "b.txt", "c.bmp", "with space.txt", "no point"})
        WriteBytes(fs::path("list") / name, "x");
    ASSERT_EQ(SetCurrentDir("list"), 1);
    using Names = std::vector<std::string>;
    EXPECT_EQ(Listed("*.txt", 2 * 65536 + 3), (Names{".", "..", "A.TXT", "b.txt", "with space.txt"}));
    // Folders are listed whatever the pattern; "" matches no file; an empty folder lists "." and "..".
    fs::create_directories("Sub.Folder");
    EXPECT_EQ(Listed("", 3 * 65536), (Names{".", "..", "Sub.Folder"}));
    EXPECT_EQ(Listed("?.bmp", 3 * 65536 + 1), (Names{".", "..", "Sub.Folder", "c.bmp"}));
    ASSERT_EQ(SetCurrentDir("sub.folder"), 1);
    EXPECT_EQ(Listed("*", 2 * 65536), (Names{".", ".."}));
    // A folder that cannot be listed (removed while current) gives no elements and 0.
    fs::remove(fs::current_path());
    EXPECT_EQ(Listed("*", 0), Names{});
}
