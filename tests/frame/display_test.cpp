// The display object on a real window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "frame/frame.h"
#include "platform/headless.h"

TEST(Display, Reset2DStateSetsTheViewportFromTheTopAndSamplesAreTheDriversCount) {
    platform::LoadHeadlessSettings();
    OpenGLZazuzive display;
    ASSERT_TRUE(CreateDisplay(display, 640, 480, 0, 60, 64));
    EXPECT_EQ((std::array<int, 3>{display.clientWidth, display.clientHeight, display.initialised}),
              (std::array<int, 3>{640, 480, 1}));
    // No driver offers 64 samples: the count was halved to what it gives.
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_LT(display.multisample, 64);
    EXPECT_EQ(samples, display.multisample);

    // y counts from the top (480 - 50 - 20); a width below 1 takes the whole client area, x and y stay.
    std::array<GLint, 4> viewport;
    Reset2DState(display, 10, 20, 100, 50);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{10, 410, 100, 50}));
    EXPECT_EQ(
        (std::array{glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_ALPHA_TEST), glIsEnabled(GL_TEXTURE_2D)}),
        (std::array<GLboolean, 3>{GL_FALSE, GL_TRUE, GL_TRUE}));
    Reset2DState(display, 5, 7, 0, 50);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{5, -7, 640, 480}));

    // One unit per pixel with y downward: a point drawn at (3, 4) lands on that pixel alone.
    Reset2DState(display, 0, 0, 0, 0);
    glDisable(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(255, 0, 0);
    glBegin(GL_POINTS);
    glVertex2f(3.5f, 4.5f);
    glEnd();
    unsigned char pixels[2][4] = {};
    glReadPixels(3, 480 - 1 - 4, 2, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    EXPECT_EQ((std::array{pixels[0][0], pixels[0][1], pixels[1][0]}),
              (std::array<unsigned char, 3>{255, 0, 0}));

    // Entry points are loaded only for extensions the driver names.
    EXPECT_EQ(g_gl.glActiveTextureARB != nullptr, ExtensionSupported("GL_ARB_multitexture"));
    EXPECT_EQ(g_gl.glGenFramebuffersEXT != nullptr, ExtensionSupported("GL_EXT_framebuffer_object"));
    DestroyDisplay(display);
    EXPECT_EQ(display.window, nullptr);
}
