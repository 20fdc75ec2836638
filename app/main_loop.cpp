#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/platform.h"
#include "display/test_screen.h"

namespace {

constexpr Uint32 kInitFlags = SDL_INIT_TIMER | SDL_INIT_VIDEO;
constexpr const char* kCaption = "Vyrtel V0.1";

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

// Over SDL2, the SDL 1.2 layer does not fail to start when there is no display: it falls
// back to an invisible driver and the program would run with no window. Those drivers
// count only when the user asked for them by name.
constexpr std::string_view kInvisibleDrivers[] = {"offscreen", "dummy"};

// Full screen scales 640x480 up to the desktop. The compatibility layer filters linearly
// unless told otherwise, which blurs six-pixel characters; ask for whole pixels unless the
// user has chosen a scaling of their own.
void request_sharp_scaling() {
  setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
}

bool video_driver_unasked_invisible() {
  char name[32];
  if (SDL_VideoDriverName(name, sizeof name) == nullptr) {
    return false;
  }
  const std::string_view driver{name};
  if (std::find(std::begin(kInvisibleDrivers), std::end(kInvisibleDrivers), driver) ==
      std::end(kInvisibleDrivers)) {
    return false;
  }
  const char* requested = std::getenv("SDL_VIDEODRIVER");
  return requested == nullptr || std::string_view{requested}.find(driver) == std::string_view::npos;
}

bool init_sdl() {
  if (SDL_Init(kInitFlags) < 0) {
    std::printf("Unable to init SDL: %s\n", SDL_GetError());
    return false;
  }
  if (video_driver_unasked_invisible()) {
    SDL_SetError("No available video device");
    std::printf("Unable to init SDL: %s\n", SDL_GetError());
    SDL_Quit();
    return false;
  }
  return true;
}

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

namespace {

// Everything from loading the font to the end of the main loop, with SDL initialised.
int run_with_sdl() {
  AppState state{};
  if (!load_font(state.font, kFontPath)) {
    std::printf("Unable to open font file");
    return 1;
  }
  if (!set_display_mode(state.screen, false)) {
    report_video_failure();
    return 1;
  }
  SDL_WM_SetCaption(kCaption, nullptr);
  state.cursor = kCursorStart;
  state.cursor.blink_timestamp = SDL_GetTicks();
  state.pacing =
      FramePacing{.last_frame_tick = state.cursor.blink_timestamp, .redraw_requested = true};
  return run_main_loop(state);
}

}  // namespace

int vyrtel_main(int /*argc*/, char** /*argv*/) {
  request_sharp_scaling();
  if (!init_sdl()) {
    return 1;
  }
  const int status = run_with_sdl();
  // SDL is shut down here, on the way out, and not from an exit-time handler: when the
  // connection to the X server breaks, Xlib ends the process with exit(), and SDL's
  // shutdown run from there would wait forever on the dead connection, spinning.
  SDL_Quit();
  return status;
}
