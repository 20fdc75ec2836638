// Each drawing into one window, as the X server's DAMAGE extension reports it: a program's
// frames, whatever draws them (SDL, Wine, a browser), seen from outside the program.
#pragma once

#include <chrono>
#include <optional>
#include <string>

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
