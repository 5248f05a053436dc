// Binding functions of shared libraries: the module table, the names tried, the failure reports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/host.h"
#include "host/library_binding.h"
#include "host/library_names.h"
#include "tests/host/child_run.h"

namespace {

using AddFunction = int (*)(int, int);
using CounterFunction = int (*)();

// The test library sits beside this test program, as a game's libraries sit beside the game.
const std::string kLibraryPath = TARVOK_HOST_TEST_LIBRARY;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

bool LibraryLoaded() {
    void* handle = dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

class LibraryBinding : public testing::Test {
protected:
    void TearDown() override { ReleaseBoundModules(); }
};

}  // namespace

TEST(LibraryNames, WindowsNamesAlsoTryThePlatformsLibraryNames) {
    using tarvok::LibraryCandidates;
    using V = std::vector<std::string>;
    EXPECT_EQ(LibraryCandidates("user32.dll", "/opt/game"),
              (V{"/opt/game/user32.dll", "user32.dll", "/opt/game/libuser32.so", "libuser32.so",
                 "/opt/game/user32.so", "user32.so"}));
    // A name without any extension is a library name too; the program directory may end in "/".
    EXPECT_EQ(LibraryCandidates("kernel32", "/g/"), (V{"/g/kernel32", "kernel32", "/g/libkernel32.so",
                                                       "libkernel32.so", "/g/kernel32.so", "kernel32.so"}));
    // Paths (either separator) are tried only where they point.
    EXPECT_EQ(LibraryCandidates("plugins\\audio.dll", "/g"),
              (V{"plugins/audio.dll", "plugins/libaudio.so", "plugins/audio.so"}));
    EXPECT_EQ(LibraryCandidates("/usr/lib/libz.so.1", "/g"), (V{"/usr/lib/libz.so.1"}));
    // Names that are already this platform's, or have no stem, are tried as given only.
    EXPECT_EQ(LibraryCandidates("libm.so.6", ""), (V{"libm.so.6"}));
    EXPECT_EQ(LibraryCandidates(".dll", ""), (V{".dll"}));
    EXPECT_EQ(LibraryCandidates("dir/", ""), (V{"dir/"}));
    EXPECT_TRUE(LibraryCandidates("", "/g").empty());
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

    RtString second("TARVOK_HOST_TESTLIB.DLL");
    void* counter = nullptr;
    DeclareFunction(second, "TestNextCall", counter);
    ASSERT_NE(counter, nullptr);
    RtString third("tarvok_host_testlib.dll");
    void* counterAgain = nullptr;
    DeclareFunction(third, "TestNextCall", counterAgain);
    EXPECT_EQ(tarvok::BoundModuleCount(), 1u);
    EXPECT_EQ(counter, counterAgain);
    const int before = reinterpret_cast<CounterFunction>(counter)();
    EXPECT_EQ(reinterpret_cast<CounterFunction>(counterAgain)(), before + 1);  // one copy, one counter

    // The end of the program closes every module: nothing of the library stays loaded.
    ReleaseBoundModules();
    EXPECT_EQ(tarvok::BoundModuleCount(), 0u);
    EXPECT_FALSE(LibraryLoaded());
    // A declaration after that loads it anew.
    DeclareFunction(third, "TestAdd", add);
    EXPECT_NE(add, nullptr);
    EXPECT_EQ(tarvok::BoundModuleCount(), 1u);
}

TEST_F(LibraryBinding, PathsAndSystemNamesLoad) {
    // A game's own library in a folder of its own, named in another case and with "\\" separators: the
    // lowered path is found whatever the case of the real names, and as this platform names libraries.
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "Plugins";
    fs::create_directories(folder);
    fs::copy_file(kLibraryPath, folder / "libMyPlugin.so", fs::copy_options::overwrite_existing);
    std::string windowsPath = Upper((folder / "MyPlugin.dll").string());
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    RtString byPath(windowsPath.c_str());
    void* add = nullptr;
    DeclareFunction(byPath, "TestAdd", add);
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(reinterpret_cast<AddFunction>(add)(-5, 3), -2);

    // A library the system's loader finds by its own name.
    RtString libc("LIBC.SO.6");
    void* strlenAddress = nullptr;
    DeclareFunction(libc, "strlen", strlenAddress);
    ASSERT_NE(strlenAddress, nullptr);
    EXPECT_EQ(reinterpret_cast<std::size_t (*)(const char*)>(strlenAddress)("four"), 4u);
    EXPECT_EQ(tarvok::BoundModuleCount(), 2u);
}

TEST_F(LibraryBinding, MissingFunctionGivesNullAndNoMessageEvenUnderADebugger) {
    const ChildResult child = RunInChild(true, [] {
        RtString module("tarvok_host_testlib.dll");
        void* address = &module;
        DeclareFunction(module, "NoSuchFunction", address);
        if (address != nullptr) std::abort();
        DeclareFunction(module, "", address);
        if (address != nullptr) std::abort();
    });
    SKIP_IF_TRACE_REFUSED(child);
    EXPECT_EQ(child.exitStatus, 0);
    EXPECT_EQ(child.errorText, "");
}

TEST_F(LibraryBinding, MissingModuleReportsOnlyToADebugger) {
    const auto declareMissing = [] {
        RtString module("NoSuchModule.DLL");
        void* address = &module;
        DeclareFunction(module, "TestAdd", address);
        if (address != nullptr || tarvok::BoundModuleCount() != 0) std::abort();
    };
    const ChildResult quiet = RunInChild(false, declareMissing);
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.errorText, "");

    const ChildResult traced = RunInChild(true, declareMissing);
    SKIP_IF_TRACE_REFUSED(traced);
    EXPECT_EQ(traced.exitStatus, 0);
    EXPECT_EQ(traced.errorText, "TXDECLARE module not found: nosuchmodule.dll\n");
}

TEST_F(LibraryBinding, HostileModuleNamesFailCleanly) {
    void* address = nullptr;
    // An empty name must not bind the program's own symbols.
    RtString empty;
    DeclareFunction(empty, "strlen", address);
    EXPECT_EQ(address, nullptr);

    // 10 KB names, with and without separators, and paths that lead nowhere.
    RtString longName(std::string(10240, 'A').c_str());
    DeclareFunction(longName, "TestAdd", address);
    EXPECT_EQ(address, nullptr);
    EXPECT_EQ(longName.Length(), 10240u);
    EXPECT_EQ(longName.CharAt(10239), 'a');
    std::string deep;
    for (int i = 0; i < 1024; ++i) deep += "d\\..\\";
    RtString deepName((deep + "x.dll").c_str());
    DeclareFunction(deepName, "TestAdd", address);
    EXPECT_EQ(address, nullptr);
    RtString parent("../../../../../../nosuch/lib.dll");
    DeclareFunction(parent, "TestAdd", address);
    EXPECT_EQ(address, nullptr);
    // A directory is no library.
    RtString directory("/tmp/");
    DeclareFunction(directory, "TestAdd", address);
    EXPECT_EQ(address, nullptr);
    EXPECT_EQ(tarvok::BoundModuleCount(), 0u);
}
