#include "drawing_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <stdexcept>
#include <thread>

namespace {

constexpr int kShortestPauseMs = 30;
constexpr int kLongestPauseMs = 120;

}  // namespace

DrawingWatch::DrawingWatch(const std::string& display, WindowId window)
    : display_{XOpenDisplay(display.c_str())}, damage_{0} {
  if (display_ == nullptr) {
    throw std::runtime_error("cannot connect to X display " + display);
  }
  int error_base = 0;
  if (!XDamageQueryExtension(display_, &event_base_, &error_base)) {
    XCloseDisplay(display_);
    throw std::runtime_error("the X server has no DAMAGE extension");
  }
  // Raw rectangles: every drawing is reported as it happens, with nothing to acknowledge.
  damage_ = XDamageCreate(display_, window, XDamageReportRawRectangles);
  XSync(display_, False);
}

DrawingWatch::~DrawingWatch() {
  XDamageDestroy(display_, damage_);
  XCloseDisplay(display_);
}

std::optional<std::chrono::steady_clock::time_point> DrawingWatch::next_drawing(
    std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == event_base_ + XDamageNotify) {
        return std::chrono::steady_clock::now();
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return std::nullopt;
    }
    pollfd connection{.fd = ConnectionNumber(display_), .events = POLLIN, .revents = 0};
    // A wait cut short is followed by another look at the connection and the clock.
    static_cast<void>(poll(&connection, 1, static_cast<int>(left.count()) + 1));
  }
}

void DrawingWatch::forget() {
  XSync(display_, False);
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
  }
}

std::optional<KeyTimings> time_key_presses(DrawingWatch& drawings, int presses,
                                           std::mt19937& random,
                                           const std::function<void(int)>& press,
                                           std::chrono::milliseconds stopped_after) {
  std::uniform_int_distribution<int> pause_ms{kShortestPauseMs, kLongestPauseMs};
  KeyTimings timings;
  for (int i = 0; i < presses; ++i) {
    drawings.forget();
    if (!drawings.next_drawing(stopped_after)) {
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds{pause_ms(random)});
    drawings.forget();
    const auto sent = std::chrono::steady_clock::now();
    press(i);
    if (const auto drawn = drawings.next_drawing(kOwnDrawingAway)) {
      timings.drawn.push_back(*drawn - sent);
    } else {
      ++timings.missed;
    }
  }
  return timings;
}
