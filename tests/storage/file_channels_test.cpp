// File channels: every data type through a file and back, the line rule, seeking, the whole-file
// helpers and the run-time errors 7 and 3.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "storage/storage.h"
#include "storage_test_util.h"

using namespace storage_test;

namespace {

class FileChannels : public StorageTest {};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

}  // namespace

TEST_F(FileChannels, EveryTypeRoundTripsWithLittleEndianBytes) {
    ASSERT_EQ(OpenFile(0, "data.bin", 0), 1);
    EXPECT_EQ(EndOfFile(0), 1);  // a channel opened for writing reports size 0
    WriteByte(0, -1);            // low 8 bits: 255
    WriteByte(0, 300.9);         // 300 -> 44
    WriteWord(0, 70000);         // low 16 bits: 4464
    WriteLong(0, 100000);
    WriteLong(0, 4294967295.0);  // the largest value ReadLong gives
    WriteLong(0, -2);
    WriteFloat(0, 1.5);
    WriteFloat(0, 1e300);  // beyond the float range: infinity
    WriteDouble(0, -0.1);
    WriteString(0, "hi");
    WriteLine(0, "line");
    WriteLineNumber(0, 2.5);
    EXPECT_EQ(FilePosition(0), 0);  // writes do not move the position
    CloseFile(0);

    std::string expected("\xff\x2c\x70\x11\xa0\x86\x01\x00\xff\xff\xff\xff\xfe\xff\xff\xff", 16);
    expected += std::string("\x00\x00\xc0\x3f\x00\x00\x80\x7f", 8);
    expected += "\x9a\x99\x99\x99\x99\x99\xb9\xbf";
    expected += "hiline\r\n2.5\r\n";
    EXPECT_EQ(ReadBytes("data.bin"), expected);

    ASSERT_EQ(OpenFile(7.9, "data.bin", 1), 1);  // channel 7
    double v = 0;
    ReadByte(7, v);
    EXPECT_EQ(v, 255);
    ReadByte(7, v);
    EXPECT_EQ(v, 44);
    ReadWord(7, v);
    EXPECT_EQ(v, 4464);
    ReadLong(7, v);
    EXPECT_EQ(v, 100000);
    ReadLong(7, v);
    EXPECT_EQ(v, 4294967295.0);
    ReadLong(7, v);
    EXPECT_EQ(v, 4294967294.0);
    ReadFloat(7, v);
    EXPECT_EQ(v, 1.5);
    ReadFloat(7, v);
    EXPECT_EQ(v, std::numeric_limits<double>::infinity());
    ReadDouble(7, v);
    EXPECT_EQ(v, -0.1);
    EXPECT_EQ(FilePosition(7), 32);
    RtString text;
    ReadString(7, text, 2);
    EXPECT_STREQ(text.CText(), "hi");
    ReadLine(7, text);
    EXPECT_STREQ(text.CText(), "line");
    ReadLineNumber(7, v);
    EXPECT_EQ(v, 2.5);
    EXPECT_EQ(FilePosition(7), expected.size());
    EXPECT_EQ(EndOfFile(7), 1);
    CloseFile(7);

    // A float just past the largest float rounds to it; far past it, to infinity.
    const double maxFloat = std::numeric_limits<float>::max();
    ASSERT_EQ(OpenFile(1, "f.bin", 0), 1);
    WriteFloat(1, maxFloat + std::ldexp(1.0, 100));
    WriteFloat(1, -maxFloat * 2);
    WriteFloat(1, std::nan(""));
    CloseFile(1);
    const std::string f = ReadBytes("f.bin");
    EXPECT_EQ(f.substr(0, 8), std::string("\xff\xff\x7f\x7f\x00\x00\x80\xff", 8));
    EXPECT_EQ(static_cast<unsigned char>(f[11]) & 0x7f, 0x7f);  // a NaN keeps its exponent bits
}

