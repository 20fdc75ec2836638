// Start-up, the main loop's event drain, blink timer and frame pacing, against the
// stand-in SDL with a scripted clock and event queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_routine.h"
#include "expected_texts.h"
#include "tests/app_test_support.h"

using fake_sdl::key_down;
using fake_sdl::key_up;
using fake_sdl::quit_request;
using fake_sdl::world;

namespace {

constexpr Uint32 kWindowFlags = 0x40000001;
constexpr Uint32 kFullScreenFlags = 0xC0000001;

// Clock readings at which the underline was seen to appear or disappear.
std::vector<std::uint32_t> blink_changes(CellPosition cell) {
  std::vector<std::uint32_t> changes;
  bool shown = false;
  for (const auto& flip : world().flips) {
    if (underline_shown(flip, cell) != shown) {
      shown = !shown;
      changes.push_back(flip.clock);
    }
  }
  return changes;
}

}  // namespace

using StartUp = AppTest;

TEST_F(StartUp, OpensTheCaptionedWindowAndEndsWithZeroOnACloseRequest) {
  at(0, quit_request());
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(output, "");
  EXPECT_EQ(world().init_flags, Uint32{SDL_INIT_TIMER | SDL_INIT_VIDEO});
  EXPECT_EQ(world().video_mode_flags, std::vector<Uint32>{kWindowFlags});
  EXPECT_EQ(world().caption, kCaption);
  EXPECT_FALSE(world().icon_caption_given);
  // The frame of the quitting pass is still drawn, on a surface cleared before its first
  // frame (nothing left of uncleared memory outside the grey frame).
  ASSERT_EQ(world().flips.size(), 1u);
  const auto& pixels = world().flips.back().pixels;
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), fake_sdl::kUnclearedPixel), 0);
  EXPECT_EQ(world().quits, 1);
}

TEST_F(StartUp, FontThatCannotBeReadEndsWithOneBeforeAnyWindow) {
  std::filesystem::remove("rfs/rk_font.bin");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(output, kFontMessage);
  std::filesystem::create_directory("rfs/rk_font.bin");
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(output, kFontMessage);
  EXPECT_TRUE(world().video_mode_flags.empty());
  EXPECT_EQ(world().quits, 2);  // SDL is shut down on the way out of each run
}

TEST_F(StartUp, FailedInitialisationIsReportedWithSdlsError) {
  world().init_result = -1;
  world().error = "no video";
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(output, std::string{kInitFailure} + "no video\n");
  EXPECT_TRUE(world().video_mode_flags.empty());
  EXPECT_EQ(world().quits, 0);
}

// The invisible drivers of the compatibility layer and the text-art ones of the classic
// library show no picture.
TEST_F(StartUp, FallbackDriverThatShowsNoPictureCountsAsNoDisplayUnlessAskedFor) {
  for (const char* driver : {"offscreen", "dummy", "caca", "aalib"}) {
    fake_sdl::reset();
    world().driver_name = driver;
    EXPECT_EQ(run(), 1) << driver;
    EXPECT_EQ(output, std::string{kInitFailure} + std::string{kNoVideoDevice} + "\n") << driver;
    EXPECT_TRUE(world().video_mode_flags.empty()) << driver;
    EXPECT_EQ(world().quits, 1) << driver;
  }
  // Asked for by name, alone or in a list of drivers to try.
  for (const char* requested : {"dummy", "x11,dummy"}) {
    fake_sdl::reset();
    world().driver_name = "dummy";
    setenv("SDL_VIDEODRIVER", requested, 1);
    at(0, quit_request());
    EXPECT_EQ(run(), 0) << requested;
  }
  unsetenv("SDL_VIDEODRIVER");
}

// The program asks SDL for sharp scaling and a silent text-art driver only where the user
// has not chosen.
TEST_F(StartUp, KeepsTheUsersOwnScalingAndTextArtChoices) {
  setenv("SDL12COMPAT_SCALE_METHOD", "linear", 1);
  setenv("CACA_DRIVER", "ncurses", 1);
  at(0, quit_request());
  EXPECT_EQ(run(), 0);
  EXPECT_STREQ(std::getenv("SDL12COMPAT_SCALE_METHOD"), "linear");
  EXPECT_STREQ(std::getenv("CACA_DRIVER"), "ncurses");
  unsetenv("SDL12COMPAT_SCALE_METHOD");
  unsetenv("CACA_DRIVER");
}

