// The answers to app/platform.h that the platforms on the compatibility layer share: the
// window's scale, which the layer takes from SDL12COMPAT_WINDOW_SCALING (the classic
// library has no such scaling and ignores it), and the main loop's sleep, a wait on the
// system's own queue that never waits for input SDL has taken from that queue already.
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "app/platform.h"
#include "compat/system.h"

namespace {

constexpr const char* kWindowScalingVariable = "SDL12COMPAT_WINDOW_SCALING";

// SDL takes the input that reached the system's queue only when pumped, and keeps the
// events it made of it in its own queue, where a wait on the system's queue would not see
// them.
bool sdl_holds_input() {
  SDL_PumpEvents();
  SDL_Event event;
  return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0;
}

}  // namespace

// The program never overrides a scale the user chose, so the desktop is not even read.
std::optional<Desktop> desktop() {
  return std::getenv(kWindowScalingVariable) == nullptr ? system_desktop() : std::nullopt;
}

void set_window_scale(int scale) {
  set_default(kWindowScalingVariable, std::to_string(scale).c_str());
}

void sleep_until_input(std::uint32_t timeout_ms) {
  if (!wakes_for_input()) {
    SDL_Delay(timeout_ms);
  } else if (!sdl_holds_input()) {
    wait_for_system_input(timeout_ms);
  }
}
