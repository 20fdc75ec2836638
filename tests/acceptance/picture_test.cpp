// What the window shows: the whole test screen pixel for pixel, the tick readout and the
// blinking underline.
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

TEST_F(WindowPicture, ReadoutIsTheTickCountOfTheLastBlinkToggle) {
  const auto launched = std::chrono::steady_clock::now();
  ASSERT_TRUE(launch_in_window());
  expect_readout_follows_blink(launched);
}

}  // namespace
