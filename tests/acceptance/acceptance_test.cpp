#include "acceptance_test.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "x_server.h"

namespace {

// Set to repeat a run with the same font.
constexpr const char* kSeedVariable = "VYRTEL_ACCEPTANCE_SEED";
// Mismatching pixels listed in a failure message, of the many there may be.
constexpr std::size_t kMismatchesShown = 8;
// The program toggles the blink once more than 250 ms have passed, so two readouts one
// toggle apart differ by at least 251 ms, and by little more: the program sleeps until
// the toggle is due, and even a loaded machine wakes it well within 100 ms of that.
constexpr std::uint32_t kMinToggleStepMs = 251;
constexpr std::uint32_t kMaxToggleStepMs = kMinToggleStepMs + 100;
// From a toggle until its frame can be seen in a screenshot, on a loaded machine.
constexpr long kPresentDelayMs = 250;
// Readout values a watch of the blink takes: five toggles.
constexpr std::size_t kBlinkValuesWatched = 6;

std::uint32_t choose_seed() {
  if (const char* chosen = std::getenv(kSeedVariable)) {
    return static_cast<std::uint32_t>(std::strtoul(chosen, nullptr, 10));
  }
  return std::random_device{}();
}

std::string artifact_stem() {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string{test->test_suite_name()} + "." + test->name();
  for (char& c : name) {
    c = c == '/' ? '_' : c;
  }
  if (const char* browser = std::getenv("VYRTEL_BROWSER")) {
    return name + "-" + browser;
  }
  if (on_wine()) {
    return name + "-wine";
  }
  return on_classic_sdl() ? name + "-classic-sdl" : name;
}

long ms_between(std::chrono::steady_clock::time_point from,
                std::chrono::steady_clock::time_point to) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

std::string describe_mismatches(const std::vector<std::pair<int, int>>& wrong) {
  std::string text = std::to_string(wrong.size()) + " pixels differ, first at";
  for (std::size_t i = 0; i < wrong.size() && i < kMismatchesShown; ++i) {
    text += " (" + std::to_string(wrong[i].first) + "," + std::to_string(wrong[i].second) + ")";
  }
  return text;
}

// A window's place, for a failure's message.
std::string describe(const std::optional<WindowGeometry>& place) {
  if (!place) {
    return "nowhere (no window with the caption)";
  }
  return std::to_string(place->width) + "x" + std::to_string(place->height) + " at (" +
         std::to_string(place->x) + "," + std::to_string(place->y) + ")";
}

}  // namespace

XSession& x_session() {
  static const XServer server;
  static XSession session{server.display()};
  return session;
}

ProgramTest::ProgramTest() : seed_{choose_seed()}, random_{seed_}, font_{random_font(random_)} {}

void ProgramTest::TearDown() {
  if (!HasFailure()) {
    return;
  }
  std::cout << "The test font was made from seed " << seed_ << " (set " << kSeedVariable << "="
            << seed_ << " to repeat)\n";
  if (run_) {
    std::cout << "Program stdout: [" << run_->output() << "]\nProgram stderr: [" << run_->errors()
              << "]\n";
  }
}

bool ProgramTest::launch_in_window(const std::function<void(ProgramRun&)>& install_font,
                                   const EnvChanges& settings, StartIn folder) {
  WindowLaunch launch =
      ::launch_in_window(x_session(), install_font, kWindowTimeout, settings, folder);
  run_ = std::move(launch.run);
  if (!launch.window) {
    ADD_FAILURE() << "Launch in a window failed: " << launch.failure;
    return false;
  }
  window_ = *launch.window;
  return true;
}

void ProgramTest::launch_without_display(const std::optional<FontBytes>& font) {
  run_ = std::make_unique<ProgramRun>();
  if (font) {
    run_->install_font(*font);
  }
  run_->start(dummy_environment());
}

std::optional<Image> ProgramTest::wait_for_shown(const ExpectedPicture& expected, const Shot& shot,
                                                 const Reader& read,
                                                 std::chrono::milliseconds timeout) {
  std::optional<Image> last_shot;
  Reading last;
  const bool matched = poll_until(timeout, [&] {
    last_shot = shot();
    if (!last_shot) {
      return false;
    }
    last = read(*last_shot);
    return last.picture && expected.mismatches(*last.picture).empty();
  });
  if (matched) {
    return last.picture;
  }
  if (!last_shot) {
    ADD_FAILURE() << "No screenshot could be taken";
  } else if (!last.picture) {
    save_shot(*last_shot);
    ADD_FAILURE() << "The screenshot does not show the picture: " << last.problem;
  } else {
    save_artifacts(*last.picture, expected);
    ADD_FAILURE() << "The screen never showed the expected picture: "
                  << describe_mismatches(expected.mismatches(*last.picture));
  }
  return std::nullopt;
}

std::optional<Image> ProgramTest::wait_for_picture(const ExpectedPicture& expected,
                                                   std::chrono::milliseconds timeout) {
  return wait_for_shown(
      expected, [this] { return capture(); },
      [this](const Image& shot) { return read_window(shot, pixel_size_); }, timeout);
}

bool ProgramTest::wait_for_both_blink_phases(ExpectedPicture picture) {
  if (!wait_for_picture(picture)) {
    return false;
  }
  picture.add_underline(kStartCell);
  return wait_for_picture(picture).has_value();
}

