#include "tests/app_test_support.h"

#include <exception>
#include <fstream>

#include "app/main_routine.h"
#include "display/font_image.h"

namespace fs = std::filesystem;

void AppTest::SetUp() {
  fake_sdl::reset();
  // The program sets some of SDL's variables for itself when the user has not; each run
  // starts as a user's would, with none of them.
  for (const char* variable :
       {"SDL_VIDEODRIVER", "SDL_RENDER_DRIVER", "SDL_FRAMEBUFFER_ACCELERATION",
        "SDL12COMPAT_SCALE_METHOD", "CACA_DRIVER"}) {
    unsetenv(variable);
  }
  previous_directory_ = fs::current_path();
  fs::create_directory(scratch_.path() / "rfs");
  // A blank font: the pictures these tests look at are the underline's.
  std::ofstream(scratch_.path() / "rfs" / "rk_font.bin", std::ios::binary)
      << std::string(kFontImageSize, static_cast<char>(kFontBlankRow));
  fs::current_path(scratch_.path());
}

void AppTest::TearDown() {
  fs::current_path(previous_directory_);
}

void AppTest::at(std::uint64_t when, const SDL_Event& event) {
  fake_sdl::world().events.push_back(fake_sdl::TimedEvent{.at = when, .event = event});
}

int AppTest::run() {
  testing::internal::CaptureStdout();
  try {
    const int status = vyrtel_main(0, nullptr);
    std::fflush(stdout);
    output = testing::internal::GetCapturedStdout();
    return status;
  } catch (const std::exception& stopped) {
    // The stand-in SDL stopped a runaway program: the failure is reported on the test's
    // own output.
    output = testing::internal::GetCapturedStdout();
    ADD_FAILURE() << stopped.what();
    return -2;
  }
}

bool underline_shown(const fake_sdl::Flip& flip, CellPosition cell) {
  return underline_at(rgb565_image(flip.pixels, kWindowWidth), cell) == Underline::kShown;
}
