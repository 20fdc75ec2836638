// The suite's own tools at their edges: what they cannot do they refuse, rather than read
// or write outside their memory or let a child fail unseen.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "image.h"
#include "process.h"
#include "screen_model.h"

namespace {

TEST(TestTools, RefuseWhatTheyCannotHold) {
  const std::vector<std::uint16_t> seven_pixels(7);
  EXPECT_THROW(rgb565_image(seven_pixels, 3), std::invalid_argument);
  EXPECT_THROW(rgb565_image(seven_pixels, 0), std::invalid_argument);

  // A descriptor that is not open cannot carry the child's output.
  ChildStreams closed_output;
  closed_output.output_fd = 1000;
  EXPECT_THROW(ChildProcess({"true"}, ".", {}, closed_output), std::runtime_error);
}

// Cells left of or above the window have their underline off the picture: nothing of it
// lands anywhere in the picture.
TEST(TestTools, UnderlineOffTheWindowsLeftOrTopIsLeftOut) {
  const FontBytes font(kFontFileSize);
  const Image black{kWindowWidth, kWindowHeight};
  const ExpectedPicture plain{font};
  ExpectedPicture off_the_window{font};
  off_the_window.add_underline({.column = -15, .row = 0});
  off_the_window.add_underline({.column = 0, .row = -10});
  EXPECT_EQ(off_the_window.mismatches(black), plain.mismatches(black));
}

}  // namespace
