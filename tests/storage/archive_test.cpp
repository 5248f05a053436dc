// Archives made by the packing tool and by hand, lzop's view of the tool's output, and damaged archives.
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/system.h"
#include "storage/archive_format.h"
#include "storage_test_util.h"

using namespace storage_test;

namespace {

using Archive = StorageTest;

const std::string kPackTool = TARVOK_PACK_TOOL;
const std::string kFixtures = "python3 " + std::string(TARVOK_SOURCE_DIR) + "/tests/storage/lzo_fixtures.py";

std::string Le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// LZO1X data written by hand: one literal run of 4..238 bytes, then the end-of-stream code.
std::string LiteralLzo(const std::string& bytes) {
    return static_cast<char>(17 + bytes.size()) + bytes + std::string("\x11\x00\x00", 3);
}

std::string Block(const std::string& original) {
    return Le32(static_cast<std::uint32_t>(original.size())) + LiteralLzo(original);
}

// Blocks, directory and trailer behind prefix; offsets from the start of the file or (fromEnd) its end.
std::string HandArchive(const std::vector<std::pair<std::string, std::string>>& entries, bool fromEnd = false,
                        std::string body = "") {
    std::vector<std::size_t> at;  // where each block starts, then the directory
    for (const auto& entry : entries) at.push_back(body.size()), body += entry.second;
    at.push_back(body.size());
    std::size_t total = body.size() + 8;  // with the directory's end mark and the trailer
    for (const auto& entry : entries) total += 1 + entry.first.size() + 8;
    const auto offset = [&](std::size_t i) { return Le32(std::uint32_t(at[i] - (fromEnd ? total : 0))); };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [name, block] = entries[i];
        body += char(name.size()) + name + offset(i) + Le32(std::uint32_t(block.size()));
    }
    return body + '\0' + "sbX" + offset(entries.size());
}

// The path a lookup gives, or "<none>" (a miss leaves the path empty).
std::string Lookup(const char* name, int slot = kDataArchive) {
    std::string out = "junk";
    return ArchiveLookup(slot, name, out) ? out : out.empty() ? "<none>" : "<none, but " + out + ">";
}

std::string TextData(int lines) {
    std::string s;
    for (int i = 0; i < lines; ++i) s += "line " + std::to_string(i) + " of a compressible text file\r\n";
    return s;
}

std::string RandomData(std::size_t n) {
    std::mt19937 rng(1234);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

// The number of extracted files still in the temporary directory.
long ExtractedFiles() {
    return std::count_if(fs::directory_iterator(platform::TempDir()), {}, [](const fs::directory_entry& e) {
        return e.path().filename().string().rfind("sbx", 0) == 0;
    });
}

}  // namespace

TEST_F(Archive, ToolArchiveResolvesEveryEntryByteForByte) {
    // Found by base name in any case and separator; a 252-byte name extracts shorter, with its extension.
    const std::string text = TextData(3000), random = RandomData(70000), picture = RandomData(999) + "BMP",
                      longName = std::string(248, 'n') + ".png", longLookup = std::string(248, 'N') + ".png";
    const struct { const char *stored, *lookup; std::string bytes; } files[] = {
        {"readme.txt", "readme.txt", text}, {"noise.bin", "NOISE.BIN", random}, {"empty", "empty", ""},
        {"gfx/Pic.BMP", "other\\folder\\PIC.bmp", picture}, {longName.c_str(), longLookup.c_str(), text},
        {"my file.with.dots", "my file.with.dots", "spaces and dots"}};
    for (const auto& f : files) WriteBytes(fs::path("assets") / f.stored, f.bytes);
    ASSERT_EQ(Shell(kPackTool + " -q game.sbx assets"), 0);
    SetArchives("game.sbx", "game.sbx");
    std::string previous;
    for (const auto& f : files) {
        const std::string path = Lookup(f.lookup);
        EXPECT_EQ(path.rfind(platform::TempDir() + "sbx", 0), 0u) << path;
        EXPECT_EQ(fs::path(path).extension(), fs::path(f.stored).extension()) << path;
        EXPECT_EQ(ReadBytes(path), f.bytes) << f.lookup;
        // Each lookup deletes the slot's previous extraction, unless it was for another path.
        EXPECT_FALSE(!previous.empty() && previous != path && fs::exists(previous)) << previous;
        previous = path;
    }
    // Looking up the extracted path again hands it back and keeps it (loaders do this).
    EXPECT_EQ(Lookup(previous.c_str()), previous);
    EXPECT_EQ(ReadBytes(previous), "spaces and dots");
    // Misses give 0 and an empty path, and do not stop later lookups.
    EXPECT_EQ(Lookup("absent.txt") + Lookup(""), "<none><none>");
    EXPECT_EQ(ReadBytes(Lookup("readme.txt")), text);
    // A plain file wins over the entry, found in any case and with either separator.
    WriteBytes("Readme.TXT", "plain");
    WriteBytes("Data/Pic.bmp", "plain picture");
    EXPECT_EQ(Lookup("readme.txt") + Lookup("data\\PIC.BMP"), "Readme.TXTData/Pic.bmp");

    // The second slot works on its own: its extraction of an entry is not the first slot's file.
    const std::string media = Lookup("noise.bin", kMediaArchive), data = Lookup("noise.bin");
    Lookup("readme.txt");
    EXPECT_FALSE(fs::exists(data));
    EXPECT_EQ(ReadBytes(media), random);
    EXPECT_EQ(Lookup("noise.bin", 3), "<none>");
}

