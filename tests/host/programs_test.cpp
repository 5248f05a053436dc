// Starting programs (the first word of a command line, waiting, exit codes, hostile command lines) and
// file dialogs (the filter list, the answer, FileRequest with a stand-in zenity).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "host/command_word.h"
#include "host/file_dialog.h"
#include "host/host.h"
#include "platform/system.h"

namespace {

namespace fs = std::filesystem;
using tarvok::FirstProgramWord;
using Kind = tarvok::ProgramWord::Kind;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// RunProgram's result and exit code for a command line; the caller's text stays as it was, with the
// room the game's platform expects.
std::pair<double, double> Start(const std::string& line, double wait = 1) {
    RtString text(line.c_str());
    double code = 99;
    const double started = RunProgram(text, wait, 1, code);
    EXPECT_EQ(text.CText(), line);
    EXPECT_GE(text.Capacity(), 257u);
    return {started, code};
}

// Each test runs in a fresh folder of the run's temporary directory.
class RunProgramTest : public testing::Test {
protected:
    void SetUp() override {
        const fs::path folder =
            fs::path(std::getenv("TMPDIR")) / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(folder);
        fs::current_path(folder);
    }
    void TearDown() override { fs::current_path(saved_); }
    const fs::path saved_ = fs::current_path();
};

}  // namespace

TEST(CommandWord, ReadsTheFirstWordAsTheShellSplitsIt) {
    const std::pair<const char*, const char*> words[] = {
        {"ls -l", "ls"},
        {"  \t/bin/echo", "/bin/echo"},
        {"\"my prog\" arg", "my prog"},
        {"'it''s' x", "its"},
        {"my\\ prog x", "my prog"},
        {"\"a\\\"b\\$c\\d\"", "a\"b$c\\d"},
        {"pro\\\ngram", "program"},  // a backslash before the line end joins the lines
        {"prog>out.txt", "prog"},
        {"prog;rm x", "prog"},
        {"prog|cat", "prog"},
        {"''", ""},
        {"a#b", "a#b"},
    };
    for (const auto& [line, word] : words) {
        const tarvok::ProgramWord w = FirstProgramWord(line);
        EXPECT_EQ(w.kind, Kind::kWord) << line;
        EXPECT_EQ(w.word, word) << line;
    }
    EXPECT_EQ(FirstProgramWord("").kind, Kind::kNone);
    EXPECT_EQ(FirstProgramWord(" \t\n ").kind, Kind::kNone);
    // Only the shell knows what these start.
    for (const char* line :
         {"$HOME/bin/x", "`which ls`", "\"$X\"", "*.sh", "VAR=1 prog", "(prog)", "{ prog; }", "! prog",
          "~/prog", "# comment", ">out prog", "'open", "\"open", "x\\"}) {
        EXPECT_EQ(FirstProgramWord(line).kind, Kind::kShellDecides) << line;
    }
}

TEST_F(RunProgramTest, ExitCodesAndProgramsThatCannotStart) {
    std::ofstream("plain.sh") << "exit 0\n";  // a file that is there but may not be run
    const std::string huge(100 * 1024, 'x');
    // Command line, wait, started, exit code. Exit codes are unsigned, a signal gives 128 + its number,
    // built-in commands start too, and what only the shell can start is left to it; without waiting the
    // code stays 0. A program that does not exist, or one argument over the system's limit, is not started.
    const std::tuple<std::string, double, double, double> cases[] = {
        {"sh -c 'exit 3'", 1, 1, 3},
        {"sh -c 'exit 3'", 0, 1, 0},
        {"exit 255", 1, 1, 255},
        {"sh -c 'kill -TERM $$'", 2.5, 1, 128 + 15},
        {"$SHELL_THAT_IS_UNSET true", 1, 1, 0},
        {"printf '%s' " + huge + " > huge.txt", 1, 1, 0},
        {"printf '%s' " + std::string(300 * 1024, 'y'), 1, 0, 0},
        {"tarvok_no_such_program --help", 1, 0, 0},
        {"./missing.sh", 1, 0, 0},
        {"/nonexistent/bin/prog", 1, 0, 0},
        {"", 1, 0, 0},
        {"   ", 1, 0, 0},
        {"\"\" x", 1, 0, 0},
        {"/tmp", 1, 0, 0},
        {"./plain.sh", 1, 0, 0},
        {"'nosuch\"; touch pwned; \"' x", 1, 0, 0},  // never shell text of its own
    };
    for (const auto& [line, wait, started, code] : cases) {
        EXPECT_EQ(Start(line, wait), std::make_pair(started, code)) << line.substr(0, 40);
    }
    EXPECT_EQ(Read("huge.txt"), huge);
    EXPECT_FALSE(fs::exists("pwned"));
}

