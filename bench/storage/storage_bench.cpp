// Reading a 100 MB file through a channel by bytes, by lines and in blocks, each beside the same work
// done with fread or std::ifstream; resolving and unpacking archive entries beside plain reads.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "storage/storage.h"
#include "tools/pack_archive.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFileBytes = 100u << 20;
constexpr std::size_t kBlock = 4096;

// The working folder, made once and removed at exit.
const fs::path& Folder() {
    static const fs::path folder = [] {
        fs::path dir =
            fs::temp_directory_path() / ("tarvok-storage-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        std::atexit([] { fs::remove_all(Folder()); });
        return dir;
    }();
    return folder;
}

std::string TextLines(std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 64);
    for (int i = 0; text.size() < bytes; ++i)
        text += "line " + std::to_string(i) + " of the benchmark text file\r\n";
    text.resize(bytes);
    return text;
}

// A 100 MB text file of short lines.
const std::string& BigFile() {
    static const std::string path = [] {
        const std::string p = (Folder() / "big.txt").string();
        std::ofstream(p, std::ios::binary) << TextLines(kFileBytes);
        return p;
    }();
    return path;
}

void ChannelBytes(benchmark::State& state) {
    for (auto _ : state) {
        OpenFile(0, BigFile().c_str(), 1);
        double v = 0, sum = 0;
        while (EndOfFile(0) == 0) {
            ReadByte(0, v);
            sum += v;
        }
        CloseFile(0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
    tarvok::bench::Compare(state, {{"channel reads by bytes, 100 MB", "FreadBytes"}});
}

void FreadBytes(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* f = std::fopen(BigFile().c_str(), "rb");
        unsigned char c;
        double sum = 0;
        while (std::fread(&c, 1, 1, f) == 1) sum += c;
        std::fclose(f);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}

void ChannelLines(benchmark::State& state) {
    for (auto _ : state) {
        OpenFile(0, BigFile().c_str(), 1);
        RtString line;
        std::size_t total = 0;
        while (EndOfFile(0) == 0) {
            ReadLine(0, line);
            total += line.Length();
        }
        CloseFile(0);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
    tarvok::bench::Compare(state, {{"channel reads by lines, 100 MB", "IfstreamLines"}});
}

void IfstreamLines(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(BigFile(), std::ios::binary);
        std::string line;
        std::size_t total = 0;
        while (std::getline(in, line)) total += line.size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}

void ChannelBlocks(benchmark::State& state) {
    for (auto _ : state) {
        OpenFile(0, BigFile().c_str(), 1);
        RtString block;
        std::size_t total = 0;
        while (EndOfFile(0) == 0) {
            ReadString(0, block, kBlock);
            total += block.Length();
        }
        CloseFile(0);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
    tarvok::bench::Compare(state, {{"channel reads in blocks, 100 MB", "FreadBlocks"}});
}

void FreadBlocks(benchmark::State& state) {
    std::vector<char> block(kBlock);
    for (auto _ : state) {
        std::FILE* f = std::fopen(BigFile().c_str(), "rb");
        std::size_t total = 0;
        while (const std::size_t n = std::fread(block.data(), 1, kBlock, f)) total += n;
        std::fclose(f);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}

// An archive of 1000 small entries and one of state.range(0) bytes, listed last; the same data as a
// plain file beside it.
struct ArchiveFixture {
    std::string archive;
    std::string plain;
};

const ArchiveFixture& Archive(std::size_t entryBytes) {
    static std::string made;
    static ArchiveFixture fixture;
    const std::string key = std::to_string(entryBytes);
    if (made != key) {
        std::vector<pack::PackedEntry> entries;
        for (int i = 0; i < 1000; ++i) {
            const std::string data = "small entry " + std::to_string(i);
            entries.push_back({"small" + std::to_string(i) + ".txt",
                               pack::CompressBlock(std::span(
                                   reinterpret_cast<const std::uint8_t*>(data.data()), data.size()))});
        }
        const std::string text = TextLines(entryBytes);
        entries.push_back(
            {"target.txt", pack::CompressBlock(
                               std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))});
        const std::vector<std::uint8_t> bytes = pack::BuildArchive(entries, false);
        fixture.archive = (Folder() / ("bench-" + key + ".sbx")).string();
        fixture.plain = (Folder() / ("plain-" + key + ".txt")).string();
        std::ofstream(fixture.archive, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(fixture.plain, std::ios::binary) << text;
        made = key;
    }
    return fixture;
}

void ArchiveLookupAndRead(benchmark::State& state) {
    const ArchiveFixture& fixture = Archive(static_cast<std::size_t>(state.range(0)));
    SetArchives(fixture.archive.c_str(), fixture.archive.c_str());
    std::vector<char> buffer(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string path;
        ArchiveLookup(kDataArchive, "data/TARGET.TXT", path);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
        std::fclose(f);
    }
    ReleaseArchives();
    state.SetBytesProcessed(state.iterations() * state.range(0));
    const std::string size = std::to_string(state.range(0));
    tarvok::bench::Compare(
        state, {{"archive entry of " + size + " bytes, looked up and read", "PlainLookupAndRead/" + size}});
}

void PlainLookupAndRead(benchmark::State& state) {
    const ArchiveFixture& fixture = Archive(static_cast<std::size_t>(state.range(0)));
    std::vector<char> buffer(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string path;
        ArchiveLookup(kDataArchive, fixture.plain.c_str(), path);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
        std::fclose(f);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    const std::string size = std::to_string(state.range(0));
    tarvok::bench::Compare(state,
                           {{"plain file of " + size + " bytes, looked up and read", "FreadPlain/" + size}});
}

void FreadPlain(benchmark::State& state) {
    const ArchiveFixture& fixture = Archive(static_cast<std::size_t>(state.range(0)));
    std::vector<char> buffer(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::FILE* f = std::fopen(fixture.plain.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
        std::fclose(f);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(ChannelBytes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(FreadBytes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelLines)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(IfstreamLines)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ChannelBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(FreadBlocks)->Unit(benchmark::kMillisecond);
BENCHMARK(ArchiveLookupAndRead)->Arg(4 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainLookupAndRead)->Arg(4 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(FreadPlain)->Arg(4 << 10)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
