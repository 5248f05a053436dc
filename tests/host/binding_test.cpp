// Functions of shared libraries bound by name, the game's subroutines called by name, what reaches a
// debugger, and the command line.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "host/command_line.h"
#include "host/host.h"
#include "host/library_binding.h"
#include "host/library_names.h"
#include "platform/process.h"
#include "runtime/engine_globals.h"
#include "tests/host/child_run.h"

namespace {

using AddFunction = int (*)(int, int);
using CounterFunction = int (*)();

// The test library sits beside this test program, as a game's libraries sit beside the game.
const std::string kLibraryPath = TARVOK_HOST_TEST_LIBRARY;

void* Declare(const std::string& module, const char* function) {
    RtString name(module.c_str());
    void* address = &name;
    DeclareFunction(name, function, address);
    return address;
}

class LibraryBinding : public testing::Test {
protected:
    void TearDown() override { ReleaseBoundModules(); }
};

}  // namespace

TEST(LibraryNames, WindowsNamesAlsoTryThePlatformsLibraryNames) {
    using V = std::vector<std::string>;
    const std::tuple<const char*, const char*, V> cases[] = {
        {"user32.dll",
         "/opt/game",
         {"/opt/game/user32.dll", "user32.dll", "/opt/game/libuser32.so", "libuser32.so",
          "/opt/game/user32.so", "user32.so"}},
        // A name without any extension is a library name too; the program directory may end in "/".
        {"kernel32",
         "/g/",
         {"/g/kernel32", "kernel32", "/g/libkernel32.so", "libkernel32.so", "/g/kernel32.so", "kernel32.so"}},
        // Paths (either separator) are tried only where they point.
        {"plugins\\audio.dll", "/g", {"plugins/audio.dll", "plugins/libaudio.so", "plugins/audio.so"}},
        {"/usr/lib/libz.so.1", "/g", {"/usr/lib/libz.so.1"}},
        // Names that are already this platform's, or have no stem, are tried as given only.
        {"libm.so.6", "", {"libm.so.6"}},
        {".dll", "", {".dll"}},
        {"dir/", "", {"dir/"}},
        {"", "/g", {}},
    };
    for (const auto& [name, folder, tried] : cases)
        EXPECT_EQ(tarvok::LibraryCandidates(name, folder), tried) << name;
}

TEST_F(LibraryBinding, SameModuleInAnyCaseLoadsOnceAndLowersTheCallersText) {
    RtString first("Tarvok_Host_TestLib.DLL");
    const char* buffer = first.Data();
    void* add = nullptr;
    DeclareFunction(first, "TestAdd", add);
    ASSERT_NE(add, nullptr);
    EXPECT_STREQ(first.CText(), "tarvok_host_testlib.dll");
    EXPECT_EQ(first.Data(), buffer);  // lowered in place, in the caller's own buffer
    EXPECT_EQ(reinterpret_cast<AddFunction>(add)(2, 40), 42);

    void* counter = Declare("TARVOK_HOST_TESTLIB.DLL", "TestNextCall");
    void* counterAgain = Declare("tarvok_host_testlib.dll", "TestNextCall");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(tarvok::BoundModuleCount(), 1u);
    EXPECT_EQ(counter, counterAgain);
    const int before = reinterpret_cast<CounterFunction>(counter)();
    EXPECT_EQ(reinterpret_cast<CounterFunction>(counterAgain)(), before + 1);  // one copy, one counter

    // The end of the program closes every module: nothing of the library stays loaded.
    ReleaseBoundModules();
    EXPECT_EQ(tarvok::BoundModuleCount(), 0u);
    void* handle = dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(handle, nullptr);
    if (handle) dlclose(handle);
    // A declaration after that loads it anew.
    EXPECT_NE(Declare("tarvok_host_testlib.dll", "TestAdd"), nullptr);
    EXPECT_EQ(tarvok::BoundModuleCount(), 1u);
}

TEST_F(LibraryBinding, PathsAndSystemNamesLoad) {
    // A game's own library in a folder of its own, named in another case and with "\\" separators: the
    // lowered path is found whatever the case of the real names, and as this platform names libraries.
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "Plugins";
    fs::create_directories(folder);
    fs::copy_file(kLibraryPath, folder / "libMyPlugin.so", fs::copy_options::overwrite_existing);
    std::string windowsPath = (folder / "MyPlugin.dll").string();
    std::transform(windowsPath.begin(), windowsPath.end(), windowsPath.begin(),
                   [](char c) { return c == '/' ? '\\' : static_cast<char>(std::toupper(c)); });
    void* add = Declare(windowsPath, "TestAdd");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(reinterpret_cast<AddFunction>(add)(-5, 3), -2);

    // A library the system's loader finds by its own name.
    void* strlenAddress = Declare("LIBC.SO.6", "strlen");
    ASSERT_NE(strlenAddress, nullptr);
    EXPECT_EQ(reinterpret_cast<std::size_t (*)(const char*)>(strlenAddress)("four"), 4u);
    EXPECT_EQ(tarvok::BoundModuleCount(), 2u);
}

TEST_F(LibraryBinding, HostileModuleNamesFailCleanly) {
    std::string deep;
    for (int i = 0; i < 1024; ++i) deep += "d\\..\\";
    // An empty name must not bind the program's own symbols; 10 KB names, with and without separators,
    // paths that lead nowhere and a directory load nothing.
    EXPECT_EQ(Declare("", "strlen"), nullptr);
    for (const std::string& name : {std::string(10240, 'A'), deep + "x.dll",
                                    std::string("../../../../../../nosuch/lib.dll"), std::string("/tmp/")}) {
        EXPECT_EQ(Declare(name, "TestAdd"), nullptr) << name.substr(0, 40);
    }
    EXPECT_EQ(tarvok::BoundModuleCount(), 0u);
}

