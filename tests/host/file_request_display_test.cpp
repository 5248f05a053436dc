// The file dialog on a real window: the display is hidden while the dialog is open and comes back in the
// mode of the game's full-screen setting. A stand-in zenity asks the X server (through xdotool) which
// windows of the test's title are visible while it runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "frame/display.h"
#include "host/host.h"
#include "platform/headless.h"
#include "platform/process.h"
#include "platform/window.h"
#include "runtime/engine_globals.h"

namespace {

namespace fs = std::filesystem;

std::string VisibleWindows(const std::string& title) {
    std::string output;
    int status = -1;
    platform::RunCapturingOutput({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, 4096,
                                 output, status);
    return output;
}

// Whether a window of that title becomes visible within 5 s (the X server works on its own time).
bool BecomesVisible(const std::string& title) {
    for (int i = 0; i < 100; ++i) {
        if (!VisibleWindows(title).empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(FileRequestDisplay, HidesTheDisplayAndReturnsToItsMode) {
    if (!platform::ProgramExists("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    platform::LoadHeadlessSettings();
    OpenGLZazuzive display;
    ASSERT_TRUE(CreateDisplay(display, 320, 240, 0, 60, 0));
    // A title of its own: other tests may show windows on the same server.
    const std::string title = "HostFileRequest" + std::to_string(getpid());
    platform::SetWindowTitle(display.window, title.c_str());
    g_engine.display = &display;
    ASSERT_TRUE(BecomesVisible(title));

    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "dialog-display";
    fs::create_directories(folder);
    const fs::path script = folder / "zenity";
    std::ofstream(script) << "#!/bin/sh\n"
                             "xdotool search --onlyvisible --name '^" +
                                 title +
                                 "$' > \"${0%/*}/seen.txt\"\n"
                                 "echo '/picked/file'\n";
    fs::permissions(script, fs::perms::owner_all);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder.string() + ":" + savedPath).c_str(), 1);

    g_engine.fullScreen = 0;
    EXPECT_STREQ(FileRequest(1, "All|*.*").CText(), "/picked/file");
    EXPECT_EQ(ReadFile(folder / "seen.txt"), "");  // hidden while the dialog was open
    EXPECT_EQ(display.fullScreen, 0);
    EXPECT_TRUE(BecomesVisible(title));

    // Full screen at the one size the server offers: the desktop's.
    int width = 0, height = 0;
    platform::GetDesktopSize(display.window, width, height);
    g_engine.fullScreen = 1;
    ChangeDisplayMode(display, width, height, 0, true);
    ASSERT_EQ(display.fullScreen, 1);
    EXPECT_STREQ(FileRequest(0, "").CText(), "/picked/file");
    EXPECT_EQ(ReadFile(folder / "seen.txt"), "");
    EXPECT_EQ(display.fullScreen, 1);  // back in full screen, as the setting asks
    EXPECT_TRUE(BecomesVisible(title));

    setenv("PATH", savedPath.c_str(), 1);
    g_engine.fullScreen = 0;
    g_engine.display = nullptr;
    DestroyDisplay(display);
}
