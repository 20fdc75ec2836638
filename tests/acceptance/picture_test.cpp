// What the window shows: the whole test screen pixel for pixel, the tick readout and the
// blinking underline.
#include <X11/keysym.h>

#include <algorithm>

#include "acceptance_test.h"

namespace {

class WindowPicture : public ProgramTest {};

TEST_F(WindowPicture, IsTheTestScreenAtSixFortyByFourEightyInBothBlinkPhases) {
  ASSERT_TRUE(launch_in_window());
  const auto geometry = x_session().geometry(window_);
  ASSERT_TRUE(geometry);
  EXPECT_EQ(geometry->width, kWindowWidth);
  EXPECT_EQ(geometry->height, kWindowHeight);
  EXPECT_TRUE(wait_for_both_blink_phases(test_screen()));
}

// The readout holds the tick count of the last blink toggle: it changes exactly when the
// underline toggles, by the blink interval, and follows the clock. An unused key pressed
// after every sample makes frames between the toggles too, which must not change it.
TEST_F(WindowPicture, ReadoutIsTheTickCountOfTheLastBlinkToggle) {
  const auto launched = std::chrono::steady_clock::now();
  ASSERT_TRUE(launch_in_window());
  ASSERT_TRUE(wait_for_picture(test_screen_blinking()));
  const std::vector<ReadoutSample> samples =
      watch_readout(test_screen_blinking(), kStartCell, kBlinkValuesWatched, XK_a);
  ASSERT_FALSE(HasFailure());
  expect_readout_follows_blink(samples, launched);
}

}  // namespace
