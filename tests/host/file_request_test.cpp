// File dialogs: the filter list, the dialog program's arguments and answers, and a stand-in zenity.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/file_dialog.h"
#include "host/host.h"
#include "platform/system.h"

namespace {

namespace fs = std::filesystem;
using tarvok::FileFilter;
using Strings = std::vector<std::string>;

Strings Describe(const std::vector<FileFilter>& filters) {
    Strings out;
    for (const FileFilter& f : filters) {
        std::string line = f.description + ":";
        for (const std::string& p : f.patterns) line += " " + p;
        out.push_back(line);
    }
    return out;
}

// A stand-in dialog program in a folder of its own that becomes the whole PATH: it writes its arguments
// one per line into args.txt and answers with answer.txt (when present) and the exit status in
// status.txt.
class FileRequestTest : public testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        folder_ = fs::path(std::getenv("TMPDIR")) / "dialog";
        fs::create_directories(folder_);
        setenv("PATH", folder_.c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    void InstallFakeZenity(const std::string& answer, int status) {
        std::ofstream(folder_ / "answer.txt", std::ios::binary) << answer;
        std::ofstream(folder_ / "status.txt") << status;
        const fs::path script = folder_ / "zenity";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "d=\"${0%/*}\"\n"
                                 "for a; do printf '%s\\n' \"$a\"; done > \"$d/args.txt\"\n"
                                 "while read -r line || [ -n \"$line\" ]; do printf '%s\\n' \"$line\"; done"
                                 " < \"$d/answer.txt\"\n"
                                 "read -r s < \"$d/status.txt\"\n"
                                 "exit \"$s\"\n";
        fs::permissions(script, fs::perms::owner_all);
    }
    Strings Arguments() const {
        std::ifstream in(folder_ / "args.txt");
        Strings lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string savedPath_;
    fs::path folder_;
};

}  // namespace

TEST(FileDialog, FilterTextsBecomeDescriptionAndPatternPairs) {
    using tarvok::ParseFileFilter;
    EXPECT_EQ(Describe(ParseFileFilter("Pictures|*.bmp;*.png|All|*.*")),
              (Strings{"Pictures: *.bmp *.png", "All: *.*"}));
    EXPECT_EQ(Describe(ParseFileFilter(" Text files |*.txt; *.ini ;|")),
              (Strings{"Text files: *.txt *.ini"}));
    // No pairs at all, a description without patterns, and an empty item that ends the list.
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_TRUE(ParseFileFilter("just text").empty());
    EXPECT_TRUE(ParseFileFilter("|*.txt").empty());
    EXPECT_TRUE(ParseFileFilter("Blank| ; ").empty());
    EXPECT_EQ(Describe(ParseFileFilter("A|*.a|B")), (Strings{"A: *.a"}));
    EXPECT_EQ(Describe(ParseFileFilter("A|*.a||B|*.b")), (Strings{"A: *.a"}));
    // Only the first 1024 bytes count: a pair that starts past them is gone, one that crosses is cut.
    const std::string first = "A|" + std::string(1018, 'a') + "|B|*.b";  // "B|*" ends at byte 1024
    EXPECT_EQ(Describe(ParseFileFilter(first)), (Strings{"A: " + std::string(1018, 'a'), "B: *"}));
    EXPECT_EQ(ParseFileFilter(std::string(5000, '|') + "A|*.a").size(), 0u);
    EXPECT_EQ(ParseFileFilter(std::string(1023, 'x') + "|*.a|B|*.b").size(), 0u);  // "*.a" is cut off
}

TEST(FileDialog, ArgumentsAndAnswers) {
    using tarvok::DialogArguments;
    using tarvok::DialogResult;
    EXPECT_EQ(DialogArguments(true, {}), (Strings{"zenity", "--file-selection"}));
    EXPECT_EQ(DialogArguments(false, {{"Pictures", {"*.bmp", "*.png"}}}),
              (Strings{"zenity", "--file-selection", "--save", "--file-filter=Pictures | *.bmp *.png"}));
    EXPECT_EQ(DialogResult("C:\\games\\a.txt\n", true), "C:/games/a.txt");
    EXPECT_EQ(DialogResult("/home/u/a b.txt\n/second\n", true), "/home/u/a b.txt");
    EXPECT_EQ(DialogResult("/no/line/end", true), "/no/line/end");
    EXPECT_EQ(DialogResult("\n", true), "NO_FILE");
    EXPECT_EQ(DialogResult("", true), "NO_FILE");
    EXPECT_EQ(DialogResult("/chosen\n", false), "NO_FILE");
}

TEST_F(FileRequestTest, ChosenPathComesBackWithSlashes) {
    InstallFakeZenity("C:\\games\\a.txt\n", 0);
    const std::string before = platform::CurrentDirectory();
    EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "C:/games/a.txt");
    EXPECT_EQ(Arguments(), (Strings{"--file-selection", "--file-filter=Text | *.txt"}));
    EXPECT_EQ(platform::CurrentDirectory(), before);

    EXPECT_STREQ(FileRequest(0, "Pictures|*.bmp;*.png|All|*.*").CText(), "C:/games/a.txt");
    EXPECT_EQ(Arguments(), (Strings{"--file-selection", "--save", "--file-filter=Pictures | *.bmp *.png",
                                    "--file-filter=All | *.*"}));

    // Filters without pairs, and filters far over 1024 bytes: the dialog opens with what fits.
    EXPECT_STREQ(FileRequest(2.5, "no pairs here").CText(), "C:/games/a.txt");
    EXPECT_EQ(Arguments(), (Strings{"--file-selection"}));
    std::string longFilter = "Many|";
    while (longFilter.size() < 100000) longFilter += "*.x;";
    FileRequest(1, longFilter.c_str());
    const Strings args = Arguments();
    ASSERT_EQ(args.size(), 2u);
    EXPECT_LE(args[1].size(), std::string("--file-filter=Many | ").size() + 1024);
}

TEST_F(FileRequestTest, CancelOrNoDialogProgramGivesNoFile) {
    InstallFakeZenity("", 1);  // zenity's answer to Cancel: nothing, status 1
    EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE");
    InstallFakeZenity("/some/file\n", 1);  // whatever it printed, a failed dialog chose nothing
    EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE");
    InstallFakeZenity("\n", 0);
    EXPECT_STREQ(FileRequest(0, "").CText(), "NO_FILE");

    // A huge answer is bounded and does not block the dialog program.
    InstallFakeZenity(std::string(200000, 'p') + "\n", 0);
    EXPECT_EQ(FileRequest(1, "").Length(), tarvok::kDialogAnswerBytes);

    fs::remove(folder_ / "zenity");
    EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE");
    setenv("PATH", "", 1);
    EXPECT_STREQ(FileRequest(0, "Text|*.txt").CText(), "NO_FILE");
}
