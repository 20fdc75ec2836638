// The browser page: the page wakes the sleeping loop as soon as a key arrives
// (wake_on_input.js), sizes the canvas itself, and shows the program's output and exit
// status itself.
#include "app/platform.h"

extern "C" void vyrtel_sleep_until_input(std::uint32_t timeout_ms);

// The page scales the canvas to the browser window, in whole pixels (page.js).
std::optional<Desktop> desktop() {
  return std::nullopt;
}

void set_window_scale(int /*scale*/) {}

void choose_presentation(std::string_view /*video_driver*/) {}

bool wakes_for_input() {
  return true;
}

void sleep_until_input(std::uint32_t timeout_ms) {
  vyrtel_sleep_until_input(timeout_ms);
}

void show_failure(const std::string& /*message*/, const char* /*caption*/) {}
