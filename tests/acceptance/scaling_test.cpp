// The scaling choices a user has, each checked by what it does to the picture. The
// compatibility layer scales through SDL2; the classic library scales nothing, so there
// the same settings must leave the picture as it is.
#include <X11/keysym.h>

#include "acceptance_test.h"

namespace {

// Linear filtering at 2.25 leaves some 33,000 pixels of in-between colours along the
// characters' edges; nearest-neighbour scaling leaves none.
constexpr std::size_t kSmoothedPixels = 10'000;

class Scaling : public ProgramTest {};

TEST_F(Scaling, LinearScaleQualitySmoothsTheFullScreenPicture) {
  ASSERT_TRUE(launch_showing_test_screen({{"SDL_RENDER_SCALE_QUALITY", "linear"}}));
  press_key(XK_space);
  if (on_classic_sdl()) {
    EXPECT_TRUE(wait_for_full_screen(test_screen_blinking()));
    return;
  }
  std::size_t smoothed = 0;
  EXPECT_TRUE(poll_until(kPictureTimeout,
                         [&] {
                           const auto screen = x_session().capture_screen();
                           smoothed = screen ? count_blurred_pixels(*screen) : 0;
                           return smoothed > kSmoothedPixels;
                         }))
      << "only " << smoothed << " pixels of in-between colours";
}

TEST_F(Scaling, WindowScalingTwoShowsEveryPixelAsTwoByTwo) {
  ASSERT_TRUE(launch_in_window({{"SDL12COMPAT_WINDOW_SCALING", "2"}}));
  pixel_size_ = on_classic_sdl() ? 1 : 2;
  EXPECT_TRUE(wait_for_picture(test_screen_blinking()));
}

}  // namespace
