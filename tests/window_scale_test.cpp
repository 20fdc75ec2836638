// The scale the program shows its window at, on the X11 desktop as on Windows: the display
// scales Windows offers, and screens too small for them.
#include "app/window_scale.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

constexpr PixelSize kPicture{.width = 640, .height = 480};
// A title bar and borders as Windows 10 draws them at 100 %.
constexpr PixelSize kFrame{.width = 16, .height = 39};
constexpr PixelSize kLargeWorkArea{.width = 3840, .height = 2100};

TEST(WindowScale, IsTheDisplayScaleRoundedToAWholeNumberHalvesUp) {
  for (const auto& [percent, scale] : {std::pair{100, 1}, {125, 1}, {150, 2}, {175, 2},
                                      {200, 2}, {225, 2}, {250, 3}, {300, 3}}) {
    EXPECT_EQ(whole_window_scale(percent * kUnscaledDpi / 100, kPicture, kFrame, kLargeWorkArea),
              scale)
        << percent << " %";
  }
}

TEST(WindowScale, IsTheLargestWholeScaleWhoseWindowFitsTheWorkArea) {
  // 300 % on a 1920x1080 screen with a task bar: three times the picture is the whole
  // width without the frame.
  EXPECT_EQ(whole_window_scale(288, kPicture, kFrame, {.width = 1920, .height = 1040}), 2);
  // 200 % on a 1366x768 laptop screen: twice the picture is too tall.
  EXPECT_EQ(whole_window_scale(192, kPicture, kFrame, {.width = 1366, .height = 728}), 1);
  // Exactly the work area counts as fitting.
  EXPECT_EQ(whole_window_scale(192, kPicture, kFrame, {.width = 1296, .height = 999}), 2);
  // Too small for even the picture itself: it is still shown, once.
  EXPECT_EQ(whole_window_scale(192, kPicture, kFrame, {.width = 600, .height = 400}), 1);
}

}  // namespace