void ProgramTest::expect_full_screen_and_back() {
  const auto window_place = x_session().geometry(window_);
  ASSERT_TRUE(window_place);
  press_key(XK_space);
  EXPECT_TRUE(wait_for_full_screen(test_screen_blinking()));
  press_key(XK_space);
  // Under Wine each display mode has a window of its own, so the window is looked up by
  // its caption each time.
  const WindowGeometry screen = x_session().screen();
  std::optional<WindowGeometry> last_place;
  ASSERT_TRUE(poll_until(kPictureTimeout, [&] {
    const auto window = x_session().find_window(kCaption);
    last_place = window ? x_session().geometry(*window) : std::nullopt;
    if (!last_place || last_place->width != window_place->width ||
        last_place->height != window_place->height || last_place->x < 0 || last_place->y < 0 ||
        last_place->x + last_place->width > screen.width ||
        last_place->y + last_place->height > screen.height) {
      return false;
    }
    window_ = *window;
    return true;
  })) << "the window did not come back: it was " << describe(window_place) << ", and is "
      << describe(last_place);
  EXPECT_TRUE(wait_for_both_blink_phases(test_screen()));
}

double screen_fit() {
  const WindowGeometry screen = x_session().screen();
  return std::min(static_cast<double>(screen.width) / kWindowWidth,
                  static_cast<double>(screen.height) / kWindowHeight);
}

std::optional<Image> ProgramTest::wait_for_full_screen(const ExpectedPicture& expected) {
  const double scale = full_screen_scale();
  return wait_for_shown(
      expected, [] { return x_session().capture_screen(); },
      [scale](const Image& shot) { return read_full_screen(shot, scale); });
}

void ProgramTest::save_artifacts(const Image& actual, const ExpectedPicture& expected) const {
  const std::filesystem::path stem = std::filesystem::path{VYRTEL_ARTIFACT_DIR} / artifact_stem();
  write_png(actual, stem.string() + "-actual.png");
  write_png(expected.diff_image(actual), stem.string() + "-diff.png");
  std::cout << "Screenshot and differences (red) written to " << stem.string()
            << "-{actual,diff}.png\n";
}

void ProgramTest::save_shot(const Image& shot) const {
  const std::string path =
      (std::filesystem::path{VYRTEL_ARTIFACT_DIR} / artifact_stem()).string() + "-shot.png";
  write_png(shot, path);
  std::cout << "Screenshot written to " << path << "\n";
}

std::vector<ReadoutSample> ProgramTest::watch_readout(
    const ExpectedPicture& steady_part, CellPosition cell, std::size_t values,
    std::optional<unsigned long> key_between_samples) {
  std::vector<ReadoutSample> samples;
  std::size_t values_seen = 0;
  bool broken = false;
  const bool enough = poll_until(kPictureTimeout, [&] {
    const auto picture = capture();
    if (!picture) {
      return false;
    }
    if (picture->width != kWindowWidth || picture->height != kWindowHeight) {
      ADD_FAILURE() << "The picture is " << picture->width << "x" << picture->height;
      broken = true;
      return true;
    }
    const auto value = read_readout(*picture, font_);
    if (!value || !steady_part.mismatches(*picture).empty()) {
      save_artifacts(*picture, steady_part);
      broken = true;
      return true;
    }
    if (samples.empty() || samples.back().value != *value) {
      ++values_seen;
    }
    samples.push_back({std::chrono::steady_clock::now(), *value, underline_at(*picture, cell)});
    if (key_between_samples) {
      press_key(*key_between_samples);
    }
    return values_seen >= values;
  });
  EXPECT_FALSE(broken) << "A screenshot did not show the test screen with a readable readout";
  EXPECT_TRUE(enough) << "The readout showed only " << values_seen << " values in "
                      << kPictureTimeout.count() << " ms";
  return samples;
}

ExpectedPicture ProgramTest::test_screen_with_underline(CellPosition cell) const {
  ExpectedPicture picture{font_};
  picture.add_underline(cell);
  return picture;
}

ExpectedPicture ProgramTest::test_screen_blinking() const {
  ExpectedPicture picture{font_};
  picture.leave_underline_open(kStartCell);
  return picture;
}

std::string ProgramTest::wait_for_exit(std::chrono::milliseconds timeout) {
  std::optional<int> status;
  poll_until(timeout, [&] {
    status = run_->process().wait_for_exit(0ms);
    return status.has_value();
  });
  return status ? describe_wait_status(*status) : "still running";
}

void ProgramTest::expect_readout_follows_blink(std::chrono::steady_clock::time_point launched) {
  ASSERT_TRUE(wait_for_picture(test_screen_blinking()));
  const std::vector<ReadoutSample> samples =
      watch_readout(test_screen_blinking(), kStartCell, kBlinkValuesWatched, XK_a);
  ASSERT_FALSE(HasFailure());
  ASSERT_FALSE(samples.empty());
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
  const auto shown = std::ranges::count(samples, Underline::kShown, &ReadoutSample::underline);
  const auto hidden = std::ranges::count(samples, Underline::kHidden, &ReadoutSample::underline);
  EXPECT_GT(shown, 0);
  EXPECT_GT(hidden, 0);
  EXPECT_EQ(shown + hidden, static_cast<long>(samples.size())) << "a partly drawn underline";
}
