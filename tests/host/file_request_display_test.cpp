// The file dialog on a real window: the display is hidden while the dialog is open and comes back in the
// mode of the game's full-screen setting. A stand-in zenity asks the X server (through xdotool) which
// windows of the test's title are visible while it runs.
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
    // A title of its own: other tests may show windows on the same server. Whether a window of that title
    // becomes visible within 5 s (the X server works on its own time).
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

    // Windowed, then full screen at the one size the server offers (the desktop's): hidden while the
    // dialog was open, back afterwards in the mode the setting asks for.
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