TEST_F(StartUp, NoSurfaceEndsWithOneAndNoCaption) {
  world().failing_video_mode_call = 0;
  world().error = "mode refused";
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(output, std::string{kVideoFailure} + "mode refused\n");
  EXPECT_FALSE(world().caption_set);
}

TEST_F(StartUp, FailedLockEndsWithMinusOneWithoutUnlockOrFlip) {
  world().lock_fails = true;
  EXPECT_EQ(run(), -1);
  EXPECT_EQ(world().locks, 1);
  EXPECT_EQ(world().unlocks, 0);
  EXPECT_TRUE(world().flips.empty());
  EXPECT_EQ(world().quits, 1);
}

TEST(BlinkTimer, TogglesOnlyWhenMoreThan250MsHavePassedAndStoresASecondReading) {
  fake_sdl::reset();
  CursorState cursor = kCursorStart;
  world().tick_readings = {250};
  EXPECT_FALSE(run_blink_timer(cursor));
  EXPECT_FALSE(cursor.blink);
  EXPECT_EQ(cursor.blink_timestamp, 0u);

  world().tick_readings = {251, 253};
  EXPECT_TRUE(run_blink_timer(cursor));
  EXPECT_TRUE(cursor.blink);
  EXPECT_EQ(cursor.blink_timestamp, 253u);
}

TEST(BlinkTimer, KeepsItsPeriodAcrossTheWrapOfTheTickCount) {
  fake_sdl::reset();
  CursorState cursor = kCursorStart;
  cursor.blink_timestamp = 0xFFFFFF00;
  // 240 ms later, just before the wrap: adding 250 to the timestamp would overflow to a
  // small number and fire here.
  world().tick_readings = {0xFFFFFFF0};
  EXPECT_FALSE(run_blink_timer(cursor));
  // 272 ms later, past the wrap.
  world().tick_readings = {0x10, 0x11};
  EXPECT_TRUE(run_blink_timer(cursor));
  EXPECT_EQ(cursor.blink_timestamp, 0x11u);
}

// The main loop on both kinds of platform sleep: one that lasts the time asked, where the
// loop looks at its input at intervals, and one that ends when input arrives, where the
// loop sleeps until its timers are due.
class MainLoop : public AppTest, public testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    world().sleep_wakes_for_input = wakes_for_input();
  }
  static bool wakes_for_input() { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Sleeps, MainLoop, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& sleep) {
                           return sleep.param ? "WakesForInput" : "ForTheTimeAsked";
                         });

// The first frame takes 12 ms (cold caches, a busy machine): where the loop looks at its
// input at intervals, it looks more often for a while, to keep presses on time, and then
// forgets that frame.
TEST_P(MainLoop, IdleProgramBlinksEvery251MsAndSleepsBetweenShortPasses) {
  constexpr std::uint32_t kStart = 0xFFFFFC00;  // the run crosses the wrap of the tick count
  constexpr std::uint64_t kRunMs = 6000;
  constexpr std::uint64_t kSettledFrom = 4000;  // the slow frame long forgotten
  world().clock = kStart;
  world().slow_flips_ms = {12};
  at(kRunMs, quit_request());
  EXPECT_EQ(run(), 0);

  const auto changes = blink_changes(kStartCell);
  ASSERT_GE(changes.size(), 10u);
  EXPECT_EQ(changes.front(), kStart + 251u);
  for (std::size_t i = 1; i < changes.size(); ++i) {
    EXPECT_EQ(static_cast<std::uint32_t>(changes[i] - changes[i - 1]), 251u) << "toggle " << i;
  }
  // Once settled, one poll per pass: a pass every 14 ms at most where the loop looks at
  // intervals, one per blink where input wakes it (no spinning); no more frames than the
  // blink needs, each unlocked before it is shown.
  const std::uint64_t pass_ms = wakes_for_input() ? 251 : 14;
  const auto settled_polls = std::count_if(world().polls.begin(), world().polls.end(),
                                           [](std::uint64_t at) { return at >= kSettledFrom; });
  EXPECT_LE(settled_polls, static_cast<long>((kRunMs - kSettledFrom) / pass_ms + 16));
  EXPECT_LE(world().flips.size(), kRunMs / 250u + 2u);
  EXPECT_EQ(world().unlocks, world().locks);
}

