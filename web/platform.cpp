// The browser page: the page wakes the sleeping loop as soon as a key arrives
// (wake_on_input.js), and shows the program's output and exit status itself.
#include "app/platform.h"

extern "C" void vyrtel_sleep_until_input(std::uint32_t timeout_ms);

void set_platform_defaults() {}

bool wakes_for_input() {
  return true;
}

void sleep_until_input(std::uint32_t timeout_ms) {
  vyrtel_sleep_until_input(timeout_ms);
}

void show_failure(const std::string& /*message*/, const char* /*caption*/) {}
