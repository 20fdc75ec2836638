// Each drawing into one window, as the X server's DAMAGE extension reports it: a program's
// frames, whatever draws them (SDL, Wine, a browser), seen from outside the program.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "x_session.h"

class DrawingWatch {
 public:
  // Watches `window` on `display` through a connection of its own. Throws
  // std::runtime_error when it cannot connect, or when the server lacks DAMAGE.
  DrawingWatch(const std::string& display, WindowId window);
  ~DrawingWatch();
  DrawingWatch(const DrawingWatch&) = delete;
  DrawingWatch& operator=(const DrawingWatch&) = delete;

  // When the window was next drawn into, waiting at most `timeout`; nothing when it was not.
  std::optional<std::chrono::steady_clock::time_point> next_drawing(
      std::chrono::milliseconds timeout);
  // Forgets the drawings reported so far.
  void forget();

 private:
  _XDisplay* display_;
  unsigned long damage_;
  int event_base_ = 0;
};

// How soon key presses reach the window, seen from outside the program. Each press is sent
// at random 30 to 120 ms after a drawing of the program's own, so that it lands anywhere in
// the program's cycle; the program's next drawing of its own is then at least 130 ms away,
// so a drawing before that is the press's, and a press with none by then is a miss.
struct KeyTimings {
  std::vector<std::chrono::steady_clock::duration> drawn;  // from each press to its drawing
  int missed = 0;
};
inline constexpr std::chrono::milliseconds kOwnDrawingAway{130};

// Times `presses` presses, sending press number i with `press(i)`. Nothing when the window
// stopped drawing for `stopped_after`.
std::optional<KeyTimings> time_key_presses(DrawingWatch& drawings, int presses,
                                           std::mt19937& random,
                                           const std::function<void(int)>& press,
                                           std::chrono::milliseconds stopped_after);