TEST_F(FileChannels, ReadLineFollowsTheLineRule) {
    WriteBytes("crlf.txt", "ab\r\ncd");
    ASSERT_EQ(OpenFile(0, "crlf.txt", 1), 1);
    RtString line;
    ReadLine(0, line);
    EXPECT_STREQ(line.CText(), "ab");
    EXPECT_EQ(FilePosition(0), 4);
    ReadLine(0, line);
    EXPECT_STREQ(line.CText(), "cd");
    EXPECT_EQ(FilePosition(0), 6);
    EXPECT_EQ(EndOfFile(0), 1);
    EXPECT_RUNTIME_ERROR(ReadLine(0, line), 3);
    CloseFile(0);

    // 1500 characters: 1024, then the remaining 476.
    WriteBytes("long.txt", Repeat('x', 1500) + "\r\n");
    ASSERT_EQ(OpenFile(1, "long.txt", 1), 1);
    ReadLine(1, line);
    EXPECT_EQ(line.Length(), 1024u);
    EXPECT_EQ(FilePosition(1), 1024);
    ReadLine(1, line);
    EXPECT_EQ(line.Length(), 476u);
    EXPECT_EQ(EndOfFile(1), 1);

    // Empty lines (no byte before the buffer is read), a line feed at a piece boundary, a carriage
    // return and line feed split across pieces, and a 1024-byte line that keeps its trailing CR.
    const std::string at64 = Repeat('a', 64) + "\n";
    const std::string split = Repeat('b', 63) + "\r\n";
    const std::string full = Repeat('c', 1023) + "\r" + "\n";
    WriteBytes("pieces.txt", "\n\r\n" + at64 + split + full + "tail\r");
    ASSERT_EQ(OpenFile(2, "pieces.txt", 1), 1);
    const char* expectedLines[] = {"", ""};
    for (const char* expectedLine : expectedLines) {
        ReadLine(2, line);
        EXPECT_STREQ(line.CText(), expectedLine);
    }
    EXPECT_EQ(FilePosition(2), 3);
    ReadLine(2, line);
    EXPECT_EQ(std::string(line.CText()), Repeat('a', 64));
    ReadLine(2, line);
    EXPECT_EQ(std::string(line.CText()), Repeat('b', 63));
    ReadLine(2, line);
    EXPECT_EQ(std::string(line.CText()), Repeat('c', 1023) + "\r");  // no line feed inside 1024 bytes
    ReadLine(2, line);
    EXPECT_STREQ(line.CText(), "");  // the line feed that followed
    ReadLine(2, line);
    EXPECT_STREQ(line.CText(), "tail");  // last line without line feed; its CR removed
    EXPECT_EQ(FilePosition(2), FileSize("pieces.txt"));
    EXPECT_EQ(EndOfFile(2), 1);

    // A last line without a line end that ends right at a piece boundary is still read whole.
    WriteBytes("edge.txt", "first\n" + Repeat('e', 128));
    ASSERT_EQ(OpenFile(3, "edge.txt", 1), 1);
    ReadLine(3, line);
    ReadLine(3, line);
    EXPECT_EQ(std::string(line.CText()), Repeat('e', 128));
    EXPECT_EQ(EndOfFile(3), 1);

    // A zero byte ends the text; a number line reads by the text-to-number rule.
    WriteBytes("zero.txt", std::string("ab\0cd\n  -12.5e1xyz\n", 19));
    ASSERT_EQ(OpenFile(4, "zero.txt", 1), 1);
    ReadLine(4, line);
    EXPECT_STREQ(line.CText(), "ab");
    double v = 0;
    ReadLineNumber(4, v);
    EXPECT_EQ(v, -125);
}

TEST_F(FileChannels, ReadStringAndSeeking) {
    WriteBytes("s.bin", std::string("hello\0world1234", 15));
    ASSERT_EQ(OpenFile(0, "s.bin", 1), 1);
    RtString text = "old";
    ReadString(0, text, 0);
    EXPECT_STREQ(text.CText(), "");
    EXPECT_EQ(FilePosition(0), 0);
    ReadString(0, text, -5);
    EXPECT_EQ(FilePosition(0), 0);
    ReadString(0, text, 11.9);  // 11 bytes; the zero byte ends the text
    EXPECT_STREQ(text.CText(), "hello");
    EXPECT_EQ(FilePosition(0), 11);

    FileSeek(0, -4, -1);  // the last four bytes
    double v = 0;
    ReadLong(0, v);
    EXPECT_EQ(v, '1' + '2' * 256.0 + '3' * 65536.0 + '4' * 16777216.0);
    EXPECT_EQ(FilePosition(0), 15);
    FileSeek(0, 1, 0);
    FileSeek(0, 2, 1);  // from here
    ReadByte(0, v);
    EXPECT_EQ(v, 'l');
    EXPECT_EQ(FilePosition(0), 4);
    FileSeek(0, 1e300, 0);  // saturated offset: only the position moves, reads then fail
    EXPECT_EQ(EndOfFile(0), 1);
    CloseFile(0);

    // The position of a closed channel still moves; nothing else happens.
    FileSeek(5, 10, 0);
    EXPECT_EQ(FilePosition(5), 10);

    // Counts beyond the file end the program before anything is allocated for them.
    ASSERT_EQ(OpenFile(1, "s.bin", 1), 1);
    EXPECT_RUNTIME_ERROR(ReadString(1, text, 16), 3);
    EXPECT_RUNTIME_ERROR(ReadString(1, text, 1e300), 3);
    ReadString(1, text, std::nan(""));  // truncates to 0 bytes
    EXPECT_STREQ(text.CText(), "");
    EXPECT_RUNTIME_ERROR(ReadString(2, text, 1), 3);  // closed channel
}

