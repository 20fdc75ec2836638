#include "tests/app_test_support.h"

#include <algorithm>
#include <exception>
#include <fstream>

#include "app/main_routine.h"
#include "display/font_image.h"
#include "display_choices.h"

namespace fs = std::filesystem;

void AppTest::SetUp() {
  fake_sdl::reset();
  // The program runs in the test's own process, where what it set for itself stays set:
  // each run starts as a user's would, with none of it.
  for (const char* variable : kDisplayChoiceVariables) {
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

void AppTest::press_arrows_for_a_second_from(std::uint64_t first) {
  constexpr std::uint64_t kGapMs = 5;
  constexpr std::uint64_t kSecondMs = 1000;
  for (std::uint64_t when = first; when < first + kSecondMs; when += kGapMs) {
    at(when, fake_sdl::key_down(when % 2 == 0 ? SDLK_RIGHT : SDLK_LEFT));
  }
  at(first + kSecondMs + 100, fake_sdl::quit_request());
}

std::uint64_t AppTest::slowest_key_to_screen_ms() {
  const fake_sdl::World& world = fake_sdl::world();
  std::uint64_t slowest = 0;
  for (const auto& delivery : world.deliveries) {
    if (delivery.event.type != SDL_KEYDOWN) {
      continue;
    }
    if (delivery.flips_before >= world.flips.size()) {
      ADD_FAILURE() << "no frame after the press at " << delivery.at << " ms";
      return fake_sdl::kRunawayMs;
    }
    slowest = std::max(slowest, world.flips[delivery.flips_before].shown_at - delivery.at);
  }
  return slowest;
}

bool underline_shown(const fake_sdl::Flip& flip, CellPosition cell) {
  return underline_at(rgb565_image(flip.pixels, kWindowWidth), cell) == Underline::kShown;
}
