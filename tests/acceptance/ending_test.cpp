// How a run ends: Escape, the window's close request, and the start-up failures with
// their messages.
#include <X11/keysym.h>

#include "acceptance_test.h"

namespace {

class Ending : public ProgramTest {};

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

}  // namespace
