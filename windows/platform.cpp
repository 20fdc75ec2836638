// Windows: the desktop the window is sized for, since the program tells Windows it scales
// for itself (vyrtel.manifest); frames put on the window with GDI; a main loop that sleeps on the thread's message queue, so
// that a key press wakes it at once; and a failure shown in a message box, as a windowed
// program's standard output goes to a file nobody sees.
#include <SDL.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/platform.h"
#include "compat/presentation.h"
#include "windows/desktop.h"

namespace {

// How many times its size the compatibility layer shows the window.
constexpr const char* kWindowScalingVariable = "SDL12COMPAT_WINDOW_SCALING";

}  // namespace

// Windows has no setenv; _putenv_s sets the process environment that SDL reads as well.
void set_default(const char* variable, const char* value) {
  if (std::getenv(variable) == nullptr) {
    _putenv_s(variable, value);
  }
}

std::optional<Desktop> desktop() {
  if (std::getenv(kWindowScalingVariable) != nullptr) {
    return std::nullopt;
  }
  return primary_desktop();
}

void set_window_scale(int scale) {
  set_default(kWindowScalingVariable, std::to_string(scale).c_str());
}

void choose_presentation(std::string_view /*video_driver*/) {
  present_through_window_framebuffer();
}

// Input reaches the window, and so the thread's message queue, once SDL has a window.
bool wakes_for_input() {
  return SDL_GetVideoSurface() != nullptr;
}

// SDL takes the thread's messages only when pumped, and keeps the events it made of them
// in its own queue, where a wait on the message queue would not see them; so the sleep
// starts only once SDL's queue is empty. The wait then ends on any message that arrives,
// as SDL2's own wait for events does.
void sleep_until_input(std::uint32_t timeout_ms) {
  if (!wakes_for_input()) {
    SDL_Delay(timeout_ms);
    return;
  }
  SDL_PumpEvents();
  SDL_Event event;
  if (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0) {
    return;
  }
  static_cast<void>(
      MsgWaitForMultipleObjectsEx(0, nullptr, timeout_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE));
}

void show_failure(const std::string& message, const char* caption) {
  show_failure_box(message, caption);
}