TEST_F(Archive, LzopUnpacksToolOutputAndBadRequestsAreRefused) {
    WriteBytes("in/a.txt", TextData(2000));
    WriteBytes("in/b.txt", TextData(50) + "b");
    WriteBytes("program", RandomData(5000));
    WriteBytes("list.txt", "in/a.txt\r\nin/b.txt\n");
    ASSERT_EQ(Shell(kPackTool + " -q plain.sbx --list list.txt"), 0);
    ASSERT_EQ(Shell(kPackTool + " -q --program program game in"), 0);
    for (const char* archive : {"plain.sbx", "game"}) {
        fs::remove_all("out");
        fs::create_directories("out");
        ASSERT_EQ(Shell(kFixtures + " unpack " + archive + " out"), 0) << archive;
        EXPECT_EQ(ReadBytes("out/a.txt"), TextData(2000));
        EXPECT_EQ(ReadBytes("out/b.txt"), TextData(50) + "b");
    }
    EXPECT_EQ(ReadBytes("game").substr(0, 5000), RandomData(5000));  // the program is intact in front

    // Refused, with no output made and no input changed: names equal but for case, an output that is an
    // input (the list file too), a missing input, an unknown option.
    WriteBytes("in/sub/A.TXT", "b");
    for (const char* arguments : {"out.sbx in", "in/a.txt in/a.txt", "list.txt --list list.txt",
                                  "--program in/a.txt in/a.txt in/sub/A.TXT", "out.sbx missing", "--bogus"}) {
        EXPECT_NE(Shell(kPackTool + " -q " + arguments + " >/dev/null 2>&1"), 0) << arguments;
    }
    EXPECT_EQ(ReadBytes("in/a.txt") + ReadBytes("list.txt"), TextData(2000) + "in/a.txt\r\nin/b.txt\n");
    EXPECT_FALSE(fs::exists("out.sbx"));
}

TEST_F(Archive, HandWrittenArchivesAndTheirTemporaryFiles) {
    // Behind other bytes with offsets from the end; no compressed bytes at all is an empty file.
    WriteBytes("game.exe", HandArchive({{"first.txt", Block("first entry")}, {"hello.txt", Block("Hello!")}},
                                       true, RandomData(3000)));
    WriteBytes("e.sbx", HandArchive({{"nothing", Le32(0)}}));
    SetArchives("game.exe", "e.sbx");
    EXPECT_EQ(ReadBytes(Lookup("hello.txt")), "Hello!");
    EXPECT_EQ(ReadBytes(Lookup("nothing", kMediaArchive)), "");
    EXPECT_EQ(ExtractedFiles(), 2);
    SetArchives("game.exe", "game.exe");  // removes the last extractions
    EXPECT_EQ(ExtractedFiles(), 0);
    EXPECT_EQ(ReadBytes(Lookup("first.txt", kMediaArchive)), "first entry");

    // Extractions through both slots are gone after a run-time error and after the program's end.
    for (const bool error : {true, false}) {
        EXPECT_EXIT(
            {
                SetShutdownHandler([] { FlushStorageFiles(), ReleaseArchives(); });
                SetArchives("game.exe", "game.exe");
                Lookup("first.txt");
                Lookup("hello.txt", kMediaArchive);
                if (ExtractedFiles() != 2) platform::ExitProcess(1);
                error ? RaiseRuntimeError(kErrorFile) : EndProgram();
            },
            testing::ExitedWithCode(0), "");
        EXPECT_EQ(ExtractedFiles(), 0);
    }
}

