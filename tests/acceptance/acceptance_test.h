// The fixture of the acceptance suite: the program run for real, in a window on a private
// X server or on SDL's dummy driver, with a font of random glyphs made for each test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "polling.h"
#include "program_run.h"
#include "screen_model.h"
#include "window_launch.h"
#include "x_session.h"

using namespace std::chrono_literals;

// The X server and the suite's one connection to it: started on first use, stopped as the
// test program ends.
XSession& x_session();

// How many times the 640x480 picture fits the screen, in whole pixels or not.
double screen_fit();

// Whether the suite runs the program on the classic SDL 1.2 library rather than on the
// compatibility layer over SDL2 that it is built with. Where the two legitimately differ,
// a test checks what each should do.
inline bool on_classic_sdl() {
  return classic_sdl_dir().has_value();
}

// How a screenshot is taken, and how the 640x480 picture is read back from it.
using Shot = std::function<std::optional<Image>()>;
using Reader = std::function<Reading(const Image&)>;

// One look at the readout and at the underline of one cell.
struct ReadoutSample {
  std::chrono::steady_clock::time_point taken;
  std::uint32_t value;
  Underline underline;
};

class ProgramTest : public testing::Test {
 protected:
  ProgramTest();
  // After a failure: the seed that made the font, and what the program printed.
  void TearDown() override;

  // Starts the program in a window, with the font file that `install_font` puts in place
  // and the user's `settings` in its environment, and waits for the window, then gives it
  // the keyboard. A start that could not reach the display is tried again.
  [[nodiscard]] bool launch_in_window(const std::function<void(ProgramRun&)>& install_font,
                                      const EnvChanges& settings = {},
                                      StartIn folder = StartIn::kRunFolder);
  [[nodiscard]] bool launch_in_window(const EnvChanges& settings = {}) {
    return launch_in_window([this](ProgramRun& run) { run.install_font(font_); }, settings);
  }
  // The same, and waits until the window shows the test screen.
  [[nodiscard]] bool launch_showing_test_screen(const EnvChanges& settings = {}) {
    return launch_in_window(settings) && wait_for_picture(test_screen());
  }
  // Starts the program on the dummy driver with `font` (none when nullopt).
  void launch_without_display(const std::optional<FontBytes>& font);

  // The program's picture as it is now: its window here, its canvas in a browser.
  virtual std::optional<Image> capture() { return x_session().capture(window_); }
  // Waits until the picture that `read` finds in a `shot` matches `expected`. On time-out
  // it records a failure and writes the last picture and its differences (or the last
  // shot, when no picture could be read from it) into the build folder.
  std::optional<Image> wait_for_shown(const ExpectedPicture& expected, const Shot& shot,
                                      const Reader& read,
                                      std::chrono::milliseconds timeout = kPictureTimeout);
  // The same for the window: 640x480 picture pixels, each a square of `pixel_size_` by
  // `pixel_size_` screen pixels.
  std::optional<Image> wait_for_picture(const ExpectedPicture& expected,
                                        std::chrono::milliseconds timeout = kPictureTimeout);
  // Waits for `picture` without the cursor's underline, then with it: both blink phases.
  bool wait_for_both_blink_phases(ExpectedPicture picture);
  // Space to full screen, which must show the picture, and Space again: the window must
  // come back at its size, whole on the screen, with the same picture in both blink
  // phases. Where it comes back is SDL2's and the window manager's: leaving full screen,
  // SDL2 waits up to 100 ms for the window manager to put the window back, then moves it
  // to wherever it saw it last, which on a busy machine is still the full screen's corner.
  void expect_full_screen_and_back();
  // The same for the whole screen, with the program in full screen on the 1920x1080
  // desktop, the picture centred on black and scaled by full_screen_scale().
  std::optional<Image> wait_for_full_screen(const ExpectedPicture& expected);
  // The compatibility layer scales the picture to the screen's height by 2.25, nearest
  // neighbour (strokes 2 or 3 screen pixels wide), aspect kept. The classic library
  // switches the monitor to a 640x480 video mode instead, and where it cannot (Xvfb has a
  // single mode) shows the picture unscaled in the middle of the screen.
  virtual double full_screen_scale() const { return on_classic_sdl() ? 1.0 : screen_fit(); }
  void save_artifacts(const Image& actual, const ExpectedPicture& expected) const;
  void save_shot(const Image& shot) const;

  // Samples the readout, and the underline of `cell`, until it has shown `values`
  // different values, pressing `key_between_samples` (when given) after each sample.
  // Every screenshot must match `steady_part` meanwhile, so the window must show it
  // already; a failure is recorded at the first screenshot that does not, or whose
  // readout cannot be read.
  std::vector<ReadoutSample> watch_readout(
      const ExpectedPicture& steady_part, CellPosition cell, std::size_t values,
      std::optional<unsigned long> key_between_samples = std::nullopt);

  ExpectedPicture test_screen() const { return ExpectedPicture{font_}; }
  ExpectedPicture test_screen_with_underline(CellPosition cell) const;
  // The test screen with the cursor's underline left open, in either blink phase.
  ExpectedPicture test_screen_blinking() const;

  // A press and release of `keysym`, given to the program as a user would give it.
  virtual void press_key(unsigned long keysym) { x_session().press_key(keysym); }
  // Waits for the test screen, then watches the readout over a few blinks and checks that
  // it holds the tick count of the last blink toggle: it changes exactly when the underline
  // toggles, by the blink interval, and follows the clock since `launched`. An unused key
  // pressed after every sample makes frames between the toggles too, which must not
  // change it.
  void expect_readout_follows_blink(std::chrono::steady_clock::time_point launched);
  // "exit N" or "signal N" once the program has ended, "still running" after the time-out.
  std::string wait_for_exit(std::chrono::milliseconds timeout = kExitTimeout);

  std::uint32_t seed_;
  std::mt19937 random_;
  FontBytes font_;
  std::unique_ptr<ProgramRun> run_;
  WindowId window_ = 0;
  int pixel_size_ = 1;
};