TEST_F(FileChannels, ErrorsSevenAndThreeExactlyWhereDefined) {
    const double bad[] = {-1, 8, 8.0001, -0.5, 1e300, -1e300, std::nan("")};
    for (double ch : bad) {
        EXPECT_RUNTIME_ERROR(OpenFile(ch, "x.bin", 0), 7);
        EXPECT_RUNTIME_ERROR(EndOfFile(ch), 7);
        EXPECT_RUNTIME_ERROR(WriteByte(ch, 1), 7);
    }
    RtString text;
    double v = 0;
    EXPECT_RUNTIME_ERROR(CloseFile(8), 7);
    EXPECT_RUNTIME_ERROR(FilePosition(-1), 7);
    EXPECT_RUNTIME_ERROR(FileSeek(9, 0, 0), 7);
    EXPECT_RUNTIME_ERROR(ReadLine(8, text), 7);
    EXPECT_RUNTIME_ERROR(ReadString(8, text, 1), 7);
    ReadString(8, text, 0);  // a count of 0 reads nothing and checks nothing

    // Reads and writes on closed channels, past the end, or against the open mode end with error 3.
    EXPECT_RUNTIME_ERROR(ReadByte(0, v), 3);
    EXPECT_RUNTIME_ERROR(WriteString(0, ""), 3);
    EXPECT_RUNTIME_ERROR(ReadLine(0, text), 3);
    // (A death test's child shares the parent's file offsets: channels that it reads are opened in it.)
    WriteBytes("three.bin", "abc");
    EXPECT_RUNTIME_ERROR(OpenFile(0, "three.bin", 1); ReadLong(0, v), 3);
    EXPECT_RUNTIME_ERROR(OpenFile(0, "three.bin", 1); WriteByte(0, 1), 3);
    EXPECT_RUNTIME_ERROR(OpenFile(0, "three.bin", 1); ReadWord(0, v); ReadWord(0, v), 3);

    // A file cut short after it was opened fails its read cleanly.
    ASSERT_EQ(OpenFile(1, "three.bin", 1), 1);
    std::filesystem::resize_file("three.bin", 1);
    ReadByte(1, v);
    EXPECT_RUNTIME_ERROR(ReadByte(1, v), 3);
    // A file deleted while open is still read to its end; the next open fails.
    WriteBytes("gone.bin", "xy");
    ASSERT_EQ(OpenFile(2, "gone.bin", 1), 1);
    KillFile("gone.bin");
    ReadWord(2, v);
    EXPECT_EQ(v, 'x' + 'y' * 256);
    EXPECT_EQ(OpenFile(2, "gone.bin", 1), 0);

    // Failures that are only results, never errors.
    EXPECT_EQ(OpenFile(2, "missing.bin", 1), 0);
    EXPECT_EQ(OpenFile(2, "no/such/folder/new.bin", 0), 0);
    EXPECT_EQ(OpenFile(2, std::string(1024, 'n').c_str(), 0), 0);  // longer than the path buffer
    EXPECT_EQ(FileSize("missing.bin"), 0);
    KillFile("missing.bin");
    CopyFile("missing.bin", "copy.bin");
    EXPECT_FALSE(std::filesystem::exists("copy.bin"));
    EXPECT_EQ(g_engine.errorCode, 0);
}

TEST_F(FileChannels, WholeFileHelpersNamesAndSharing) {
    std::string big;
    for (int i = 0; i < 10000; ++i) big += static_cast<char>(i * 7);
    WriteBytes("Data/Sub Dir/Big File.BIN", big);
    // Either separator, any letter case.
    EXPECT_EQ(FileSize("data\\sub dir\\big file.bin"), 10000);
    EXPECT_EQ(DoesFileExist("DATA/SUB DIR/BIG FILE.BIN"), 1);
    EXPECT_EQ(DoesFileExist("data/sub dir"), 0);  // a folder is not a file
    ASSERT_EQ(Shell("mkfifo Data/pipe"), 0);
    EXPECT_EQ(DoesFileExist("data/pipe"), 0);  // nor a FIFO, which must not block the open
    EXPECT_EQ(OpenFile(0, "data/pipe", 1), 0);
    CopyFile("data/sub dir/big file.bin", "data\\copy.bin");
    EXPECT_EQ(ReadBytes("Data/copy.bin"), big);
    CopyFile("Data/copy.bin", "Data/copy.bin");  // onto itself: nothing is lost
    EXPECT_EQ(ReadBytes("Data/copy.bin"), big);
    KillFile("DATA\\COPY.BIN");
    EXPECT_FALSE(std::filesystem::exists("Data/copy.bin"));

    // A file open for writing cannot be opened again; readers share.
    ASSERT_EQ(OpenFile(0, "data/out.txt", 0), 1);
    EXPECT_EQ(DoesFileExist("data/out.txt"), 0);
    EXPECT_EQ(OpenFile(1, "data/out.txt", 1), 0);
    EXPECT_EQ(OpenFile(1, "data/out.txt", 0), 0);
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
    EXPECT_EQ(SetCurrentDir("/"), 1);
    EXPECT_STREQ(GetCurrentDir().CText(), "/");
    EXPECT_EQ(SetCurrentDir(start), 1);

    RtString path = "a\\b\\c.txt";
    EXPECT_EQ(ToForwardSlashes(path), 9);
    EXPECT_STREQ(path.CText(), "a/b/c.txt");
}

