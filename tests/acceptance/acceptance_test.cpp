#include "acceptance_test.h"

#include <cstdlib>
#include <iostream>

#include "window_launch.h"
#include "x_server.h"

namespace {

// Set to repeat a run with the same font.
constexpr const char* kSeedVariable = "VYRTEL_ACCEPTANCE_SEED";
// Mismatching pixels listed in a failure message, of the many there may be.
constexpr std::size_t kMismatchesShown = 8;

std::unique_ptr<XServer> server;
std::unique_ptr<XSession> session;

class XServerEnvironment : public testing::Environment {
 public:
  void TearDown() override {
    session.reset();
    server.reset();
  }
};

const testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new XServerEnvironment);

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
  return name;
}

std::string describe_mismatches(const std::vector<std::pair<int, int>>& wrong) {
  std::string text = std::to_string(wrong.size()) + " pixels differ, first at";
  for (std::size_t i = 0; i < wrong.size() && i < kMismatchesShown; ++i) {
    text += " (" + std::to_string(wrong[i].first) + "," + std::to_string(wrong[i].second) + ")";
  }
  return text;
}

}  // namespace

XSession& x_session() {
  if (!session) {
    server = std::make_unique<XServer>();
    session = std::make_unique<XSession>(server->display());
  }
  return *session;
}

bool poll_until(std::chrono::milliseconds timeout, const std::function<bool()>& condition) {
  return poll_until(timeout, condition, session.get());
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

bool ProgramTest::launch_in_window(const std::function<void(ProgramRun&)>& install_font) {
  WindowLaunch launch = ::launch_in_window(x_session(), install_font, kWindowTimeout);
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

std::optional<Image> ProgramTest::wait_for_picture(const ExpectedPicture& expected,
                                                   std::chrono::milliseconds timeout) {
  std::optional<Image> last;
  const bool matched = poll_until(timeout, [&] {
    if (auto picture = capture()) {
      last = std::move(picture);
      return last->width == kWindowWidth && last->height == kWindowHeight &&
             expected.mismatches(*last).empty();
    }
    return false;
  });
  if (matched) {
    return last;
  }
  if (!last) {
    ADD_FAILURE() << "No screenshot of the window could be taken";
  } else if (last->width != kWindowWidth || last->height != kWindowHeight) {
    ADD_FAILURE() << "The window is " << last->width << "x" << last->height << ", not "
                  << kWindowWidth << "x" << kWindowHeight;
  } else {
    save_artifacts(*last, expected);
    ADD_FAILURE() << "The window never showed the expected picture: "
                  << describe_mismatches(expected.mismatches(*last));
  }
  return std::nullopt;
}

void ProgramTest::save_artifacts(const Image& actual, const ExpectedPicture& expected) const {
  const std::filesystem::path stem = std::filesystem::path{VYRTEL_ARTIFACT_DIR} / artifact_stem();
  write_png(actual, stem.string() + "-actual.png");
  write_png(expected.diff_image(actual), stem.string() + "-diff.png");
  std::cout << "Screenshot and differences (red) written to " << stem.string()
            << "-{actual,diff}.png\n";
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

std::string ProgramTest::wait_for_exit(std::chrono::milliseconds timeout) {
  std::optional<int> status;
  poll_until(timeout, [&] {
    status = run_->process().wait_for_exit(0ms);
    return status.has_value();
  });
  return status ? describe_wait_status(*status) : "still running";
}
