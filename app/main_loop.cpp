#include <algorithm>
#include <cstdint>

#include "app/main_routine.h"
#include "app/platform.h"
#include "display/test_screen.h"

namespace {

// The underline toggles once more than this many milliseconds have passed.
constexpr std::uint32_t kBlinkIntervalMs = 250;
// A frame is drawn at least this often even when nothing changes, so that frames keep
// coming whatever the blink does; the idle program draws no more frames than the blink
// needs.
constexpr std::uint32_t kRefreshIntervalMs = 250;
// A key press is on the screen within one 60 Hz refresh. Where the platform's sleep ends
// when input arrives, the loop sleeps until the blink or a refresh is due. Elsewhere it
// looks at its input at steady intervals, counted from one look to the next: a press
// that arrives just after a look is seen at the next one, then drawn and presented in
// that pass's frame. So the interval is this budget less the time a frame takes, measured as the program runs (a
// fraction of a millisecond with a GPU, 1-3 ms for a window and 3-5 ms for a 1920x1080
// full screen drawn in software), and less the time the press takes to reach the
// program once it wakes. The idle program thus wakes as seldom as the budget allows.
constexpr std::uint32_t kKeyToScreenMs = 17;
// From the end of the loop's sleep until a press sent meanwhile is in its hands: timer
// slack and the X server handing the event over, under a millisecond as measured.
constexpr std::uint32_t kWakeUpMs = 1;
// Frames too slow for the budget still leave this long between looks, so that a slow
// display does not turn the idle loop into a busy one.
constexpr std::uint32_t kShortestInputIntervalMs = 4;

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
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): in time order, as every caller reads
std::uint32_t until_passed(std::uint32_t since, std::uint32_t interval, std::uint32_t now) {
  const std::uint32_t passed = elapsed(since, now);
  return passed >= interval ? 0 : interval - passed;
}

// The frame time to plan with, after a frame that took `measured_ticks`: the slowest
// recent frame. The tick count only counts whole milliseconds, so a frame may have taken
// up to one more than it shows. A slow frame is forgotten a millisecond per frame, so
// that one hiccup of the machine does not keep the loop waking often.
std::uint32_t planned_frame_ms(std::uint32_t previous, std::uint32_t measured_ticks) {
  return std::max(measured_ticks + 1, previous > 0 ? previous - 1 : 0);
}

std::uint32_t input_interval(const FramePacing& pacing) {
  const std::uint32_t busy = kWakeUpMs + pacing.frame_ms;
  return busy + kShortestInputIntervalMs >= kKeyToScreenMs ? kShortestInputIntervalMs
                                                           : kKeyToScreenMs - busy;
}

bool frame_due(const FramePacing& pacing, std::uint32_t now) {
  return pacing.redraw_requested || elapsed(pacing.last_frame_tick, now) > kRefreshIntervalMs;
}

// How long to sleep before the next pass: until the blink or a refresh is due (each once
// more than its interval has passed), or sooner when the next look at the input is due.
std::uint32_t time_to_next_pass(const AppState& state, std::uint32_t input_seen,
                                std::uint32_t now) {
  const std::uint32_t until_timer =
      std::min(until_passed(state.cursor.blink_timestamp, kBlinkIntervalMs + 1, now),
               until_passed(state.pacing.last_frame_tick, kRefreshIntervalMs + 1, now));
  if (wakes_for_input()) {
    return until_timer;
  }
  return std::min(until_timer, until_passed(input_seen, input_interval(state.pacing), now));
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
      state.pacing = FramePacing{
          .last_frame_tick = now,
          .redraw_requested = false,
          .frame_ms = planned_frame_ms(state.pacing.frame_ms, elapsed(now, SDL_GetTicks()))};
    }
    if (state.quit_requested) {
      return 0;
    }
    sleep_until_input(time_to_next_pass(state, input_seen, SDL_GetTicks()));
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
