// What the window shows: the whole test screen pixel for pixel, the tick readout and the
// blinking underline.
#include <X11/keysym.h>

#include <algorithm>

#include "acceptance_test.h"

namespace {

// The program toggles the blink once more than 250 ms have passed, so two readouts one
// toggle apart differ by at least 251 ms, and by little more: the program sleeps until
// the toggle is due, and even a loaded machine wakes it well within 100 ms of that.
constexpr std::uint32_t kMinToggleStepMs = 251;
constexpr std::uint32_t kMaxToggleStepMs = kMinToggleStepMs + 100;
// Readout values watched: five blink toggles.
constexpr std::size_t kValuesWatched = 6;
// From a toggle until its frame can be seen in a screenshot, on a loaded machine.
constexpr long kPresentDelayMs = 250;

class WindowPicture : public ProgramTest {};

long ms_between(std::chrono::steady_clock::time_point from,
                std::chrono::steady_clock::time_point to) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

TEST_F(WindowPicture, IsTheTestScreenAtSixFortyByFourEightyInBothBlinkPhases) {
  ASSERT_TRUE(launch_in_window());
  const auto geometry = x_session().geometry(window_);
  ASSERT_TRUE(geometry);
  EXPECT_EQ(geometry->width, kWindowWidth);
  EXPECT_EQ(geometry->height, kWindowHeight);
  EXPECT_TRUE(wait_for_picture(test_screen()));
  EXPECT_TRUE(wait_for_picture(test_screen_with_underline(kCursorStart)));
}

// The readout holds the tick count of the last blink toggle: it changes exactly when the
// underline toggles, by the blink interval, and follows the clock. An unused key pressed
// after every sample makes frames between the toggles too, which must not change it.
TEST_F(WindowPicture, ReadoutIsTheTickCountOfTheLastBlinkToggle) {
  const auto launched = std::chrono::steady_clock::now();
  ASSERT_TRUE(launch_in_window());
  ASSERT_TRUE(wait_for_picture(test_screen_blinking()));
  const std::vector<ReadoutSample> samples =
      watch_readout(test_screen_blinking(), kCursorStart, kValuesWatched, XK_a);
  ASSERT_FALSE(HasFailure());

  // The program's tick count starts after the launch; the offset from it to the test's
  // clock (ms since the launch) is bounded by every toggle seen.
  long earliest_offset = 0;
  long latest_offset = ms_between(launched, samples.front().taken) - samples.front().value;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const ReadoutSample& before = samples[i - 1];
    const ReadoutSample& now = samples[i];
    SCOPED_TRACE("samples " + std::to_string(i - 1) + " and " + std::to_string(i));
    ASSERT_GE(now.value, before.value);
    if (now.value == before.value) {
      EXPECT_EQ(now.underline, before.underline) << "the underline toggled, the readout stayed";
      continue;
    }
    // An unchanged underline under a changed readout means two toggles in between.
    const std::uint32_t toggles = now.underline != before.underline ? 1 : 2;
    EXPECT_GE(now.value - before.value, toggles * kMinToggleStepMs);
    // Samples closer together than two toggles can be saw exactly one.
    if (ms_between(before.taken, now.taken) < kMinToggleStepMs) {
      EXPECT_LE(now.value - before.value, kMaxToggleStepMs);
    }
    earliest_offset =
        std::max(earliest_offset, ms_between(launched, before.taken) - kPresentDelayMs - now.value);
    latest_offset = std::min(latest_offset, ms_between(launched, now.taken) - now.value);
  }
  EXPECT_LE(earliest_offset, latest_offset) << "the readout does not follow the clock";
  const auto shown = std::count_if(samples.begin(), samples.end(), [](const ReadoutSample& s) {
    return s.underline == Underline::kShown;
  });
  const auto hidden = std::count_if(samples.begin(), samples.end(), [](const ReadoutSample& s) {
    return s.underline == Underline::kHidden;
  });
  EXPECT_GT(shown, 0);
  EXPECT_GT(hidden, 0);
  EXPECT_EQ(shown + hidden, static_cast<long>(samples.size())) << "a partly drawn underline";
}

}  // namespace