TEST_F(FileChannels, MixedReadsAndSeeksMatchTheBytesAnywhere) {
    // 200 KB of text with lines of random length (some over 1024 bytes), read by a fixed random mix
    // of commands; every result is checked against the bytes themselves.
    std::mt19937 rng(42);
    std::string data;
    while (data.size() < 200000) {
        const std::size_t length = rng() % 9 == 0 ? 1000 + rng() % 1200 : rng() % 90;
        for (std::size_t i = 0; i < length; ++i) data += static_cast<char>('!' + rng() % 90);
        data += rng() % 4 == 0 ? "\r\n" : "\n";
    }
    WriteBytes("mixed.txt", data);
    ASSERT_EQ(OpenFile(3, "mixed.txt", 1), 1);
    std::size_t pos = 0;
    const auto le = [&](std::size_t at, int n) {
        double v = 0;
        for (int i = n - 1; i >= 0; --i)
            v = v * 256 + static_cast<unsigned char>(data[at + static_cast<std::size_t>(i)]);
        return v;
    };
    for (int step = 0; step < 20000; ++step) {
        const std::size_t left = data.size() - pos;
        double v = 0;
        RtString text;
        switch (rng() % 6) {
            case 0:
                if (left < 1) break;
                ReadByte(3, v);
                ASSERT_EQ(v, le(pos, 1)) << step;
                pos += 1;
                break;
            case 1:
                if (left < 4) break;
                ReadLong(3, v);
                ASSERT_EQ(v, le(pos, 4)) << step;
                pos += 4;
                break;
            case 2: {
                const std::size_t n =
                    std::min<std::size_t>(left, rng() % 3 == 0 ? rng() % 100000 : rng() % 300);
                if (n == 0) break;
                ReadString(3, text, static_cast<double>(n));
                ASSERT_EQ(std::string(text.CText()), data.substr(pos, n)) << step;
                pos += n;
                break;
            }
            case 3: {
                if (left == 0) break;
                // The line rule over the bytes: up to 1024 bytes, up to the first line feed.
                const std::string window = data.substr(pos, 1024);
                const std::size_t feed = window.find('\n');
                std::string expected = window.substr(0, feed);
                pos = feed != std::string::npos ? pos + feed + 1 : pos + window.size();
                if (expected.size() < 1024 && !expected.empty() && expected.back() == '\r')
                    expected.pop_back();
                ReadLine(3, text);
                ASSERT_EQ(std::string(text.CText()), expected) << step;
                break;
            }
            case 4: {
                const std::size_t target = rng() % (data.size() + 1);
                FileSeek(3, static_cast<double>(target), 0);
                pos = target;
                break;
            }
            default: {
                const int mode = static_cast<int>(rng() % 2) == 0 ? 1 : -1;
                const std::int64_t target = static_cast<std::int64_t>(rng() % (data.size() + 1));
                const std::int64_t base =
                    mode > 0 ? static_cast<std::int64_t>(pos) : static_cast<std::int64_t>(data.size());
                FileSeek(3, static_cast<double>(target - base), mode);
                pos = static_cast<std::size_t>(target);
                break;
            }
        }
        ASSERT_EQ(FilePosition(3), pos) << step;
        ASSERT_EQ(EndOfFile(3), pos >= data.size() ? 1 : 0) << step;
    }

    // A channel opened for writing reads back what it wrote, and writes land where reads left off.
    ASSERT_EQ(OpenFile(4, "rw.bin", 0), 1);
    WriteString(4, "0123456789");
    FileSeek(4, 2, 0);
    double v = 0;
    ReadByte(4, v);
    EXPECT_EQ(v, '2');
    WriteString(4, "ab");
    ReadByte(4, v);
    EXPECT_EQ(v, '5');
    CloseFile(4);
    EXPECT_EQ(ReadBytes("rw.bin"), "012ab56789");
}
