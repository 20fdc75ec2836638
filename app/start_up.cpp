// Start-up: SDL, with the window's scale chosen from the desktop, the checks that the
// display SDL found can show the picture, the window and its caption.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/main_routine.h"
#include "app/platform.h"
#include "app/video_driver.h"
#include "app/window_scale.h"

namespace {

constexpr Uint32 kInitFlags = SDL_INIT_TIMER | SDL_INIT_VIDEO;
constexpr const char* kCaption = "Vyrtel V0.1";

// The drivers SDL falls back to when there is no display. The compatibility layer over
// SDL2 picks invisible ones, and the program would run with no window; the classic SDL 1.2
// library picks text-art ones, which draw coloured letters into the terminal instead of
// the pixel-exact picture. Either counts only when the user asked for it by name.
constexpr std::array<std::string_view, 4> kFallbackDrivers = {"offscreen", "dummy", "caca", "aalib"};

// The classic library's "caca" driver takes over the terminal (standard output) as SDL
// starts, before the program can turn it down. libcaca's "null" output keeps it silent,
// so that standard output carries the program's message and nothing else.
constexpr const char* kTextArtOutputVariable = "CACA_DRIVER";
constexpr const char* kSilentTextArtOutput = "null";

// How the compatibility layer scales the picture when it is shown larger than 640x480 (in
// full screen, or in a window enlarged to the desktop's scale). It filters an enlarged
// window linearly unless told otherwise, which blurs six-pixel characters, so the program
// asks for whole pixels. A user's own choice wins: SDL12COMPAT_SCALE_METHOD,
// or SDL2's SDL_RENDER_SCALE_QUALITY, which goes before it.
constexpr const char* kScaleMethodVariable = "SDL12COMPAT_SCALE_METHOD";
constexpr const char* kSharpScaleMethod = "nearest";

bool is_fallback_driver(std::string_view driver) {
  return std::find(kFallbackDrivers.begin(), kFallbackDrivers.end(), driver) !=
         kFallbackDrivers.end();
}

// The name of the video driver SDL chose; empty when it has none.
std::string video_driver() {
  std::array<char, 32> name{};
  return SDL_VideoDriverName(name.data(), static_cast<int>(name.size())) == nullptr
             ? std::string{}
             : std::string{name.data()};
}

void request_sharp_scaling() {
  set_default(kScaleMethodVariable, kSharpScaleMethod);
}

void silence_text_art_driver() {
  if (!driver_named("caca")) {
    set_default(kTextArtOutputVariable, kSilentTextArtOutput);
  }
}

bool driver_shows_no_picture() {
  const std::string driver = video_driver();
  return is_fallback_driver(driver) && !driver_named(driver);
}

// Shows the window at the desktop's scale, where the platform knows the desktop.
void scale_window_to_desktop() {
  if (const auto shown_on = desktop()) {
    set_window_scale(whole_window_scale(shown_on->dpi,
                                        {.width = kScreenWidth, .height = kScreenHeight},
                                        shown_on->frame, shown_on->work_area));
  }
}

void report_init_failure() {
  report_failure(std::string{"Unable to init SDL: "} + SDL_GetError() + "\n");
}

}  // namespace

void report_failure(const std::string& message) {
  std::printf("%s", message.c_str());
  // The message is on standard output (a file, on Windows) before the platform shows it
  // and waits for the user. A flush that fails leaves nothing better to do than go on.
  static_cast<void>(std::fflush(stdout));
  show_failure(message, kCaption);
}

void report_video_failure() {
  report_failure(std::string{"Unable to set 640x480 video: "} + SDL_GetError() + "\n");
}

bool init_sdl() {
  request_sharp_scaling();
  scale_window_to_desktop();
  silence_text_art_driver();
  if (SDL_Init(kInitFlags) < 0) {
    report_init_failure();
    return false;
  }
  if (driver_shows_no_picture()) {
    SDL_SetError("No available video device");
    report_init_failure();
    SDL_Quit();
    return false;
  }
  choose_presentation(video_driver());
  return true;
}

bool start_up(AppState& state) {
  if (!load_font(state.font, kFontPath)) {
    report_failure("Unable to open font file");
    return false;
  }
  if (!set_display_mode(state.screen, false)) {
    report_video_failure();
    return false;
  }
  SDL_WM_SetCaption(kCaption, nullptr);
  state.cursor = kCursorStart;
  state.cursor.blink_timestamp = SDL_GetTicks();
  state.pacing = FramePacing{
      .last_frame_tick = state.cursor.blink_timestamp, .redraw_requested = true, .frame_ms = 0};
  return true;
}
