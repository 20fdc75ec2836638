// Real key presses through XTEST: the arrows, keys the program does not use, full screen,
// and an underline moved off the grey frame.
#include <X11/keysym.h>

#include "acceptance_test.h"

namespace {

// From the start row, 23 rows down is row 31: its underline (y = 408) lies below the
// grey frame, where frames never paint.
constexpr int kRowsDownToBelowFrame = 23;
constexpr CellPosition kBelowFrame{kStartCell.column, kStartCell.row + kRowsDownToBelowFrame};
// The row just above it is also outside the frame; the underline may have been drawn
// there on its way down, and would have stayed.
constexpr CellPosition kPassedOnTheWay{kBelowFrame.column, kBelowFrame.row - 1};
// Between presses of the same key: more than SDL's 2 ms autorepeat window.
constexpr std::chrono::milliseconds kKeystrokeGap{5};
// Three readout values span two toggles: both blink phases.
constexpr std::size_t kValuesSpanningBothPhases = 3;

class Keyboard : public ProgramTest {};

TEST_F(Keyboard, EachArrowMovesTheUnderlineOneCell) {
  ASSERT_TRUE(launch_in_window());
  ASSERT_TRUE(wait_for_picture(test_screen_with_underline(kStartCell)));
  struct Step {
    const char* key;
    unsigned long keysym;
    CellPosition cell;
  };
  const Step steps[] = {{"Right", XK_Right, {12, 8}},
                        {"Down", XK_Down, {12, 9}},
                        {"Left", XK_Left, {11, 9}},
                        {"Up", XK_Up, {11, 8}}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.key);
    press_key(step.keysym);
    ASSERT_TRUE(wait_for_picture(test_screen_with_underline(step.cell)));
  }
}

// Keys are handled in order, so once the Right after them shows, the others have been
// handled, and neither moved the cursor nor left the window.
TEST_F(Keyboard, OtherKeysChangeNothing) {
  ASSERT_TRUE(launch_showing_test_screen());
  constexpr unsigned long kUnusedKeys[] = {XK_a, XK_Return, XK_Tab, XK_BackSpace, XK_F1, XK_Home};
  for (const unsigned long keysym : kUnusedKeys) {
    press_key(keysym);
  }
  press_key(XK_Right);
  EXPECT_TRUE(wait_for_picture(test_screen_with_underline({12, 8})));
  EXPECT_TRUE(wait_for_picture(test_screen()));
}

TEST_F(Keyboard, SpaceSwitchesToFullScreenAndBackToTheSamePicture) {
  ASSERT_TRUE(launch_showing_test_screen());
  expect_full_screen_and_back();
}

TEST_F(Keyboard, UnderlineBelowTheFrameStaysInBothBlinkPhases) {
  ASSERT_TRUE(launch_showing_test_screen());
  for (int row = 0; row < kRowsDownToBelowFrame; ++row) {
    x_session().queue_key_press(XK_Down, kKeystrokeGap);
  }
  x_session().flush();

  ExpectedPicture underline_stays = test_screen_with_underline(kBelowFrame);
  underline_stays.leave_underline_open(kPassedOnTheWay);
  ASSERT_TRUE(wait_for_picture(underline_stays));
  watch_readout(underline_stays, kBelowFrame, kValuesSpanningBothPhases);
}

}  // namespace