// A press that arrives at any moment of the loop's cycle, even just after it looked at
// the input, is on the screen within the loop's budget (17 ms, app/main_loop.cpp), whether
// presenting a frame is instant, takes 3 ms (a window drawn in software) or 6 ms (a large
// full screen). Where input wakes the loop, it is on the screen as soon as its frame is
// presented.
TEST_P(MainLoop, EveryPressIsShownWithinOneRefresh) {
  for (const std::uint32_t flip_ms : {0u, 3u, 6u}) {
    SCOPED_TRACE("presenting takes " + std::to_string(flip_ms) + " ms");
    fake_sdl::reset();
    world().sleep_wakes_for_input = wakes_for_input();
    world().flip_ms = flip_ms;
    press_arrows_for_a_second_from(1000);
    EXPECT_EQ(run(), 0);
    // Woken, the loop may find a frame being presented, and draws the press in the next.
    EXPECT_LE(slowest_key_to_screen_ms(), wakes_for_input() ? 2 * flip_ms : 17u);
  }
}

// Both come well away from the frames the blink and the refresh bring (at 1004 and 1255),
// so only the press and the expose can have brought the frames checked for.
TEST_P(MainLoop, KeyPressOrExposeIsShownInTheSamePass) {
  at(1100, key_down(SDLK_RIGHT));
  at(1180, SDL_Event{.type = SDL_VIDEOEXPOSE});
  at(1300, quit_request());  // the blink is on from 1255
  EXPECT_EQ(run(), 0);
  for (std::uint32_t when : {1100u, 1180u}) {
    EXPECT_TRUE(std::any_of(
        world().flips.begin(), world().flips.end(),
        [&](const auto& flip) { return flip.clock >= when && flip.clock <= when + 17; }))
        << "no frame within 17 ms of " << when;
  }
  EXPECT_TRUE(underline_shown(world().flips.back(), {12, 8}));
  EXPECT_FALSE(underline_shown(world().flips.back(), kStartCell));
}

TEST_P(MainLoop, DrainGoesOnAfterEscapeAndIgnoresReleasesAndOtherKeys) {
  at(300, key_up(SDLK_RIGHT));
  at(300, key_down(SDLK_a));
  at(300, key_down(SDLK_ESCAPE));
  at(300, key_down(SDLK_DOWN));
  at(300, key_up(SDLK_DOWN));
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(world().events.empty());
  EXPECT_TRUE(underline_shown(world().flips.back(), {11, 9}));
}

TEST_P(MainLoop, SpaceSwitchesToFullScreenAndBackDrawingOnEachNewSurface) {
  at(300, key_down(SDLK_SPACE));
  at(600, key_down(SDLK_SPACE));
  at(800, quit_request());
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(world().video_mode_flags,
            (std::vector<Uint32>{kWindowFlags, kFullScreenFlags, kWindowFlags}));
  ASSERT_EQ(world().surfaces.size(), 3u);
  for (const auto& flip : world().flips) {
    const std::size_t expected = flip.clock < 300 ? 0 : flip.clock < 600 ? 1 : 2;
    EXPECT_EQ(flip.surface, &world().surfaces[expected]->sdl) << "frame at " << flip.clock;
    EXPECT_EQ(flip.pixels[0], 0) << "uncleared corner in frame at " << flip.clock;
  }
  // The three colours are mapped once per surface, never per frame.
  EXPECT_EQ(world().map_rgb_calls, 3 * 3);
}

TEST_P(MainLoop, FailedSwitchEndsWithOneAtOnceLeavingTheRestOfTheQueue) {
  world().failing_video_mode_call = 1;
  world().error = "no full screen";
  at(300, key_down(SDLK_SPACE));
  at(300, key_down(SDLK_RIGHT));
  at(300, quit_request());
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(output, std::string{kVideoFailure} + "no full screen\n");
  EXPECT_EQ(world().events.size(), 2u);
  ASSERT_FALSE(world().flips.empty());
  EXPECT_LT(world().flips.back().clock, 300u);
}
