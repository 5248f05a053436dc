// Library functions and subroutines bound by name, text that reaches a debugger, the command line,
// starting programs (first word, waiting, exit codes, hostile lines) and file dialogs.
#include "host/host.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/command_line.h"
#include "host/command_word.h"
#include "host/file_dialog.h"
#include "host/library_binding.h"
#include "host/library_names.h"
#include "platform/system.h"
#include "runtime/engine_globals.h"

namespace {

void* Declare(const std::string& module, const char* function) {
    RtString name(module.c_str());
    void* address = &name;
    DeclareFunction(name, function, address);
    return address;
}

int Call(void* function, int a = 0, int b = 0) { return reinterpret_cast<int (*)(int, int)>(function)(a, b); }

namespace fs = std::filesystem;
using Kind = tarvok::ProgramWord::Kind;
using Strings = std::vector<std::string>;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(LibraryNames, WindowsNamesAlsoTryThePlatformsLibraryNames) {
    const std::tuple<const char*, const char*, Strings> cases[] = {
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

TEST(LibraryBinding, LoadsEachModuleOnceInAnyCaseByPathOrSystemName) {
    // Hostile names load nothing: an empty one (not the program's own symbols), 10 KB, nowhere, a folder.
    std::string deep;
    for (int i = 0; i < 1024; ++i) deep += "d\\..\\";
    EXPECT_EQ(Declare("", "strlen"), nullptr);
    for (const std::string& name : {std::string(10240, 'A'), deep + "x.dll",
                                    std::string("../../../nosuch/lib.dll"), std::string("/tmp/")})
        EXPECT_EQ(Declare(name, "TestAdd"), nullptr) << name.substr(0, 40);
    EXPECT_EQ(tarvok::BoundModuleCount(), 0u);

    // The test library sits beside this program, as a game's libraries do. The caller's text is lowered
    // in its own buffer; one copy is loaded whatever the case, so both bindings share one counter.
    RtString first("Tarvok_Host_TestLib.DLL");
    const char* buffer = first.Data();
    void* add = nullptr;
    DeclareFunction(first, "TestAdd", add);
    ASSERT_NE(add, nullptr);
    EXPECT_STREQ(first.CText(), "tarvok_host_testlib.dll");
    EXPECT_EQ(first.Data(), buffer);
    EXPECT_EQ(Call(add, 2, 40), 42);
    void* counter = Declare("TARVOK_HOST_TESTLIB.DLL", "TestNextCall");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(Declare("tarvok_host_testlib.dll", "TestNextCall"), counter);
    EXPECT_EQ(tarvok::BoundModuleCount(), 1u);
    const int calls = Call(counter);
    EXPECT_EQ(Call(counter), calls + 1);

    // A game's own library in a folder of its own, named in another case with "\\" separators, is found
    // as this platform names it; a library the system's loader finds by its own name loads too.
    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "Plugins";
    fs::create_directories(folder);
    fs::copy_file(TARVOK_HOST_TEST_LIBRARY, folder / "libMyPlugin.so", fs::copy_options::overwrite_existing);
    std::string windowsPath = (folder / "MyPlugin.dll").string();
    std::transform(windowsPath.begin(), windowsPath.end(), windowsPath.begin(),
                   [](char c) { return c == '/' ? '\\' : static_cast<char>(std::toupper(c)); });
    void* plugin = Declare(windowsPath, "TestAdd");
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(Call(plugin, -5, 3), -2);
    void* strlenAddress = Declare("LIBC.SO.6", "strlen");
    ASSERT_NE(strlenAddress, nullptr);
    EXPECT_EQ(reinterpret_cast<std::size_t (*)(const char*)>(strlenAddress)("four"), 4u);
    EXPECT_EQ(tarvok::BoundModuleCount(), 3u);

    // The program's end unloads every module; a declaration after it loads the library anew.
    ReleaseBoundModules();
    EXPECT_EQ(tarvok::BoundModuleCount(), 0u);
    void* handle = dlopen(TARVOK_HOST_TEST_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(handle, nullptr);
    if (handle) dlclose(handle);
    EXPECT_NE(Declare("tarvok_host_testlib.dll", "TestAdd"), nullptr);
    EXPECT_EQ(tarvok::BoundModuleCount(), 1u);
    ReleaseBoundModules();
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

}  // namespace

TEST(CallByName, CallsTheFirstSubroutineOfExactlyThatName) {
    SetSubroutineTable(kGameSubroutines);
    for (const char* name : {"punch", "WIN", "WIN", "twice"}) EXPECT_EQ(CallByName(name), 1.0) << name;
    // Case-sensitive, whole names only; a row without an entry and the end row give 0.
    for (const char* name : {"Punch", "win", "punc", "punch ", "nosuch", "declared", ""}) {
        EXPECT_EQ(CallByName(name), 0.0) << name;
        EXPECT_EQ(FindSubByName(name), nullptr) << name;
    }
    EXPECT_EQ(std::vector({g_punches, g_wins, g_firstDuplicate}), std::vector({1, 2, 1}));
    EXPECT_EQ(FindSubByName("WIN"), &Win);
    EXPECT_EQ(FindSubByName("twice"), &FirstDuplicate);
    // A game without a table: every name reaches the end at once.
    SetSubroutineTable(nullptr);
    EXPECT_EQ(CallByName("punch"), 0.0);
    EXPECT_EQ(FindSubByName("punch"), nullptr);
}

namespace {

// The debug probe's exit status (77: tracing refused) and standard error, traced by this process when
// asked; a sanitizer build's leak checker cannot work under a tracer, so it is off.
std::pair<int, std::string> RunDebugProbe(bool traced) {
    const std::string errors = std::string(std::getenv("TMPDIR")) + "/probe-errors.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        if (traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(77);
        execl(TARVOK_HOST_DEBUG_PROBE, TARVOK_HOST_DEBUG_PROBE, "hello", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        const long signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(signal));
    }
    std::ifstream in(errors);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            std::string(std::istreambuf_iterator<char>(in), {})};
}

}  // namespace

TEST(DebugOutput, FailuresAndDebugTextReachOnlyADebugger) {
    const std::string expected = "TXhello\nTXline end of its own\nTX\nTX" + std::string(100000, 'z') +
                                 "\nTXCALLBYNAME \"Punch\" *** failed ***\n"
                                 "TXCALLBYNAME \"declared\" *** failed ***\n"
                                 "TXDECLARE module not found: nosuchmodule.dll\n";
    EXPECT_EQ(RunDebugProbe(false), std::make_pair(0, std::string()));
    const auto [status, text] = RunDebugProbe(true);
    if (status == 77) GTEST_SKIP() << "ptrace is not permitted here";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text, expected);
}

namespace {

// Splits a command line by the game platform's rules: blanks (space, tab) separate outside quotes; a
// quote opens or closes a group and "" inside a group is a literal quote; 2n backslashes before a quote
// give n backslashes, 2n+1 give n and a literal quote; other backslashes are themselves.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    for (std::size_t i = line.find_first_not_of(" \t"); i != std::string::npos;
         i = line.find_first_not_of(" \t", i)) {
        std::string arg;
        for (bool quoted = false; i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'));) {
            std::size_t n = 0;
            while (line[i + n] == '\\') ++n;  // line[size()] is the terminating zero
            const bool quote = line[i + n] == '"';
            arg.append(quote ? n / 2 : n, '\\');
            i += n;
            if (quote && n % 2 == 0 && quoted && line[i + 1] == '"') {
                arg += '"';
                i += 2;
            } else if (quote && n % 2 == 0) {
                quoted = !quoted;
                ++i;
            } else if (quote || n == 0) {
                arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::string Join(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"game"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    return tarvok::JoinCommandLine(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(CommandLineText, SplitsBackIntoTheStartArgumentsAndIsACopy) {
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
    const std::string alphabet = "a \\\"\t";
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> args(rng() % 4);
        for (std::string& a : args)
            for (std::size_t n = rng() % 7; n > 0; --n) a += alphabet[rng() % alphabet.size()];
        ASSERT_EQ(SplitCommandLine(Join(args)), args) << Join(args);
    }

    // CommandLine hands out a copy of the text kept at the start.
    g_engine.commandLine = "-level 3 \"my save.dat\"";
    CommandLine().Append(" changed");
    EXPECT_STREQ(CommandLine().CText(), "-level 3 \"my save.dat\"");
    g_engine.commandLine = "";
    EXPECT_EQ(CommandLine().Length(), 0u);
}

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
