#include "platform/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "GlPixel.h"
#include "platform/Display.h"

namespace vesk {
namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(openVideo(_videoError)) << _videoError; }
  void TearDown() override { closeVideo(); }

 private:
  std::string _videoError;
};

TEST_F(WindowTest, DesktopWindowIsHiddenUntilShownWithTitleSizeAndPlace) {
  Window window;
  std::string error;
  ASSERT_TRUE(window.create(error)) << error;
  SDL_Window* sdl = window.sdlWindow();
  ASSERT_NE(sdl, nullptr);
  EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Vesk");

  int width = 0, height = 0;
  SDL_GetWindowSize(sdl, &width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  window.drawableSize(width, height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);

  Uint32 flags = SDL_GetWindowFlags(sdl);
  EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN);
  EXPECT_FALSE(flags & SDL_WINDOW_RESIZABLE);
  EXPECT_FALSE(flags & SDL_WINDOW_FULLSCREEN);
  EXPECT_FALSE(window.fullscreen());

  window.show();
  EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN);
  int x = -1, y = -1;
  SDL_GetWindowPosition(sdl, &x, &y);
  EXPECT_LE(x, 64);
  EXPECT_LE(y, 64);

  // A second window over the first would leave the first without its context.
  EXPECT_FALSE(window.create(error));
  EXPECT_EQ(window.sdlWindow(), sdl);
}

TEST_F(WindowTest, ContextIsCurrentCompatibleAndDraws) {
  Window window;
  std::string error;
  ASSERT_TRUE(window.create(error)) << error;
  EXPECT_NE(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_EQ(SDL_GL_GetCurrentWindow(), window.sdlWindow());

  test::GlFunctions gl;
  ASSERT_TRUE(gl.load());
  int major = 0, minor = 0;
  const char* version = reinterpret_cast<const char*>(gl.getString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  ASSERT_EQ(std::sscanf(version, "%d.%d", &major, &minor), 2) << version;
  EXPECT_GE(major * 10 + minor, 21) << version;
  if (major * 10 + minor >= 32) {
    // The device draws with the fixed-function pipeline: a core profile would refuse it.
    GLint profile = 0;
    gl.getIntegerv(0x9126 /* GL_CONTEXT_PROFILE_MASK */, &profile);
    EXPECT_FALSE(profile & 0x1 /* core */) << version;
  }

  std::array<std::uint8_t, 4> pixel{};
  ASSERT_TRUE(test::clearAndRead(1.0f, 0.5f, 0.0f, 320, 240, pixel));
  EXPECT_EQ(pixel[0], 255);
  EXPECT_NEAR(pixel[1], 128, 1);
  EXPECT_EQ(pixel[2], 0);
  window.swapBuffers();
}

TEST_F(WindowTest, FullScreenTakesTheModeHidesTheCursorAndGivesItBack) {
  gfx::DisplayMode mode;
  ASSERT_TRUE(desktopDisplayMode(mode));
  {
    Window window;
    std::string error;
    ASSERT_TRUE(window.create(error)) << error;
    ASSERT_TRUE(window.enterFullscreen(mode, error)) << error;
    EXPECT_TRUE(window.fullscreen());
    Uint32 flags = SDL_GetWindowFlags(window.sdlWindow());
    EXPECT_TRUE(flags & SDL_WINDOW_SHOWN);
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN);
    SDL_DisplayMode used{};
    ASSERT_EQ(SDL_GetWindowDisplayMode(window.sdlWindow(), &used), 0);
    EXPECT_EQ(used.w, static_cast<int>(mode.width));
    EXPECT_EQ(used.h, static_cast<int>(mode.height));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  }
  // The viewer gets the cursor back when the show ends.
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(WindowTest, DesktopWindowLeavesTheDesktopGammaAlone) {
  Window window;
  std::string error;
  ASSERT_TRUE(window.create(error)) << error;
  window.show();
  gfx::GammaRamp before;
  ASSERT_EQ(SDL_GetWindowGammaRamp(window.sdlWindow(), before.red.data(), before.green.data(),
                                   before.blue.data()),
            0);
  gfx::GammaRamp black;  // all zero
  EXPECT_TRUE(window.setGammaRamp(black));
  gfx::GammaRamp after;
  ASSERT_EQ(SDL_GetWindowGammaRamp(window.sdlWindow(), after.red.data(), after.green.data(),
                                   after.blue.data()),
            0);
  EXPECT_EQ(after.red, before.red);
  EXPECT_EQ(after.green, before.green);
  EXPECT_EQ(after.blue, before.blue);
}

}  // namespace
}  // namespace vesk
