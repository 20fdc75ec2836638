// What only the Windows program does: SDL sends its messages to files beside it, a start-up
// failure also shows its message in a box, a double-click starts it in its own folder,
// where the zip put the font.
#include <X11/keysym.h>

#include "acceptance_test.h"

namespace {

// Wine's note of the text each message box is given, which its trace channel "msgbox"
// writes to standard error.
constexpr const char* kBoxTrace = "-all,+msgbox";
constexpr const char* kBoxTextNote = "MSGBOX_OnInit L\"";
// A Russian user's desktop, which the ANSI code page of a Western Windows (1252) cannot
// spell.
constexpr const char* kCyrillicFolder =
    "\u041c\u0430\u0440\u0438\u044f/\u0420\u0430\u0431\u043e\u0447\u0438\u0439 "
    "\u0441\u0442\u043e\u043b/vyrtel 0.1";

class WindowsRun : public ProgramTest {
 protected:
  // Starts the program on the suite's display, with no font where it looks, from the
  // run's own folder: a program started from another folder, as a shortcut might.
  void start_without_font(const EnvChanges& settings = {}) {
    if (!run_) {
      run_ = std::make_unique<ProgramRun>();
    }
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

  // Waits for the message box titled with the caption, checks that it was given
  // `message`, and closes it with Enter, as a user would.
  void close_failure_box(const std::string& message) {
    std::optional<WindowId> box;
    ASSERT_TRUE(poll_until(kWindowTimeout, [&] {
      box = x_session().find_window(kCaption);
      return box.has_value();
    })) << "no message box";
    EXPECT_TRUE(poll_until(kPictureTimeout, [&] {
      return run_->errors().find(kBoxTextNote + message + "\"") != std::string::npos;
    })) << "the box does not say " << message;
    x_session().focus(*box);
    press_key(XK_Return);
  }
};

TEST_F(WindowsRun, MissingFontIsShownInABoxAndReportedInStdoutTxtBesideTheProgram) {
  start_without_font({{"WINEDEBUG", kBoxTrace}});
  close_failure_box(std::string{kFontMessage});
  EXPECT_EQ(wait_for_exit(), "exit 1");
  EXPECT_EQ(read_file(run_->program_folder() / "stdout.txt"), kFontMessage);
  EXPECT_FALSE(std::filesystem::exists(run_->run_folder() / "stdout.txt"))
      << "written into the working folder";
  EXPECT_FALSE(beside_program("stderr.txt")) << "an empty stderr.txt was left behind";
}

// SDL's wrapper cannot make stdout.txt in a folder the ANSI code page cannot spell; the
// box still shows the message.
TEST_F(WindowsRun, MissingFontIsShownInABoxWhereStdoutTxtCannotBeMade) {
  run_ = std::make_unique<ProgramRun>(kCyrillicFolder);
  start_without_font({{"WINEDEBUG", kBoxTrace}, {"LC_ALL", "C.UTF-8"}});
  close_failure_box(std::string{kFontMessage});
  EXPECT_EQ(wait_for_exit(), "exit 1");
  EXPECT_FALSE(beside_program("stdout.txt"));
}

// The user who asks for the console gets the message there and no box, which would keep
// the program from ending.
TEST_F(WindowsRun, RedirectSetToZeroKeepsTheMessageOnStandardOutputWithoutABox) {
  start_without_font({{"SDL_STDIO_REDIRECT", "0"}});
  EXPECT_EQ(wait_for_exit(), "exit 1");
  EXPECT_FALSE(beside_program("stdout.txt"));
  EXPECT_EQ(run_->output(), kFontMessage);
}

TEST_F(WindowsRun, StartedInItsFolderShowsTheZippedFontAndLeavesNoFilesBehind) {
  font_ = zipped_font();
  ASSERT_TRUE(launch_in_window([](ProgramRun&) {}, {}, StartIn::kProgramFolder));
  EXPECT_TRUE(wait_for_both_blink_phases(test_screen()));
  press_key(XK_Escape);
  EXPECT_EQ(wait_for_exit(), "exit 0");
  EXPECT_FALSE(beside_program("stdout.txt"));
  EXPECT_FALSE(beside_program("stderr.txt"));
}

}  // namespace
