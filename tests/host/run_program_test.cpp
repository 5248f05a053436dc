// Starting programs: the first word of a command line, waiting, exit codes, hostile command lines.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "host/command_word.h"
#include "host/host.h"

namespace {

namespace fs = std::filesystem;
using tarvok::FirstProgramWord;
using Kind = tarvok::ProgramWord::Kind;

// A fresh working folder in the run's temporary directory; the test runs inside it.
class RunProgramTest : public testing::Test {
protected:
    void SetUp() override {
        saved_ = fs::current_path();
        folder_ =
            fs::path(std::getenv("TMPDIR")) / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(folder_);
        fs::current_path(folder_);
    }
    void TearDown() override { fs::current_path(saved_); }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Waits up to 10 s for a file that a program started without waiting writes.
    static bool AppearsWithin10s(const fs::path& path) {
        for (int i = 0; i < 1000; ++i) {
            if (fs::exists(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    fs::path saved_;
    fs::path folder_;
};

}  // namespace

TEST(CommandWord, ReadsTheFirstWordAsTheShellSplitsIt) {
    const auto word = [](std::string_view line) {
        const tarvok::ProgramWord w = FirstProgramWord(line);
        EXPECT_EQ(w.kind, Kind::kWord) << line;
        return w.word;
    };
    EXPECT_EQ(word("ls -l"), "ls");
    EXPECT_EQ(word("  \t/bin/echo"), "/bin/echo");
    EXPECT_EQ(word("\"my prog\" arg"), "my prog");
    EXPECT_EQ(word("'it''s' x"), "its");
    EXPECT_EQ(word("my\\ prog x"), "my prog");
    EXPECT_EQ(word("\"a\\\"b\\$c\\d\""), "a\"b$c\\d");
    EXPECT_EQ(word("pro\\\ngram"), "program");  // a backslash before the line end joins the lines
    EXPECT_EQ(word("prog>out.txt"), "prog");
    EXPECT_EQ(word("prog;rm x"), "prog");
    EXPECT_EQ(word("prog|cat"), "prog");
    EXPECT_EQ(word("''"), "");
    EXPECT_EQ(word("a#b"), "a#b");

    EXPECT_EQ(FirstProgramWord("").kind, Kind::kNone);
    EXPECT_EQ(FirstProgramWord(" \t\n ").kind, Kind::kNone);
    // Only the shell knows what these start.
    for (std::string_view line :
         {"$HOME/bin/x", "`which ls`", "\"$X\"", "*.sh", "VAR=1 prog", "(prog)", "{ prog; }", "! prog",
          "~/prog", "# comment", ">out prog", "'open", "\"open", "x\\"}) {
        EXPECT_EQ(FirstProgramWord(line).kind, Kind::kShellDecides) << line;
    }
}

TEST_F(RunProgramTest, WaitsForTheExitCodeOnlyWhenAsked) {
    RtString line("sh -c 'exit 3'");
    double code = -1;
    EXPECT_EQ(RunProgram(line, 1, 1, code), 1.0);
    EXPECT_EQ(code, 3.0);
    EXPECT_GE(line.Capacity(), 257u);  // the room the game's platform expects
    EXPECT_STREQ(line.CText(), "sh -c 'exit 3'");

    code = -1;
    EXPECT_EQ(RunProgram(line, 0, 0, code), 1.0);
    EXPECT_EQ(code, 0.0);

    // Without waiting the program runs on by itself.
    RtString later("sh -c 'sleep 0.2; echo done > later.txt'");
    EXPECT_EQ(RunProgram(later, 0, 1, code), 1.0);
    EXPECT_FALSE(fs::exists("later.txt"));
    EXPECT_TRUE(AppearsWithin10s(folder_ / "later.txt"));

    // Exit codes as unsigned numbers; a signal gives 128 + its number; built-in commands start too.
    RtString big("exit 255");
    EXPECT_EQ(RunProgram(big, 1, 1, code), 1.0);
    EXPECT_EQ(code, 255.0);
    RtString killed("sh -c 'kill -TERM $$'");
    EXPECT_EQ(RunProgram(killed, 2.5, 1, code), 1.0);
    EXPECT_EQ(code, 128.0 + 15.0);
    RtString viaVariable("$SHELL_THAT_IS_UNSET true");  // left to the shell, which runs "true"
    EXPECT_EQ(RunProgram(viaVariable, 1, 1, code), 1.0);
    EXPECT_EQ(code, 0.0);
}

TEST_F(RunProgramTest, AProgramThatDoesNotExistIsNotStarted) {
    double code = 99;
    RtString missing("tarvok_no_such_program --help");
    EXPECT_EQ(RunProgram(missing, 1, 1, code), 0.0);
    EXPECT_EQ(code, 0.0);
    for (const char* text : {"./missing.sh", "/nonexistent/bin/prog", "", "   ", "\"\" x", "/tmp"}) {
        RtString line(text);
        code = 99;
        EXPECT_EQ(RunProgram(line, 1, 1, code), 0.0) << text;
        EXPECT_EQ(code, 0.0) << text;
    }
    // A file that is there but may not be run.
    std::ofstream("plain.sh") << "exit 0\n";
    RtString notExecutable("./plain.sh");
    EXPECT_EQ(RunProgram(notExecutable, 1, 1, code), 0.0);
}

TEST_F(RunProgramTest, CommandLinesReachTheShellWhole) {
    double code = -1;
    // Quotes and redirections are the shell's: the command line asks for them itself.
    RtString quoted("printf '%s|%s' \"a b\" 'c\"d' > out.txt");
    EXPECT_EQ(RunProgram(quoted, 1, 0, code), 1.0);
    EXPECT_EQ(code, 0.0);
    EXPECT_EQ(Read("out.txt"), "a b|c\"d");

    // 100 KB in one argument.
    const std::string payload(100 * 1024, 'x');
    RtString huge(("printf '%s' " + payload + " > huge.txt").c_str());
    EXPECT_EQ(RunProgram(huge, 1, 1, code), 1.0);
    EXPECT_EQ(code, 0.0);
    EXPECT_EQ(Read("huge.txt"), payload);

    // More than the system passes to a program in one argument: not started.
    RtString tooLong(("printf '%s' " + std::string(300 * 1024, 'y')).c_str());
    EXPECT_EQ(RunProgram(tooLong, 1, 1, code), 0.0);
    EXPECT_EQ(code, 0.0);

    // A first word that names no program never becomes shell text of its own.
    RtString sneaky("'nosuch\"; touch pwned1; \"' x");
    EXPECT_EQ(RunProgram(sneaky, 1, 1, code), 0.0);
    EXPECT_FALSE(fs::exists("pwned1"));
}
