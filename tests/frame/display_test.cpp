// The display object on a real window.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include "frame/frame.h"
#include "platform/headless.h"

TEST(Display, Reset2DStateSetsTheViewportFromTheTop) {
    platform::LoadHeadlessSettings();
    OpenGLZazuzive display;
    ASSERT_TRUE(CreateDisplay(display, 640, 480, 0, 60, 0));
    EXPECT_EQ(display.clientWidth, 640);
    EXPECT_EQ(display.clientHeight, 480);
    EXPECT_EQ(display.initialised, 1);

    GLint viewport[4];
    Reset2DState(display, 10, 20, 100, 50);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 10);
    EXPECT_EQ(viewport[1], 410);  // 480 - 50 - 20: y counts from the top
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 50);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    Reset2DState(display, 5, 7, 0, 50);  // a width below 1 takes the whole client area, x and y stay
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 5);
    EXPECT_EQ(viewport[1], 480 - 480 - 7);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);

    // One unit per pixel with y downward: a point drawn at (3, 4) lands on that pixel.
    Reset2DState(display, 0, 0, 0, 0);
    glDisable(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(255, 0, 0);
    glBegin(GL_POINTS);
    glVertex2f(3.5f, 4.5f);
    glEnd();
    unsigned char pixel[4] = {};
    glReadPixels(3, 480 - 1 - 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 0);
    glReadPixels(4, 480 - 1 - 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);

    // Entry points are loaded only for extensions the driver names.
    EXPECT_EQ(g_gl.glActiveTextureARB != nullptr, ExtensionSupported("GL_ARB_multitexture"));
    EXPECT_EQ(g_gl.glGenFramebuffersEXT != nullptr, ExtensionSupported("GL_EXT_framebuffer_object"));
    DestroyDisplay(display);
    EXPECT_EQ(display.window, nullptr);
}

TEST(Display, MultisampleCountIsWhatTheDriverGives) {
    platform::LoadHeadlessSettings();
    OpenGLZazuzive display;
    ASSERT_TRUE(CreateDisplay(display, 320, 200, 0, 60, 64));
    EXPECT_GE(display.multisample, 0);
    EXPECT_LT(display.multisample, 64);  // no driver offers 64 samples: the count was halved
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLES, &samples);
    EXPECT_EQ(samples, display.multisample);
}
