// The Linux program's platform on the stand-in SDL. Where SDL has no X11 window (another
// video driver) it must leave presentation to SDL, and must not count on the X connection
// to wake the loop for a key press. Where it has one, its sleep must not wait on the
// connection for input that SDL or Xlib has already read from it. The guard for SDL's
// queue is compat/'s, which Windows' sleep shares: it is checked here for both.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "app/platform.h"
#include "tests/app_test_support.h"
#include "x_server.h"

// Last: Xlib's macros (None, Bool) would clash with GoogleTest's names.
#include <X11/Xlib.h>

using fake_sdl::quit_request;
using fake_sdl::world;

namespace {

class OtherVideoDriver : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    setenv("SDL_VIDEODRIVER", "wayland", 1);
    world().driver_name = "wayland";
  }
};

// Told to present without acceleration, wayland could not open the window at all.
TEST_F(OtherVideoDriver, OpensTheWindowWhereOnlyAcceleratedPresentingWorks) {
  at(0, quit_request());
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(output, "");
  EXPECT_EQ(world().flips.size(), 1u);
}

TEST_F(OtherVideoDriver, EveryPressIsShownWithinOneRefresh) {
  press_arrows_for_a_second_from(1000);
  EXPECT_EQ(run(), 0);
  EXPECT_LE(slowest_key_to_screen_ms(), 17u);
}

// Input already read from the system's queue ends the sleep at once: a wait on that queue
// would keep a press off the screen until the next blink.
TEST(SleepOnTheCompatibilityLayer, EndsAtOnceWhenSdlOrXlibAlreadyHoldsInput) {
  using std::chrono::steady_clock;
  constexpr std::uint32_t kLongSleepMs = 10'000;
  constexpr auto kAtOnce = std::chrono::seconds{5};  // a loaded machine included
  fake_sdl::reset();
  const XServer server;
  Display* display = XOpenDisplay(server.display().c_str());
  ASSERT_NE(display, nullptr);
  world().x11_display = display;

  world().events.push_back({.at = 0, .event = fake_sdl::key_down(SDLK_RIGHT)});
  auto started = steady_clock::now();
  sleep_until_input(kLongSleepMs);
  EXPECT_LT(steady_clock::now() - started, kAtOnce) << "SDL held a key press";

  world().events.clear();
  XEvent press{};
  press.type = KeyPress;
  XPutBackEvent(display, &press);
  started = steady_clock::now();
  sleep_until_input(kLongSleepMs);
  EXPECT_LT(steady_clock::now() - started, kAtOnce) << "Xlib held a key press";
  XCloseDisplay(display);
}

}  // namespace
