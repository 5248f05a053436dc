// tarvok-pack: packs a game's data files into the engine's resource archive, optionally behind the
// program file, so that a game ships as one file. Run with --help for the usage.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "storage/archive_format.h"
#include "tools/pack_archive.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: tarvok-pack [options] OUTPUT INPUT...\n"
    "\n"
    "Packs data files into an archive that a Tarvok game reads its pictures, sounds and other data\n"
    "from when no plain file of the name exists. Each file is stored compressed (LZO1X) under its\n"
    "name without any folder part; the game finds it under any folder and in any letter case.\n"
    "\n"
    "  INPUT            a file, or a folder: every file in it and in its subfolders is packed\n"
    "  --list FILE      also pack the files named in FILE, one path per line\n"
    "  --program EXE    write the program EXE first and the archive behind it: OUTPUT is then the\n"
    "                   game as one file (it keeps EXE's permissions)\n"
    "  -q, --quiet      report errors only\n"
    "  -h, --help       show this text\n"
    "\n"
    "OUTPUT is replaced if it exists, but never when it is one of the inputs or the program. Two files\n"
    "whose names differ only in letter case (or folder) cannot both be packed: the game could not tell\n"
    "them apart.\n";

struct Options {
    std::string output;
    std::string program;
    std::vector<std::string> inputs;
    std::vector<std::string> lists;
    bool quiet = false;
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "tarvok-pack: %s\n", message.c_str());
    return 1;
}

// Options, or an error text in error; help asked for sets help.
bool ParseArguments(int argc, char** argv, Options& options, bool& help, std::string& error) {
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            help = true;
            return true;
        }
        if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--list" || arg == "--program") {
            if (i + 1 >= argc) {
                error = arg + " needs a file name";
                return false;
            }
            (arg == "--list" ? options.lists.emplace_back() : options.program) = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            error = "unknown option " + arg + " (see --help)";
            return false;
        } else {
            plain.push_back(arg);
        }
    }
    if (plain.empty()) {
        error = "no OUTPUT given (see --help)";
        return false;
    }
    options.output = plain.front();
    options.inputs.assign(plain.begin() + 1, plain.end());
    return true;
}

bool ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

// Every file to pack, in a stable order: folders are walked recursively, their files sorted.
bool CollectFiles(const Options& options, std::vector<fs::path>& files, std::string& error) {
    std::vector<std::string> named = options.inputs;
    for (const std::string& list : options.lists) {
        std::ifstream in(list);
        if (!in) {
            error = "cannot read the list " + list;
            return false;
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) named.push_back(line);
        }
    }
    for (const std::string& name : named) {
        std::error_code ec;
        if (fs::is_directory(name, ec)) {
            std::vector<fs::path> found;
            for (fs::recursive_directory_iterator it(name, ec), end; !ec && it != end; it.increment(ec)) {
                if (it->is_regular_file(ec)) found.push_back(it->path());
            }
            if (ec) {
                error = "cannot read the folder " + name + ": " + ec.message();
                return false;
            }
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else if (fs::is_regular_file(name, ec)) {
            files.emplace_back(name);
        } else {
            error = "no such file or folder: " + name;
            return false;
        }
    }
    if (files.empty()) {
        error = "nothing to pack";
        return false;
    }
    return true;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// Entry names must be usable by the engine and unique ignoring case.
bool CheckNames(const std::vector<fs::path>& files, std::string& error) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = files[i].filename().string();
        if (!tarvok::IsPlainEntryName(name)) {
            error = "the name of " + files[i].string() + " is longer than 255 bytes";
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (tarvok::EqualIgnoringCase(name, files[j].filename().string())) {
                error = files[j].string() + " and " + files[i].string() + " would share the entry " + name;
                return false;
            }
        }
    }
    return true;
}

bool WriteOutput(const Options& options, const std::vector<std::uint8_t>& archive, std::string& error) {
    const fs::path output = options.output;
    fs::path temporary = output;
    temporary += ".tarvok-pack-part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot write " + temporary.string();
            return false;
        }
        if (!options.program.empty()) {
            std::ifstream program(options.program, std::ios::binary);
            out << program.rdbuf();
        }
        out.write(reinterpret_cast<const char*>(archive.data()),
                  static_cast<std::streamsize>(archive.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    if (!options.program.empty()) fs::permissions(temporary, fs::status(options.program).permissions(), ec);
    if (!ec) fs::rename(temporary, output, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = "cannot write " + output.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool help = false;
    std::string error;
    if (!ParseArguments(argc, argv, options, help, error)) return Fail(error);
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::vector<fs::path> files;
    if (!CollectFiles(options, files, error) || !CheckNames(files, error)) return Fail(error);
    if (!options.program.empty() && !fs::is_regular_file(options.program))
        return Fail("no such program file: " + options.program);
    std::vector<fs::path> inputs = files;
    inputs.insert(inputs.end(), options.lists.begin(), options.lists.end());
    for (const fs::path& input : inputs) {
        if (SameFile(input, options.output)) return Fail("refusing to overwrite the input " + input.string());
    }
    if (!options.program.empty() && SameFile(options.program, options.output))
        return Fail("refusing to overwrite the program " + options.program + " (give another OUTPUT)");

    std::vector<pack::PackedEntry> entries;
    std::uint64_t originalTotal = 0;
    for (const fs::path& file : files) {
        std::vector<std::uint8_t> data;
        if (!ReadWholeFile(file, data)) return Fail("cannot read " + file.string());
        pack::PackedEntry entry{file.filename().string(), pack::CompressBlock(data)};
        if (entry.block.empty()) return Fail(file.string() + " is too large to pack");
        if (!options.quiet)
            std::printf("  %-40s %12zu -> %12zu bytes\n", entry.name.c_str(), data.size(),
                        entry.block.size());
        originalTotal += data.size();
        entries.push_back(std::move(entry));
    }
    const std::vector<std::uint8_t> archive = pack::BuildArchive(entries, !options.program.empty());
    if (archive.empty())
        return Fail("the archive would be larger than 2 GiB, which the format cannot address");
    if (!WriteOutput(options, archive, error)) return Fail(error);
    if (!options.quiet) {
        std::printf("Packed %zu files, %llu bytes, into a %zu-byte archive%s: %s\n", entries.size(),
                    static_cast<unsigned long long>(originalTotal), archive.size(),
                    options.program.empty() ? "" : (" behind " + options.program).c_str(),
                    options.output.c_str());
    }
    return 0;
}
