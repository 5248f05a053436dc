// Runs a fuzz target over files: each argument is a file, or a folder whose files are all run. A fault
// ends the program (the sanitizer build reports it); a missing argument is an error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz.h"

namespace fs = std::filesystem;

namespace {

void RunFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (fs::is_directory(argv[i], ec)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[i])) {
                if (!entry.is_regular_file()) continue;
                RunFile(entry.path());
                ++count;
            }
        } else if (fs::is_regular_file(argv[i], ec)) {
            RunFile(argv[i]);
            ++count;
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("%d inputs replayed\n", count);
    return 0;
}
