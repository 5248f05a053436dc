// Starting programs (first word, waiting, exit codes, hostile lines) and file dialogs (filters, answers).
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
using Kind = tarvok::ProgramWord::Kind;
using Strings = std::vector<std::string>;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
        const tarvok::ProgramWord w = tarvok::FirstProgramWord(line);
        EXPECT_EQ(w.kind, Kind::kWord) << line;
        EXPECT_EQ(w.word, word) << line;
    }
    EXPECT_EQ(tarvok::FirstProgramWord("").kind, Kind::kNone);
    EXPECT_EQ(tarvok::FirstProgramWord(" \t\n ").kind, Kind::kNone);
    // Only the shell knows what these start.
    for (const char* line :
         {"$HOME/bin/x", "`which ls`", "\"$X\"", "*.sh", "VAR=1 prog", "(prog)", "{ prog; }", "! prog",
          "~/prog", "# comment", ">out prog", "'open", "\"open", "x\\"})
        EXPECT_EQ(tarvok::FirstProgramWord(line).kind, Kind::kShellDecides) << line;
}

TEST(RunProgram, ExitCodesQuotesAndProgramsThatCannotStart) {
    const fs::path saved = fs::current_path(), folder = fs::path(std::getenv("TMPDIR")) / "programs";
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ofstream("plain.sh") << "exit 0\n";  // a file that is there but may not be run
    const std::string huge(100 * 1024, 'x');
    // Line, wait, started, code: codes are unsigned, a signal gives 128 + its number, built-ins and what
    // only the shell can start are left to it, unwaited programs run on with code 0; a missing program or
    // an argument over the system's limit does not start.
    const std::tuple<std::string, double, double, double> cases[] = {
        {"sh -c 'exit 3'", 1, 1, 3},
        {"sh -c 'exit 3'", 0, 1, 0},
        {"exit 255", 1, 1, 255},
        {"sh -c 'kill -TERM $$'", 2.5, 1, 128 + 15},
        {"$SHELL_THAT_IS_UNSET true", 1, 1, 0},
        {"printf '%s|%s' \"a b\" 'c\"d' > out.txt", 1, 1, 0},
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
        {"sh -c 'sleep 0.2; echo done > later.txt'", 0, 1, 0},
    };
    for (const auto& [line, wait, started, code] : cases) {
        // The caller's text stays as it was, with the room the game's platform expects.
        RtString text(line.c_str());
        double exitCode = 99;
        EXPECT_EQ(RunProgram(text, wait, 1, exitCode), started) << line.substr(0, 40);
        EXPECT_EQ(exitCode, code) << line.substr(0, 40);
        EXPECT_EQ(text.CText(), line);
        EXPECT_GE(text.Capacity(), 257u);
    }
    EXPECT_FALSE(fs::exists("later.txt"));
    EXPECT_EQ(Read("out.txt"), "a b|c\"d");
    EXPECT_EQ(Read("huge.txt"), huge);
    EXPECT_FALSE(fs::exists("pwned"));
    for (int i = 0; i < 1000 && !fs::exists("later.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists("later.txt"));
    fs::current_path(saved);
}

TEST(FileDialog, FilterTextsBecomeDescriptionAndPatternPairs) {
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
    for (const auto& [filter, pairs] : cases) {
        Strings got;
        for (const tarvok::FileFilter& f : tarvok::ParseFileFilter(filter)) {
            got.push_back(f.description + ":");
            for (const std::string& p : f.patterns) got.back() += " " + p;
        }
        EXPECT_EQ(got, pairs) << filter.substr(0, 30);
    }
    // Only the first line of a chosen answer counts.
    EXPECT_EQ(tarvok::DialogResult("/home/u/a b.txt\n/second\n", true), "/home/u/a b.txt");
    EXPECT_EQ(tarvok::DialogResult("/no/line/end", true), "/no/line/end");
}

TEST(FileRequest, ArgumentsAndAnswersOfAStandInDialog) {
    // A stand-in zenity, alone on the PATH, writes its arguments to args.txt and prints the answer.
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "dialog";
    fs::create_directories(folder);
    setenv("PATH", folder.c_str(), 1);
    const auto dialog = [&folder](const std::string& answer, int status) {
        std::ofstream(folder / "zenity")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"${0%/*}/args.txt\"\nprintf '%s' '" << answer
            << "'\nexit " << status << "\n";
        fs::permissions(folder / "zenity", fs::perms::owner_all);
    };
    // The answer's "\" become "/"; the current folder stays.
    dialog("C:\\games\\a.txt\n", 0);
    const std::string before = platform::CurrentDirectory();
    EXPECT_STREQ(FileRequest(2.5, "Text|*.txt").CText(), "C:/games/a.txt");  // any true value opens
    EXPECT_EQ(Read(folder / "args.txt"), "--file-selection\n--file-filter=Text | *.txt\n");
    EXPECT_EQ(platform::CurrentDirectory(), before);
    EXPECT_STREQ(FileRequest(0, "Pictures|*.bmp;*.png|All|*.*").CText(), "C:/games/a.txt");
    EXPECT_EQ(Read(folder / "args.txt"),
              "--file-selection\n--save\n--file-filter=Pictures | *.bmp *.png\n--file-filter=All | *.*\n");
    // Cancel (nothing, status 1), a failed dialog whatever it printed, and an empty line choose nothing.
    for (const auto& [answer, status] :
         {std::pair{"", 1}, std::pair{"/some/file\n", 1}, std::pair{"\n", 0}}) {
        dialog(answer, status);
        EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE") << answer;
    }
    // A huge answer is bounded and does not block the dialog program.
    dialog(std::string(200000, 'p') + "\n", 0);
    EXPECT_EQ(FileRequest(1, "").Length(), tarvok::kDialogAnswerBytes);
    // No dialog program at all.
    fs::remove(folder / "zenity");
    EXPECT_STREQ(FileRequest(1, "Text|*.txt").CText(), "NO_FILE");
    setenv("PATH", "", 1);
    EXPECT_STREQ(FileRequest(0, "Text|*.txt").CText(), "NO_FILE");
    setenv("PATH", savedPath.c_str(), 1);
}
