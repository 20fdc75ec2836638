#include <algorithm>
#include <cstdint>

#include "app/main_routine.h"
#include "display/test_screen.h"

namespace {

// The underline toggles once more than this many milliseconds have passed.
constexpr std::uint32_t kBlinkIntervalMs = 250;
// A frame is drawn at least this often even when nothing changes, so that frames keep
// coming whatever the blink does; the idle program draws no more frames than the blink
// needs.
constexpr std::uint32_t kRefreshIntervalMs = 250;
// How often the loop looks at its input, counted from one look to the next. A key press
// that arrives just after a look is seen at the next one and shown by that pass's frame,
// so it reaches the screen within this interval plus one frame. Frames cost up to 3 ms
// (a 1920x1080 full screen drawn in software), so 14 ms keeps every press within 17 ms,
// one 60 Hz refresh, while the idle program wakes as seldom as that allows.
constexpr std::uint32_t kInputIntervalMs = 14;

enum class DrainOutcome { kContinue, kDisplayModeFailed };

// Handles every pending event. A quit request does not stop the drain: later events in
// the queue are still handled.
DrainOutcome drain_events(AppState& state) {
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
    switch (event.type) {
      case SDL_QUIT:
        state.quit_requested = true;
        break;
      case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_ESCAPE) {
          state.quit_requested = true;
        } else if (handle_key(event.key.keysym.sym, state.screen, state.full_screen,
                              state.cursor) == KeyOutcome::kDisplayModeFailed) {
          return DrainOutcome::kDisplayModeFailed;
        } else {
          state.pacing.redraw_requested = true;
        }
        break;
      case SDL_VIDEOEXPOSE:
        state.pacing.redraw_requested = true;
        break;
      default:
        break;
    }
  }
  return DrainOutcome::kContinue;
}

// Milliseconds since `since`, correct across the wrap of the 32-bit tick count.
std::uint32_t elapsed(std::uint32_t since, std::uint32_t now) {
  return now - since;
}

// Milliseconds from `now` until `interval` will have passed since `since`.
std::uint32_t until_passed(std::uint32_t since, std::uint32_t interval, std::uint32_t now) {
  const std::uint32_t passed = elapsed(since, now);
  return passed >= interval ? 0 : interval - passed;
}

bool frame_due(const FramePacing& pacing, std::uint32_t now) {
  return pacing.redraw_requested || elapsed(pacing.last_frame_tick, now) > kRefreshIntervalMs;
}

// How long to sleep before the next pass: until the next look at the input is due, or
// sooner when the blink or a refresh is due first (each once more than its interval has
// passed).
std::uint32_t sleep_before_next_pass(const AppState& state, std::uint32_t input_seen,
                                     std::uint32_t now) {
  return std::min({until_passed(input_seen, kInputIntervalMs, now),
                   until_passed(state.cursor.blink_timestamp, kBlinkIntervalMs + 1, now),
                   until_passed(state.pacing.last_frame_tick, kRefreshIntervalMs + 1, now)});
}

int run_main_loop(AppState& state) {
  for (;;) {
    const std::uint32_t input_seen = SDL_GetTicks();
    if (drain_events(state) == DrainOutcome::kDisplayModeFailed) {
      return 1;
    }
    if (run_blink_timer(state.cursor)) {
      state.pacing.redraw_requested = true;
    }
    const std::uint32_t now = SDL_GetTicks();
    if (frame_due(state.pacing, now)) {
      if (!compose_test_screen(state.screen, state.font, state.cursor)) {
        return -1;
      }
      state.pacing = FramePacing{.last_frame_tick = now, .redraw_requested = false};
    }
    if (state.quit_requested) {
      return 0;
    }
    SDL_Delay(sleep_before_next_pass(state, input_seen, SDL_GetTicks()));
  }
}

}  // namespace

bool run_blink_timer(CursorState& cursor) {
  if (elapsed(cursor.blink_timestamp, SDL_GetTicks()) <= kBlinkIntervalMs) {
    return false;
  }
  cursor.blink_timestamp = SDL_GetTicks();
  cursor.blink = !cursor.blink;
  return true;
}

int vyrtel_main(int /*argc*/, char** /*argv*/) {
  if (!init_sdl()) {
    return 1;
  }
  AppState state{};
  const int status = start_up(state) ? run_main_loop(state) : 1;
  // SDL is shut down here, on the way out, and not from an exit-time handler: when the
  // connection to the X server breaks, Xlib ends the process with exit(), and SDL's
  // shutdown run from there would wait forever on the dead connection, spinning.
  SDL_Quit();
  return status;
}
