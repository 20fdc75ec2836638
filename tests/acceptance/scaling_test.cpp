// The scaling choices a user has, and the desktop's display scale, each checked by what
// it does to the picture. The compatibility layer scales through SDL2; the classic
// library scales nothing, so there the same settings must leave the picture as it is.
#include <X11/keysym.h>

#include "acceptance_test.h"
#include "window_launch.h"
#include "x_server.h"

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

// The desktop's display scale: Windows' under Wine (LogPixels), the X11 desktop's
// elsewhere (Xft.dpi in the server's resource database). The window shows the picture at
// that scale rounded to a whole number, so every picture pixel is a whole square.
class DesktopScale : public ProgramTest {
 protected:
  static void set_dpi(XSession& x, int dpi) {
    x.set_resources("Xft.dpi:\t" + std::to_string(dpi) + "\n");
  }

  // Starts the program in a window with the desktop's scale at `dpi` (none: left as the
  // desktop has it) and the user's `settings`.
  bool launch_at_display_scale(std::optional<int> dpi, const EnvChanges& settings = {}) {
    if (dpi && !on_wine()) {
      set_dpi(x_session(), *dpi);
    }
    return launch_in_window(
        [&](ProgramRun& run) {
          run.install_font(font_);
          if (dpi && on_wine()) {
            run.set_display_scale(*dpi);
          }
        },
        settings);
  }

  // How many screen pixels wide a picture pixel is at `scale`, on the library under test.
  static int shown_at(int scale) { return on_classic_sdl() ? 1 : scale; }
};

TEST_F(DesktopScale, FullScreenAndBackAtTwiceTheScaleReturnsToTheSameWindow) {
  ASSERT_TRUE(launch_at_display_scale(192));
  pixel_size_ = shown_at(2);
  ASSERT_TRUE(wait_for_picture(test_screen()));
  expect_full_screen_and_back();
}

// 1280x960 does not fit on a 1024x768 screen.
TEST_F(DesktopScale, ScreenTooSmallForTwiceTheSizeShowsItOnce) {
  XServer small_server{"1024x768"};
  XSession small_screen{small_server.display()};
  set_dpi(small_screen, 192);
  WindowLaunch launch = ::launch_in_window(
      small_screen, [&](ProgramRun& run) { run.install_font(font_); }, kWindowTimeout);
  run_ = std::move(launch.run);
  ASSERT_TRUE(launch.window) << launch.failure;
  std::optional<WindowGeometry> place;
  EXPECT_TRUE(poll_until(kPictureTimeout, [&] {
    place = small_screen.geometry(*launch.window);
    return place && place->width == kWindowWidth && place->height == kWindowHeight;
  })) << "the window is " << (place ? place->width : 0) << "x" << (place ? place->height : 0);
}

// The desktop's scale in dots per inch, or GTK's whole-number scale, the user's own window
// scaling if any, and how many times its size the window must show the picture.
struct Scale {
  const char* name;
  std::optional<int> dpi;
  const char* gdk_scale;
  const char* user_window_scaling;
  int times;
};

void PrintTo(const Scale& scale, std::ostream* out) {
  *out << scale.name;
}

class DisplayScale : public DesktopScale, public testing::WithParamInterface<Scale> {};

TEST_P(DisplayScale, ShowsEveryPixelAsAWholeSquare) {
  const Scale& scale = GetParam();
  EnvChanges settings;
  if (scale.gdk_scale != nullptr) {
    settings.emplace_back("GDK_SCALE", scale.gdk_scale);
  }
  if (scale.user_window_scaling != nullptr) {
    settings.emplace_back("SDL12COMPAT_WINDOW_SCALING", scale.user_window_scaling);
  }
  ASSERT_TRUE(launch_at_display_scale(scale.dpi, settings));
  pixel_size_ = shown_at(scale.times);
  EXPECT_TRUE(wait_for_picture(test_screen_blinking()));
}

// 100 %, 125 %, 150 % and 200 %, 200 % with the user's choice of the picture's size, and
// GTK's scale of 2 (X11 only).
INSTANTIATE_TEST_SUITE_P(
    Dpi, DisplayScale,
    testing::Values(Scale{"96", 96, nullptr, nullptr, 1}, Scale{"120", 120, nullptr, nullptr, 1},
                    Scale{"144", 144, nullptr, nullptr, 2}, Scale{"192", 192, nullptr, nullptr, 2},
                    Scale{"192WithUserScaling", 192, nullptr, "1", 1},
                    Scale{"GdkScale2", std::nullopt, "2", nullptr, 2}),
    testing::PrintToStringParamName());

}  // namespace
