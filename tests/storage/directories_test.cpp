// Directory listing and the wildcard rule.
#include <algorithm>
#include <string>
#include <vector>

#include "storage/storage.h"
#include "storage_test_util.h"

using namespace storage_test;

namespace {

class Directories : public StorageTest {};

std::vector<std::string> Names(const RtArray<RtString>& list) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < list.Count(); ++i) names.emplace_back(list.ElementAt(i).CText());
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
    fs::create_directories("list");
    for (const char* name : {"A.TXT", "b.txt", "c.bmp", "with space.txt", "no point"})
        WriteBytes(fs::path("list") / name, "x");
    ASSERT_EQ(SetCurrentDir("list"), 1);
    RtArray<RtString> list;
    EXPECT_EQ(GetFileList("*.txt", list), 2 * 65536 + 3);
    std::vector<std::string> names = Names(list);
    ASSERT_EQ(names.size(), 5u);
    // Folders come first, then the files, each in the order the system reports them.
    std::vector<std::string> folders(names.begin(), names.begin() + 2), files(names.begin() + 2, names.end());
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(folders, (std::vector<std::string>{".", ".."}));
    EXPECT_EQ(files, (std::vector<std::string>{"A.TXT", "b.txt", "with space.txt"}));

    // Folders are listed whatever the pattern; "" matches no file.
    fs::create_directories("Sub.Folder");
    EXPECT_EQ(GetFileList("", list), 3 * 65536);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(GetFileList("?.bmp", list), 3 * 65536 + 1);
    EXPECT_EQ(std::string(list.ElementAt(3).CText()), "c.bmp");
    EXPECT_EQ(GetFileList("*", list), 3 * 65536 + 5);

    // An empty folder lists "." and "..".
    ASSERT_EQ(SetCurrentDir("sub.folder"), 1);
    EXPECT_EQ(GetFileList("*", list), 2 * 65536);
    EXPECT_EQ(list.Count(), 2);

    // A folder that cannot be listed (removed while current) gives no elements and 0.
    fs::remove(fs::current_path());
    EXPECT_EQ(GetFileList("*", list), 0);
    EXPECT_EQ(list.Count(), 0);
}
