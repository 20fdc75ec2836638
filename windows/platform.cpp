// Windows: the desktop the window is sized for, since the program tells Windows it scales
// for itself (vyrtel.manifest); frames put on the window with GDI; a main loop that waits
// on the thread's message queue, so that a key press wakes it at once; and a failure shown
// in a message box, as a windowed program's standard output goes to a file nobody sees.
#include <SDL.h>
#include <windows.h>

#include <cstdlib>

#include "app/platform.h"
#include "compat/presentation.h"
#include "compat/system.h"
#include "windows/desktop.h"

// Windows has no setenv; _putenv_s sets the process environment that SDL reads as well.
void set_default(const char* variable, const char* value) {
  if (std::getenv(variable) == nullptr) {
    _putenv_s(variable, value);
  }
}

void choose_presentation(std::string_view /*video_driver*/) {
  present_through_window_framebuffer();
}

// Input reaches the window, and so the thread's message queue, once SDL has a window.
bool wakes_for_input() {
  return SDL_GetVideoSurface() != nullptr;
}

// The wait ends on any message that arrives, as SDL2's own wait for events does.
void wait_for_system_input(std::uint32_t timeout_ms) {
  static_cast<void>(
      MsgWaitForMultipleObjectsEx(0, nullptr, timeout_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE));
}

void show_failure(const std::string& message, const char* caption) {
  show_failure_box(message, caption);
}
