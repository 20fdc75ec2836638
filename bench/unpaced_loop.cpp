// The program's loop with its pacing taken out: the same window, font and frame, composed
// and presented on every pass without sleeping. `make bench` measures its CPU use beside
// the real program's, to show what the pacing saves.
// Usage: vyrtel_unpaced_loop SECONDS (run from the folder holding rfs/rk_font.bin).
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "app/main_routine.h"
#include "display/test_screen.h"

namespace {

constexpr Uint32 kMillisecondsPerSecond = 1000;
constexpr int kDecimalBase = 10;

bool quit_requested() {
  SDL_Event event;
  bool quit = false;
  while (SDL_PollEvent(&event) != 0) {
    quit = quit || event.type == SDL_QUIT;
  }
  return quit;
}

// Composes frames until `seconds` have passed or the window is closed; returns how many.
long run_unpaced(AppState& state, Uint32 seconds) {
  long frames = 0;
  const Uint32 start = SDL_GetTicks();
  while (SDL_GetTicks() - start < seconds * kMillisecondsPerSecond && !quit_requested()) {
    run_blink_timer(state.cursor);
    if (!compose_test_screen(state.screen, state.font, state.cursor)) {
      break;
    }
    ++frames;
  }
  return frames;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SECONDS\n", argv[0]);
    return 2;
  }
  const auto seconds = static_cast<Uint32>(std::strtoul(argv[1], nullptr, kDecimalBase));
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return 1;
  }
  std::atexit(SDL_Quit);
  AppState state{};
  if (!load_font(state.font, kFontPath) || !set_display_mode(state.screen, false)) {
    std::fprintf(stderr, "no font or no window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_WM_SetCaption("Vyrtel unpaced", nullptr);
  state.cursor = kCursorStart;
  state.cursor.blink_timestamp = SDL_GetTicks();
  const long frames = run_unpaced(state, seconds);
  std::printf("unpaced-frames-per-second %.1f\n",
              static_cast<double>(frames) / static_cast<double>(seconds));
  return 0;
}
