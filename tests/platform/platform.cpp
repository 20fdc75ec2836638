// The platform the unit tests link in place of a real one, on the stand-in SDL: no desktop,
// SDL's own presentation, and a sleep that either lasts the time asked or ends as soon as
// an event arrives, as each test chooses (fake_sdl::World::sleep_wakes_for_input).
#include <algorithm>

#include "app/platform.h"
#include "tests/fake_sdl/fake_sdl.h"

std::optional<Desktop> desktop() {
  return std::nullopt;
}

void set_window_scale(int /*scale*/) {}

void choose_presentation(std::string_view /*video_driver*/) {}

bool wakes_for_input() {
  return fake_sdl::world().sleep_wakes_for_input;
}

void sleep_until_input(std::uint32_t timeout_ms) {
  const fake_sdl::World& world = fake_sdl::world();
  if (!world.sleep_wakes_for_input || world.events.empty()) {
    SDL_Delay(timeout_ms);
    return;
  }
  const std::uint64_t until_event =
      world.events.front().at - std::min(world.events.front().at, world.elapsed_ms);
  SDL_Delay(static_cast<Uint32>(std::min<std::uint64_t>(timeout_ms, until_event)));
}

void show_failure(const std::string& /*message*/, const char* /*caption*/) {}