TEST_F(RunProgramTest, QuotesReachTheShellAndUnwaitedProgramsRunOn) {
    EXPECT_EQ(Start("printf '%s|%s' \"a b\" 'c\"d' > out.txt", 1), std::make_pair(1.0, 0.0));
    EXPECT_EQ(Read("out.txt"), "a b|c\"d");

    EXPECT_EQ(Start("sh -c 'sleep 0.2; echo done > later.txt'", 0), std::make_pair(1.0, 0.0));
    EXPECT_FALSE(fs::exists("later.txt"));
    bool appeared = false;
    for (int i = 0; i < 1000 && !appeared; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        appeared = fs::exists("later.txt");
    }
    EXPECT_TRUE(appeared);
}

namespace {

using Strings = std::vector<std::string>;

// A stand-in dialog program in a folder of its own that becomes the whole PATH: it writes its arguments
// one per line into args.txt, prints answer.txt and ends with the status in status.txt.
class FileRequestTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_);
        setenv("PATH", folder_.c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    void InstallFakeZenity(const std::string& answer, int status) {
        std::ofstream(folder_ / "answer.txt", std::ios::binary) << answer;
        std::ofstream(folder_ / "status.txt") << status;
        std::ofstream(folder_ / "zenity")
            << "#!/bin/sh\n"
               "d=\"${0%/*}\"\n"
               "for a; do printf '%s\\n' \"$a\"; done > \"$d/args.txt\"\n"
               "while read -r l || [ -n \"$l\" ]; do printf '%s\\n' \"$l\"; done"
               " < \"$d/answer.txt\"\n"
               "read -r s < \"$d/status.txt\"\n"
               "exit \"$s\"\n";
        fs::permissions(folder_ / "zenity", fs::perms::owner_all);
    }
    Strings Arguments() const {
        std::ifstream in(folder_ / "args.txt");
        Strings lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    const std::string savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    const fs::path folder_ = fs::path(std::getenv("TMPDIR")) / "dialog";
};

}  // namespace

TEST(FileDialog, FilterTextsBecomeDescriptionAndPatternPairs) {
    auto describe = [](const std::string& filter) {
        Strings out;
        for (const tarvok::FileFilter& f : tarvok::ParseFileFilter(filter)) {
            out.push_back(f.description + ":");
            for (const std::string& p : f.patterns) out.back() += " " + p;
        }
        return out;
    };
    const std::pair<std::string, Strings> cases[] = {
        {"Pictures|*.bmp;*.png|All|*.*", {"Pictures: *.bmp *.png", "All: *.*"}},
        {" Text files |*.txt; *.ini ;|", {"Text files: *.txt *.ini"}},
        // No pairs at all, a description without patterns, and an empty item that ends the list.
        {"", {}},
        {"just text", {}},
        {"|*.txt", {}},
        {"Blank| ; ", {}},
        {"A|*.a|B", {"A: *.a"}},
        {"A|*.a||B|*.b", {"A: *.a"}},
        // Only the first 1024 bytes count: a pair that starts past them is gone, one that crosses is cut.
        {"A|" + std::string(1018, 'a') + "|B|*.b", {"A: " + std::string(1018, 'a'), "B: *"}},
        {std::string(5000, '|') + "A|*.a", {}},
        {std::string(1023, 'x') + "|*.a|B|*.b", {}},
    };
    for (const auto& [filter, pairs] : cases) EXPECT_EQ(describe(filter), pairs) << filter.substr(0, 30);

    // Only the first line of a chosen answer counts, with "/" for every "\".
    EXPECT_EQ(tarvok::DialogResult("/home/u/a b.txt\n/second\n", true), "/home/u/a b.txt");
    EXPECT_EQ(tarvok::DialogResult("/no/line/end", true), "/no/line/end");
}

TEST_F(FileRequestTest, ArgumentsAndAnswers) {
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

    // Cancel (nothing, status 1), a failed dialog whatever it printed, and an empty line choose nothing.
    const std::pair<std::string, int> nothing[] = {{"", 1}, {"/some/file\n", 1}, {"\n", 0}};
    for (const auto& [answer, status] : nothing) {
        InstallFakeZenity(answer, status);
        EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE") << answer;
    }
    // A huge answer is bounded and does not block the dialog program.
    InstallFakeZenity(std::string(200000, 'p') + "\n", 0);
    EXPECT_EQ(FileRequest(1, "").Length(), tarvok::kDialogAnswerBytes);
    // No dialog program at all.
    fs::remove(folder_ / "zenity");
    EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE");
    setenv("PATH", "", 1);
    EXPECT_STREQ(FileRequest(0, "Text|*.txt").CText(), "NO_FILE");
}
