// How a run ends: Escape, the window's close request, a quit request, the loss of the
// display, and the start-up failures with their messages.
#include <X11/keysym.h>
#include <signal.h>

#include <string>

#include "acceptance_test.h"
#include "expected_texts.h"
#include "x_server.h"

namespace {

class Ending : public ProgramTest {
 protected:
  // Whether SDL has set up its SIGTERM handler in the process, which it does while
  // starting; the main loop runs from then on.
  bool wait_until_sdl_started() {
    return poll_until(kWindowTimeout, [&] { return run_->process().catches(SIGTERM); });
  }
};

TEST_F(Ending, EscapeEndsWithStatusZero) {
  ASSERT_TRUE(launch_showing_test_screen());
  press_key(XK_Escape);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_EQ(run_->output(), "");
}

TEST_F(Ending, CloseRequestEndsWithStatusZero) {
  ASSERT_TRUE(launch_showing_test_screen());
  x_session().request_close(window_);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_EQ(run_->output(), "");
}

TEST_F(Ending, QuitRequestWithoutADisplayEndsWithStatusZero) {
  launch_without_display(font_);
  ASSERT_TRUE(wait_until_sdl_started());
  EXPECT_FALSE(poll_until(600ms, [&] { return run_->process().has_exited(); }))  // a few blinks
      << "the program ended by itself";
  run_->process().send_signal(SIGTERM);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_EQ(run_->output(), "");
}

TEST_F(Ending, LostDisplayEndsTheProgramInsteadOfLeavingItSpinning) {
  auto server = std::make_unique<XServer>();
  run_ = std::make_unique<ProgramRun>();
  run_->install_font(font_);
  run_->start(window_environment(server->display()));
  ASSERT_TRUE(wait_until_sdl_started());
  // Let it open its window and draw a few frames before the server goes.
  EXPECT_FALSE(poll_until(1s, [&] { return run_->process().has_exited(); }));
  server.reset();
  EXPECT_NE(wait_for_exit(), "still running");
}

// A start that cannot go on: what is in the font's place, the video driver asked for
// (none: no display at all), and what the program must print before it ends with 1.
struct StartFailure {
  const char* name;
  enum { kNoFont, kFont, kDirectory } font;
  std::optional<std::string> video_driver;
  std::string output;  // the whole output; with only_start, how it starts, ending a line
  bool only_start;
};

void PrintTo(const StartFailure& failure, std::ostream* out) {
  *out << failure.name;
}

class FailedStart : public Ending, public testing::WithParamInterface<StartFailure> {};

TEST_P(FailedStart, IsReportedWithStatusOne) {
  const StartFailure& failure = GetParam();
  run_ = std::make_unique<ProgramRun>();
  if (failure.font == StartFailure::kFont) {
    run_->install_font(font_);
  } else if (failure.font == StartFailure::kDirectory) {
    std::filesystem::create_directory(run_->font_path());
  }
  EnvChanges env = dummy_environment();
  env.emplace_back("SDL_VIDEODRIVER", failure.video_driver);
  run_->start(env);
  EXPECT_EQ(wait_for_exit(), "exit 1");
  const std::string output = run_->output();
  if (failure.only_start) {
    EXPECT_TRUE(output.starts_with(failure.output) && output.ends_with("\n")) << output;
  } else {
    EXPECT_EQ(output, failure.output);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedStart,
    testing::Values(
        // The message has no line end.
        StartFailure{"MissingFont", StartFailure::kNoFont, "dummy", std::string{kFontMessage},
                       false},
        StartFailure{"FontPathIsADirectory", StartFailure::kDirectory, "dummy",
                       std::string{kFontMessage}, false},
        StartFailure{"UnknownVideoDriver", StartFailure::kFont, "nosuchdriver",
                       std::string{kInitFailure}, true},
        // Rather than running invisibly on a driver that shows nothing.
        StartFailure{"NoDisplayAtAll", StartFailure::kFont, std::nullopt,
                       std::string{kInitFailure} + std::string{kNoVideoDevice} + "\n", false}),
    testing::PrintToStringParamName());

}  // namespace