TEST_F(Archive, DamagedArchivesFailCleanly) {
    const std::string good = HandArchive({{"k.txt", Block("kept entry")}});
    // No trailer or no file switches the slot off for good; a bad directory only fails the lookup.
    const std::string noDir = good.substr(0, good.size() - 4);
    const std::string truncatedDir = std::string("\xC8k.txt") + "sbX" + Le32(0);  // an entry of 200 bytes
    const std::pair<std::string, int> archives[] = {
        {RandomData(100), 0}, {"sbX", 0}, {"", 0}, {"<missing>", 0}, {noDir + Le32(0x7fffffff), 1},
        {noDir + Le32(0x80000000u), 1}, {noDir + Le32(0xFFFFFFFFu), 1}, {truncatedDir, 1}};
    for (const auto& [bytes, enabled] : archives) {
        fs::remove("bad.sbx");
        if (bytes != "<missing>") WriteBytes("bad.sbx", bytes);
        SetArchives("bad.sbx", "");
        EXPECT_EQ(Lookup("k.txt"), "<none>");
        EXPECT_EQ(g_engine.archives[0]->enabled, enabled) << bytes.size();
        WriteBytes("bad.sbx", good);  // switched off means not looked at again
        EXPECT_EQ(Lookup("k.txt") == "<none>", enabled == 0);
    }

    // Data blocks outside the file, too short, or with LZO data that does not give the stated size.
    const std::string lzo = LiteralLzo("twelve bytes");
    const std::pair<std::string, std::string> damaged[] = {
        {"short.bin", "ab"}, {"more.bin", Le32(13) + lzo}, {"less.bin", Le32(11) + lzo},  // one byte off
        {"huge.bin", Le32(0xFFFFFFFFu) + lzo}, {"junk.bin", Le32(12) + RandomData(40)},  // huge: unallocated
        {"cut.bin", Le32(12) + lzo.substr(0, lzo.size() - 2)}, {"far.bin", Block("twelve bytes")}};
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    for (const auto& [name, block] : damaged) {
        std::string bytes = HandArchive({{name, block}});
        if (name == "far.bin") bytes.replace(bytes.size() - 7 - 1 - 8, 4, Le32(5000));  // the data offset
        WriteBytes("bad.sbx", bytes);
        SetArchives("bad.sbx", "");
        std::remove(ErrorLogPath().CText());
        EXPECT_EQ(Lookup(name.c_str()), "<none>") << name;
        EXPECT_NE(ReadErrorLog().find("ARCHIVE: [bad.sbx] entry \"" + name + "\""), std::string::npos)
            << ReadErrorLog();
        EXPECT_EQ(ExtractedFiles(), 0);
    }
    EXPECT_NE(ReadErrorLog().find("outside the archive"), std::string::npos);
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "a stated size was allocated unchecked";
}

TEST_F(Archive, ExtractionStaysInTheTemporaryDirectory) {
    const std::string bytes = Block("should never be written");
    WriteBytes("evil.sbx", HandArchive({{"../evil.txt", bytes}, {"sub/evil2.txt", bytes},
                                        {"x\\evil3.txt", bytes}, {std::string("evil4.txt\0x", 11), bytes},
                                        {"..", bytes}}));
    SetArchives("evil.sbx", "");
    for (const char* name :
         {"../evil.txt", "evil.txt", "sub/evil2.txt", "evil2.txt", "evil3.txt", "evil4.txt"})
        EXPECT_EQ(Lookup(name), "<none>") << name;
    // ".." is a plain entry name: it can only become "sbx??.." inside the temporary directory.
    EXPECT_EQ(fs::path(Lookup("x/..")).parent_path(), fs::path(platform::TempDir()).parent_path());
    EXPECT_FALSE(fs::exists(work_.parent_path() / "evil.txt"));

    // A temporary path that cannot be written: the defined message on standard output, result 0.
    WriteBytes("t.sbx", HandArchive({{"t.txt", Block("temporary")}}));
    SetArchives("t.sbx", "");
    const tarvok::ArchiveEntry entry{"t.txt", 0, static_cast<std::uint32_t>(Block("temporary").size())};
    const std::string blocked = platform::TempDir() + tarvok::ExtractedFileName(entry, kDataArchive);
    fs::create_directories(blocked + "/inside");
    testing::internal::CaptureStdout();
    EXPECT_EQ(Lookup("t.txt"), "<none>");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "can't open \"" + blocked + "\" for writing\n");
    fs::remove_all(blocked);
}

TEST(ArchiveFormat, PositionsAndDirectoryEnds) {
    // Offsets from the start or (negative) from the end; the end itself is a position, beyond is not.
    const struct { std::int32_t offset; bool fromEnd; int position; } positions[] = {
        {-4, true, 6}, {4, false, 4}, {10, false, 10}, {11, false, -1}, {-11, true, -1}, {-1, false, -1},
        {1, true, -1}};
    for (const auto& p : positions) {
        const auto at = tarvok::ArchivePosition(p.offset, p.fromEnd, 10);
        EXPECT_EQ(at ? static_cast<int>(*at) : -1, p.position) << p.offset << " " << p.fromEnd;
    }
    // A directory that stops right after an entry, without its end mark, is truncated, not read past.
    const std::uint8_t dir[] = {2, 'a', 'b', 1, 0, 0, 0, 5, 0, 0, 0};
    std::size_t cursor = 0;
    tarvok::ArchiveEntry entry;
    using enum tarvok::DirectoryStep;
    EXPECT_EQ(tarvok::NextArchiveEntry(tarvok::ByteSpan(dir), cursor, entry), kEntry);
    EXPECT_EQ(tarvok::NextArchiveEntry(tarvok::ByteSpan(dir), cursor, entry), kTruncated);
    EXPECT_FALSE(tarvok::EqualIgnoringCase("\xC4", "\xE4"));  // ASCII letters only
}
