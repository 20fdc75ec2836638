// The main loop's sleep on the compatibility layer: a wait on the system's own queue,
// guarded so that it never waits for input SDL has taken from that queue already.
#include <SDL.h>

#include "app/platform.h"
#include "compat/system.h"

namespace {

// SDL takes the input that reached the system's queue only when pumped, and keeps the
// events it made of it in its own queue, where a wait on the system's queue would not see
// them.
bool sdl_holds_input() {
  SDL_PumpEvents();
  SDL_Event event;
  return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0;
}

}  // namespace

void sleep_until_input(std::uint32_t timeout_ms) {
  if (!wakes_for_input()) {
    SDL_Delay(timeout_ms);
    return;
  }
  if (!sdl_holds_input()) {
    wait_for_system_input(timeout_ms);
  }
}
