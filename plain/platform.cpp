// Any video driver the program has no closer knowledge of: the loop sleeps for the time
// asked and looks at its input at intervals, SDL keeps its own defaults, and standard
// output carries failures.
#include <SDL.h>

#include "app/platform.h"

void set_platform_defaults() {}

bool wakes_for_input() {
  return false;
}

void sleep_until_input(std::uint32_t timeout_ms) {
  SDL_Delay(timeout_ms);
}

void show_failure(const std::string& /*message*/, const char* /*caption*/) {}
