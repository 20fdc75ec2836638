// How soon a key press reaches the window, seen from outside the program: the press sent
// through XTEST, the window's next drawing reported by the X server.
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

#include "acceptance_test.h"
#include "drawing_watch.h"

namespace {

constexpr int kPresses = 20;
// A program woken by the press draws it within a few milliseconds (under 2 in a window on
// the compatibility layer, under 10 under Wine); one that waits for its next timer takes
// up to a blink, 250 ms. The median is judged far above the first, so that a loaded
// machine does not fail it, and far below the second.
constexpr auto kMedianBound = 30ms;

class KeyToDrawing : public ProgramTest {};

TEST_F(KeyToDrawing, TakesFarLessThanABlinkForTwentyPresses) {
  ASSERT_TRUE(launch_showing_test_screen());
  DrawingWatch drawings{x_session().display_name(), window_};
  const auto timings = time_key_presses(drawings, kPresses, random_, [this](int press) {
    press_key(press % 2 == 0 ? XK_Right : XK_Left);
  }, kPictureTimeout);
  ASSERT_TRUE(timings) << "the program stopped drawing";
  // A miss counts as the longest wait there can be.
  std::vector<std::chrono::steady_clock::duration> waits = timings->drawn;
  waits.insert(waits.end(), static_cast<std::size_t>(timings->missed), kOwnDrawingAway);
  std::nth_element(waits.begin(), waits.begin() + kPresses / 2, waits.end());
  const auto median = std::chrono::duration_cast<std::chrono::microseconds>(waits[kPresses / 2]);
  EXPECT_LE(median, kMedianBound) << "median of " << kPresses << " presses: "
                                  << static_cast<double>(median.count()) / 1000 << " ms";
}

}  // namespace
