// The Linux program's platform where SDL has no X11 window: another video driver, here the
// stand-in SDL's. It must leave presentation to SDL there, and must not count on the X
// connection to wake the loop for a key press.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/app_test_support.h"

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

}  // namespace
