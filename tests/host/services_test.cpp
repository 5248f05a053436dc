// Calling the game's subroutines by name, debug text for a debugger, and the command line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/host.h"
#include "platform/process.h"
#include "runtime/engine_globals.h"
#include "tests/host/child_run.h"

namespace {

int g_punches = 0;
int g_wins = 0;
int g_firstDuplicate = 0;
void Punch() { ++g_punches; }
void Win() { ++g_wins; }
void FirstDuplicate() { ++g_firstDuplicate; }
void SecondDuplicate() { std::abort(); }

// A table as a translated game program writes it: a static array ending with the null row.
const SubroutineEntry kGameSubroutines[] = {
    {Punch, "punch"},          {Win, "WIN"},
    {nullptr, "declared"},  // a row without an entry counts as not found
    {FirstDuplicate, "twice"}, {SecondDuplicate, "twice"},
    {nullptr, nullptr},
};

class CallByNameTest : public testing::Test {
protected:
    void SetUp() override {
        SetSubroutineTable(kGameSubroutines);
        g_punches = g_wins = g_firstDuplicate = 0;
    }
    void TearDown() override { SetSubroutineTable(nullptr); }
};

}  // namespace

TEST_F(CallByNameTest, CallsTheFirstSubroutineOfExactlyThatName) {
    EXPECT_EQ(CallByName("punch"), 1.0);
    EXPECT_EQ(CallByName("WIN"), 1.0);
    EXPECT_EQ(CallByName("WIN"), 1.0);
    EXPECT_EQ(CallByName("twice"), 1.0);
    EXPECT_EQ(g_punches, 1);
    EXPECT_EQ(g_wins, 2);
    EXPECT_EQ(g_firstDuplicate, 1);

    // Case-sensitive, whole names only; a row without an entry and the end row give 0.
    for (const char* name : {"Punch", "win", "punc", "punch ", "nosuch", "declared", ""}) {
        EXPECT_EQ(CallByName(name), 0.0) << name;
    }
    EXPECT_EQ(g_punches, 1);
    EXPECT_EQ(g_wins, 2);

    EXPECT_EQ(FindSubByName("WIN"), &Win);
    EXPECT_EQ(FindSubByName("twice"), &FirstDuplicate);
    EXPECT_EQ(FindSubByName("Punch"), nullptr);
    EXPECT_EQ(FindSubByName("declared"), nullptr);
    EXPECT_EQ(FindSubByName("nosuch"), nullptr);

    // A game without a table: every name reaches the end at once.
    SetSubroutineTable(nullptr);
    EXPECT_EQ(CallByName("punch"), 0.0);
    EXPECT_EQ(FindSubByName("punch"), nullptr);
}

TEST_F(CallByNameTest, FailuresAreReportedToADebuggerOnly) {
    const auto failTwice = [] {
        CallByName("Punch");
        CallByName("declared");
        CallByName("punch");  // a success says nothing
    };
    const ChildResult quiet = RunInChild(false, failTwice);
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.errorText, "");

    const ChildResult traced = RunInChild(true, failTwice);
    SKIP_IF_TRACE_REFUSED(traced);
    EXPECT_EQ(traced.exitStatus, 0);
    EXPECT_EQ(traced.errorText,
              "TXCALLBYNAME \"Punch\" *** failed ***\n"
              "TXCALLBYNAME \"declared\" *** failed ***\n");
}

TEST(DebugOut, WritesOnlyWhileADebuggerIsAttached) {
    const auto write = [] {
        DebugOut("hello");
        DebugOut("line end of its own\n");
        DebugOut("");
        DebugOut(RtString(std::string(100000, 'z').c_str()));
    };
    const ChildResult quiet = RunInChild(false, write);
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.errorText, "");

    const ChildResult traced = RunInChild(true, write);
    SKIP_IF_TRACE_REFUSED(traced);
    EXPECT_EQ(traced.exitStatus, 0);
    EXPECT_EQ(traced.errorText, "TXhello\nTXline end of its own\nTX\nTX" + std::string(100000, 'z') + "\n");
}

// What a program writes on standard error (its standard output is dropped).
// The leak checker of a sanitizer build cannot work under a debugger, so it is off for these runs.
std::string ErrorTextOf(std::vector<std::string> argv, int& status) {
    argv.insert(argv.begin(),
                {"/bin/sh", "-c", "ASAN_OPTIONS=detect_leaks=0 exec \"$0\" \"$@\" 2>&1 >/dev/null"});
    std::string output;
    platform::RunCapturingOutput(argv, 1 << 20, output, status);
    return output;
}

TEST(DebugOut, ReachesARealDebugger) {
    int status = -1;
    EXPECT_EQ(ErrorTextOf({TARVOK_HOST_DEBUG_PROBE, "hello debugger"}, status), "");
    EXPECT_EQ(status, 0);

    if (!platform::ProgramExists("gdb")) GTEST_SKIP() << "gdb is not installed";
    const std::string text = ErrorTextOf({"gdb", "-batch", "-nx", "-ex", "set disable-randomization off",
                                          "-ex", "run", "--args", TARVOK_HOST_DEBUG_PROBE, "hello debugger"},
                                         status);
    if (text.find("TX") == std::string::npos && text.find("ptrace") != std::string::npos) {
        GTEST_SKIP() << "gdb may not trace here: " << text;
    }
    EXPECT_NE(text.find("TXhello debugger\n"), std::string::npos) << text;
    EXPECT_NE(text.find("TXDECLARE module not found: missing_module.dll\n"), std::string::npos) << text;
}

TEST(CommandLineText, IsACopyOfTheStartArguments) {
    g_engine.commandLine = "-level 3 \"my save.dat\"";
    RtString line = CommandLine();
    EXPECT_STREQ(line.CText(), "-level 3 \"my save.dat\"");
    line.Append(" changed");
    EXPECT_STREQ(CommandLine().CText(), "-level 3 \"my save.dat\"");
    g_engine.commandLine = "";
    EXPECT_EQ(CommandLine().Length(), 0u);
}
