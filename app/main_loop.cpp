#include <algorithm>
#include <cstdint>

#include "app/main_routine.h"
#include "display/test_screen.h"

namespace {

// The underline toggles once more than this many milliseconds have passed.
constexpr std::uint32_t kBlinkIntervalMs = 250;
// A frame is drawn at least this often even when nothing changes, so that frames keep
// coming whatever the blink does. Each frame costs about 2 ms of presenting, so the idle
// program draws no more frames than the blink needs.
constexpr std::uint32_t kRefreshIntervalMs = 250;
// The longest the loop sleeps between passes: short enough that a key press is shown
// within one 60 Hz frame (17 ms) with time to spare for drawing and presenting it, long
// enough that an idle program costs next to nothing.
constexpr std::uint32_t kMaxSleepMs = 8;

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

// Milliseconds from `now` until more than `interval` will have passed since `since`.
std::uint32_t until_after(std::uint32_t since, std::uint32_t interval, std::uint32_t now) {
  const std::uint32_t passed = elapsed(since, now);
  return passed > interval ? 0 : interval + 1 - passed;
}

bool frame_due(const FramePacing& pacing, std::uint32_t now) {
  return pacing.redraw_requested || elapsed(pacing.last_frame_tick, now) > kRefreshIntervalMs;
}

// How long to sleep before the next pass: until the next blink or refresh is due, and
// never longer than kMaxSleepMs so that input is seen promptly.
std::uint32_t sleep_before_next_pass(const AppState& state, std::uint32_t now) {
  return std::min({kMaxSleepMs, until_after(state.cursor.blink_timestamp, kBlinkIntervalMs, now),
                   until_after(state.pacing.last_frame_tick, kRefreshIntervalMs, now)});
}

int run_main_loop(AppState& state) {
  for (;;) {
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
    SDL_Delay(sleep_before_next_pass(state, SDL_GetTicks()));
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
