#include "platform/WindowMessage.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Display.h"

namespace vesk {
namespace {

class WindowMessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(openVideo(error)) << error;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  void TearDown() override { closeVideo(); }

  static void pushKey(SDL_Keycode key, Uint16 mods = KMOD_NONE, bool repeat = false) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mods;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  }
  static void pushWindowEvent(Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  }
  static void pushType(Uint32 type) {
    SDL_Event event{};
    event.type = type;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  }
  static std::vector<WindowMessage> drain() {
    std::vector<WindowMessage> messages;
    WindowMessage message;
    while (pollWindowMessage(message))
      messages.push_back(message);
    return messages;
  }
};

using Type = WindowMessage::Type;

TEST_F(WindowMessageTest, KeysArriveInOrderWithModifiersAndRepeat) {
  pushKey(SDLK_ESCAPE);
  pushKey(SDLK_p);
  pushKey(SDLK_F12);
  pushKey(SDLK_F2, KMOD_LCTRL);
  pushKey(SDLK_F8, KMOD_RSHIFT | KMOD_LALT, true);

  std::vector<WindowMessage> messages = drain();
  ASSERT_EQ(messages.size(), 5u);
  for (const WindowMessage& message : messages)
    EXPECT_EQ(message.type, Type::KeyDown);
  EXPECT_EQ(messages[0].key, KeyCode::Escape);
  EXPECT_EQ(messages[1].key, KeyCode::P);
  EXPECT_EQ(messages[2].key, KeyCode::F12);
  EXPECT_FALSE(messages[2].control || messages[2].shift || messages[2].alt || messages[2].repeat);
  EXPECT_EQ(messages[3].key, KeyCode::F2);
  EXPECT_TRUE(messages[3].control);
  EXPECT_FALSE(messages[3].shift || messages[3].alt);
  EXPECT_EQ(messages[4].key, KeyCode::F8);
  EXPECT_TRUE(messages[4].shift && messages[4].alt && messages[4].repeat);
  EXPECT_FALSE(messages[4].control);
}

TEST_F(WindowMessageTest, WindowEventsBecomePaintCloseAndQuit) {
  pushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  pushType(SDL_QUIT);

  std::vector<WindowMessage> messages = drain();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].type, Type::Paint);
  EXPECT_EQ(messages[1].type, Type::Close);
  EXPECT_EQ(messages[2].type, Type::Quit);
}

TEST_F(WindowMessageTest, IgnoredEventsAreSkippedAndAnEmptyQueueAnswersAtOnce) {
  pushType(SDL_MOUSEMOTION);
  pushType(SDL_KEYUP);
  pushKey(SDLK_CAPSLOCK);
  pushWindowEvent(SDL_WINDOWEVENT_MOVED);
  pushKey(SDLK_F1);

  WindowMessage message;
  ASSERT_TRUE(pollWindowMessage(message));
  EXPECT_EQ(message.type, Type::KeyDown);
  EXPECT_EQ(message.key, KeyCode::F1);
  EXPECT_FALSE(pollWindowMessage(message));
}

TEST(KeyCodeTest, RangesMapEndToEnd) {
  EXPECT_EQ(keyCodeFromSdl(SDLK_a), KeyCode::A);
  EXPECT_EQ(keyCodeFromSdl(SDLK_c), KeyCode::C);
  EXPECT_EQ(keyCodeFromSdl(SDLK_z), KeyCode::Z);
  EXPECT_EQ(keyCodeFromSdl(SDLK_0), KeyCode::Digit0);
  EXPECT_EQ(keyCodeFromSdl(SDLK_9), KeyCode::Digit9);
  EXPECT_EQ(keyCodeFromSdl(SDLK_F1), KeyCode::F1);
  EXPECT_EQ(keyCodeFromSdl(SDLK_F10), KeyCode::F10);
  EXPECT_EQ(keyCodeFromSdl(SDLK_F12), KeyCode::F12);
  EXPECT_EQ(keyCodeFromSdl(SDLK_KP_ENTER), KeyCode::Return);
  // Neighbours of the ranges are not ours.
  EXPECT_EQ(keyCodeFromSdl(SDLK_PRINTSCREEN), KeyCode::Unknown);
  EXPECT_EQ(keyCodeFromSdl(SDLK_CAPSLOCK), KeyCode::Unknown);
  EXPECT_EQ(keyCodeFromSdl('a' - 1), KeyCode::Unknown);
  EXPECT_EQ(keyCodeFromSdl('z' + 1), KeyCode::Unknown);
  EXPECT_EQ(keyCodeFromSdl(SDLK_KP_1), KeyCode::Unknown);
}

}  // namespace
}  // namespace vesk
