// The key handler on its own: cursor moves and display-mode switches.
#include <gtest/gtest.h>

#include "app/main_routine.h"
#include "expected_texts.h"
#include "tests/fake_sdl/fake_sdl.h"

using fake_sdl::world;

namespace {

class KeyHandler : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_sdl::reset();
    screen = make_screen_surface(fake_sdl::make_surface(SDL_HWSURFACE | SDL_DOUBLEBUF));
    cursor.blink = true;
    cursor.blink_timestamp = 1234;
  }

  KeyOutcome press(SDLKey key) { return handle_key(key, screen, full_screen, cursor); }

  ScreenSurface screen{};
  bool full_screen = false;
  CursorState cursor = kCursorStart;
};

TEST_F(KeyHandler, EachArrowMovesOneCellAndLeavesTheBlinkAlone) {
  const struct {
    SDLKey key;
    int row;
    int column;
  } moves[] = {{SDLK_UP, 7, 11}, {SDLK_DOWN, 9, 11}, {SDLK_RIGHT, 8, 12}, {SDLK_LEFT, 8, 10}};
  for (const auto& move : moves) {
    cursor = CursorState{.row = 8, .column = 11, .blink = true, .blink_timestamp = 1234};
    EXPECT_EQ(press(move.key), KeyOutcome::kHandled);
    EXPECT_EQ(cursor.row, move.row) << move.key;
    EXPECT_EQ(cursor.column, move.column) << move.key;
    EXPECT_TRUE(cursor.blink);
    EXPECT_EQ(cursor.blink_timestamp, 1234u);
  }
}

TEST_F(KeyHandler, CountersWrapWithoutBounds) {
  cursor.row = 0;
  cursor.column = 0;
  press(SDLK_UP);
  press(SDLK_LEFT);
  EXPECT_EQ(cursor.row, 65535);
  EXPECT_EQ(cursor.column, 65535);
  press(SDLK_DOWN);
  press(SDLK_RIGHT);
  EXPECT_EQ(cursor.row, 0);
  EXPECT_EQ(cursor.column, 0);
}

TEST_F(KeyHandler, OtherKeysChangeNothing) {
  for (SDLKey key : {SDLK_a, SDLK_RETURN, SDLK_LSHIFT, SDLK_KP8, SDLK_TAB, SDLK_F1}) {
    EXPECT_EQ(press(key), KeyOutcome::kHandled);
  }
  EXPECT_EQ(cursor.row, 8);
  EXPECT_EQ(cursor.column, 11);
  EXPECT_FALSE(full_screen);
  EXPECT_TRUE(world().video_mode_flags.empty());
}

TEST_F(KeyHandler, FailedSwitchIsReportedAndKeepsTheCurrentSurface) {
  world().failing_video_mode_call = 0;
  world().error = "busy";
  SDL_Surface* before = screen.sdl;
  testing::internal::CaptureStdout();
  EXPECT_EQ(press(SDLK_SPACE), KeyOutcome::kDisplayModeFailed);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string{kVideoFailure} + "busy\n");
  EXPECT_FALSE(full_screen);
  EXPECT_EQ(screen.sdl, before);
}

}  // namespace
