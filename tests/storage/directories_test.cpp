// Directory listing and the wildcard rule.
#include <algorithm>
#include <string>
#include <vector>

#include "storage_test_util.h"

using namespace storage_test;

namespace {

using Directories = StorageTest;

// The folders (sorted), then the files (sorted): each group comes in the order the system reports.
std::vector<std::string> Listed(const char* pattern, double expected) {
    RtArray<RtString> list;
    EXPECT_EQ(GetFileList(pattern, list), expected) << pattern;
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < list.Count(); ++i) names.emplace_back(list.ElementAt(i).CText());
    const auto folders = names.begin() + static_cast<std::ptrdiff_t>(expected / 65536);
    std::sort(names.begin(), std::min(folders, names.end()));
    std::sort(std::min(folders, names.end()), names.end());
    return names;
}

}  // namespace

TEST(Wildcards, StarsQuestionMarksAndCase) {
    // "?" is one character but never a point; a star retries further along the name; trailing stars
    // match nothing; only ASCII letters ignore case.
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
    EXPECT_EQ(Listed("*", 3 * 65536 + 5).size(), 8u);
    ASSERT_EQ(SetCurrentDir("sub.folder"), 1);
    EXPECT_EQ(Listed("*", 2 * 65536), (Names{".", ".."}));
    // A folder that cannot be listed (removed while current) gives no elements and 0.
    fs::remove(fs::current_path());
    EXPECT_EQ(Listed("*", 0), Names{});
}
