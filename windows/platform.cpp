// Windows: the window is sized by the display scale, since the program tells Windows it
// scales for itself (vyrtel.manifest), and a failure is shown in a message box, as a
// windowed program's standard output goes to a file nobody sees.
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "app/platform.h"
#include "display/screen.h"
#include "windows/desktop.h"

// How many times its size the compatibility layer shows the window.
constexpr const char* kWindowScalingVariable = "SDL12COMPAT_WINDOW_SCALING";

// Windows has no setenv; _putenv_s sets the process environment that SDL reads as well.
void set_default(const char* variable, const char* value) {
  if (std::getenv(variable) == nullptr) {
    _putenv_s(variable, value);
  }
}

void set_platform_defaults() {
  if (std::getenv(kWindowScalingVariable) == nullptr) {
    const int scale = default_window_scale({.width = kScreenWidth, .height = kScreenHeight});
    set_default(kWindowScalingVariable, std::to_string(scale).c_str());
  }
}

bool wakes_for_input() {
  return false;
}

void sleep_until_input(std::uint32_t timeout_ms) {
  SDL_Delay(timeout_ms);
}

void show_failure(const std::string& message, const char* caption) {
  show_failure_box(message, caption);
}