namespace {

int g_punches = 0, g_wins = 0, g_firstDuplicate = 0;
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

// What a program writes on standard error (its standard output is dropped). The leak checker of a
// sanitizer build cannot work under a debugger, so it is off for these runs.
std::string ErrorTextOf(std::vector<std::string> argv, int& status) {
    argv.insert(argv.begin(),
                {"/bin/sh", "-c", "ASAN_OPTIONS=detect_leaks=0 exec \"$0\" \"$@\" 2>&1 >/dev/null"});
    std::string output;
    platform::RunCapturingOutput(argv, 1 << 20, output, status);
    return output;
}

}  // namespace

TEST(CallByName, CallsTheFirstSubroutineOfExactlyThatName) {
    SetSubroutineTable(kGameSubroutines);
    for (const char* name : {"punch", "WIN", "WIN", "twice"}) EXPECT_EQ(CallByName(name), 1.0) << name;
    // Case-sensitive, whole names only; a row without an entry and the end row give 0.
    for (const char* name : {"Punch", "win", "punc", "punch ", "nosuch", "declared", ""}) {
        EXPECT_EQ(CallByName(name), 0.0) << name;
        EXPECT_EQ(FindSubByName(name), nullptr) << name;
    }
    EXPECT_EQ(g_punches, 1);
    EXPECT_EQ(g_wins, 2);
    EXPECT_EQ(g_firstDuplicate, 1);
    EXPECT_EQ(FindSubByName("WIN"), &Win);
    EXPECT_EQ(FindSubByName("twice"), &FirstDuplicate);

    // A game without a table: every name reaches the end at once.
    SetSubroutineTable(nullptr);
    EXPECT_EQ(CallByName("punch"), 0.0);
    EXPECT_EQ(FindSubByName("punch"), nullptr);
}

TEST(DebugOutput, FailuresAndDebugTextReachOnlyADebugger) {
    SetSubroutineTable(kGameSubroutines);
    const auto body = [] {
        DebugOut("hello");
        DebugOut("line end of its own\n");
        DebugOut("");
        DebugOut(RtString(std::string(100000, 'z').c_str()));
        CallByName("Punch");
        CallByName("declared");
        CallByName("punch");  // a success says nothing
        void* address = &address;
        RtString missing("NoSuchModule.DLL"), library("tarvok_host_testlib.dll");
        DeclareFunction(missing, "TestAdd", address);
        if (address != nullptr) std::abort();
        address = &address;  // a missing function of a library that loads says nothing
        DeclareFunction(library, "NoSuchFunction", address);
        if (address != nullptr) std::abort();
        DeclareFunction(library, "", address);
        if (address != nullptr) std::abort();
        ReleaseBoundModules();
    };
    const ChildResult quiet = RunInChild(false, body);
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.errorText, "");

    const ChildResult traced = RunInChild(true, body);
    SKIP_IF_TRACE_REFUSED(traced);
    EXPECT_EQ(traced.exitStatus, 0);
    EXPECT_EQ(traced.errorText, "TXhello\nTXline end of its own\nTX\nTX" + std::string(100000, 'z') +
                                    "\nTXCALLBYNAME \"Punch\" *** failed ***\n"
                                    "TXCALLBYNAME \"declared\" *** failed ***\n"
                                    "TXDECLARE module not found: nosuchmodule.dll\n");
    SetSubroutineTable(nullptr);
}

TEST(DebugOutput, ReachesARealDebugger) {
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
    line.Append(" changed");
    EXPECT_STREQ(CommandLine().CText(), "-level 3 \"my save.dat\"");
    g_engine.commandLine = "";
    EXPECT_EQ(CommandLine().Length(), 0u);
}

namespace {

// Splits a command line by the usual rules of the game's own platform: blanks (space, tab) separate
// outside quotes; a double quote opens or closes a group, and "" inside a group is a literal quote;
// 2n backslashes before a quote give n backslashes, 2n+1 give n and a literal quote; other backslashes
// are themselves.
std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return args;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                std::size_t n = 0;
                while (i + n < line.size() && line[i + n] == '\\') ++n;
                const bool quoteFollows = i + n < line.size() && line[i + n] == '"';
                arg.append(quoteFollows ? n / 2 : n, '\\');
                i += n;
                if (quoteFollows && n % 2 == 1) arg += line[i++];
            } else if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
}

std::string Join(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"game"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return tarvok::JoinCommandLine(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(CommandLineText, SplitsBackIntoTheStartArguments) {
    const std::vector<std::string> example = {"a", "b c", "d\"e", "", "f\\g"};
    EXPECT_EQ(Join(example), "a \"b c\" \"d\\\"e\" \"\" f\\g");
    const std::vector<std::vector<std::string>> cases = {
        {},
        example,
        {"dir\\", "my dir\\", "\\\"", "a\\\\\"b", "\\\\server\\share\\"},
        {"\t", " ", "\"\"", "\"", "x\"\"y", "  two  spaces  "},
    };
    for (const auto& args : cases) EXPECT_EQ(SplitCommandLine(Join(args)), args) << Join(args);
    // Random arguments made of the characters that matter, with a fixed seed.
    std::mt19937 rng(26);
    const std::string_view alphabet = "a \\\"\t";
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> args(rng() % 4);
        for (std::string& a : args) {
            for (std::size_t n = rng() % 7; n > 0; --n) a += alphabet[rng() % alphabet.size()];
        }
        ASSERT_EQ(SplitCommandLine(Join(args)), args) << Join(args);
    }
}
