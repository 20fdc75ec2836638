// What only the Windows program does: SDL sends its messages to files beside it, and a
// double-click starts it in its own folder, where the zip put the font.
#include <X11/keysym.h>

#include "acceptance_test.h"

namespace {

constexpr const char* kFontMessage = "Unable to open font file";

class WindowsRun : public ProgramTest {
 protected:
  // Starts the program on the suite's display, with no font where it looks.
  void start_without_font(const EnvChanges& settings = {}) {
    run_ = std::make_unique<ProgramRun>();
    EnvChanges env = window_environment(x_session().display_name());
    env.insert(env.end(), settings.begin(), settings.end());
    run_->start(env);
  }

  bool beside_program(const char* file) const {
    return std::filesystem::exists(run_->program_folder() / file);
  }

  static FontBytes zipped_font() {
    const std::string bytes = read_file(*windows_program_dir() / "rfs/rk_font.bin");
    return FontBytes{bytes.begin(), bytes.end()};
  }
};

TEST_F(WindowsRun, MissingFontIsReportedInStdoutTxtBesideTheProgram) {
  start_without_font();
  EXPECT_EQ(wait_for_exit(), "exit 1");
  EXPECT_EQ(read_file(run_->program_folder() / "stdout.txt"), kFontMessage);
  EXPECT_FALSE(std::filesystem::exists(run_->run_folder() / "stdout.txt"))
      << "written into the working folder";
  EXPECT_FALSE(beside_program("stderr.txt")) << "an empty stderr.txt was left behind";
}

TEST_F(WindowsRun, RedirectSetToZeroKeepsTheMessageOnStandardOutput) {
  start_without_font({{"SDL_STDIO_REDIRECT", "0"}});
  EXPECT_EQ(wait_for_exit(), "exit 1");
  EXPECT_FALSE(beside_program("stdout.txt"));
  EXPECT_EQ(run_->output(), kFontMessage);
}

TEST_F(WindowsRun, StartedInItsFolderShowsTheZippedFontAndLeavesNoFilesBehind) {
  font_ = zipped_font();
  ASSERT_TRUE(launch_in_window([](ProgramRun&) {}, {}, StartIn::kProgramFolder));
  EXPECT_TRUE(wait_for_picture(test_screen()));
  EXPECT_TRUE(wait_for_picture(test_screen_with_underline(kCursorStart)));
  press_key(XK_Escape);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_FALSE(beside_program("stdout.txt"));
  EXPECT_FALSE(beside_program("stderr.txt"));
}

}  // namespace
