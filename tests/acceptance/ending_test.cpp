// How a run ends: Escape, the window's close request, and the start-up failures with
// their messages.
#include <X11/keysym.h>
#include <signal.h>

#include <fstream>
#include <string>

#include "acceptance_test.h"
#include "x_server.h"

namespace {

class Ending : public ProgramTest {};

// Whether SDL has set up its SIGTERM handler in the process, which it does while starting.
bool sdl_started(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("SigCgt:")) {
      return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGTERM - 1))) != 0;
    }
  }
  return false;
}

TEST_F(Ending, EscapeEndsWithStatusZero) {
  ASSERT_TRUE(launch_in_window());
  ASSERT_TRUE(wait_for_picture(test_screen()));
  press_key(XK_Escape);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_EQ(run_->output(), "");
}

TEST_F(Ending, CloseRequestEndsWithStatusZero) {
  ASSERT_TRUE(launch_in_window());
  ASSERT_TRUE(wait_for_picture(test_screen()));
  x_session().request_close(window_);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_EQ(run_->output(), "");
}

TEST_F(Ending, MissingFontIsReportedWithStatusOne) {
  launch_without_display(std::nullopt);
  EXPECT_EQ(wait_for_exit(), "exit 1");
  EXPECT_EQ(run_->output(), "Unable to open font file");
}

TEST_F(Ending, UnknownVideoDriverIsReportedWithStatusOne) {
  run_ = std::make_unique<ProgramRun>();
  run_->install_font(font_);
  EnvChanges env = dummy_environment();
  env.emplace_back("SDL_VIDEODRIVER", "nosuchdriver");
  run_->start(env);
  EXPECT_EQ(wait_for_exit(), "exit 1");
  const std::string output = run_->output();
  EXPECT_EQ(output.rfind("Unable to init SDL: ", 0), 0u) << output;
  EXPECT_TRUE(output.ends_with("\n")) << output;
}

TEST_F(Ending, LostDisplayEndsTheProgramInsteadOfLeavingItSpinning) {
  auto server = std::make_unique<XServer>();
  run_ = std::make_unique<ProgramRun>();
  run_->install_font(font_);
  run_->start(window_environment(server->display()));
  ASSERT_TRUE(poll_until(kWindowTimeout, [&] { return sdl_started(run_->process().pid()); }));
  // Let it open its window and draw a few frames before the server goes.
  EXPECT_FALSE(poll_until(1s, [&] { return run_->process().has_exited(); }));
  server.reset();
  EXPECT_NE(wait_for_exit(), "still running");
}

}  // namespace
