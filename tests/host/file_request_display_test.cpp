// The file dialog hides the display while it is open (a stand-in zenity asks xdotool what is visible),
// which then comes back in the mode of the full-screen setting.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "frame/display.h"
#include "host/host.h"
#include "platform/headless.h"
#include "platform/process.h"
#include "platform/window.h"
#include "runtime/engine_globals.h"

TEST(FileRequestDisplay, HidesTheDisplayAndReturnsToItsMode) {
    namespace fs = std::filesystem;
    if (!platform::ProgramExists("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    // Whether the window, titled apart from other tests' windows, becomes visible within 5 s.
    const std::string title = "HostFileRequest" + std::to_string(getpid());
    const auto becomesVisible = [&title] {
        std::string output;
        for (int i = 0, status = 0; i < 100 && output.empty(); ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            platform::RunCapturingOutput({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"},
                                         4096, output, status);
        }
        return !output.empty();
    };
    platform::LoadHeadlessSettings();
    OpenGLZazuzive display;
    ASSERT_TRUE(CreateDisplay(display, 320, 240, 0, 60, 0));
    platform::SetWindowTitle(display.window, title.c_str());
    g_engine.display = &display;
    ASSERT_TRUE(becomesVisible());

    const fs::path folder = fs::path(std::getenv("TMPDIR")) / "dialog-display";
    fs::create_directories(folder);
    std::ofstream(folder / "zenity") << "#!/bin/sh\nxdotool search --onlyvisible --name '^" + title +
                                            "$' > \"${0%/*}/seen.txt\"\necho '/picked/file'\n";
    fs::permissions(folder / "zenity", fs::perms::owner_all);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder.string() + ":" + savedPath).c_str(), 1);

    // Windowed, then full screen at the one size the server offers (the desktop's).
    int width = 0, height = 0;
    platform::GetDesktopSize(display.window, width, height);
    for (int fullScreen : {0, 1}) {
        g_engine.fullScreen = fullScreen;
        if (fullScreen) ChangeDisplayMode(display, width, height, 0, true);
        ASSERT_EQ(display.fullScreen, fullScreen);
        fs::remove(folder / "seen.txt");
        EXPECT_STREQ(FileRequest(1 - fullScreen, "All|*.*").CText(), "/picked/file");
        EXPECT_EQ(fs::exists(folder / "seen.txt") ? fs::file_size(folder / "seen.txt") : 99u, 0u)
            << fullScreen;
        EXPECT_EQ(display.fullScreen, fullScreen);
        EXPECT_TRUE(becomesVisible()) << fullScreen;
    }
    setenv("PATH", savedPath.c_str(), 1);
    g_engine.fullScreen = 0;
    g_engine.display = nullptr;
    DestroyDisplay(display);
}
