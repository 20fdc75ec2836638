// Apart from the rest of the stand-in SDL: SDL's window system header brings Xlib's, whose
// macros clash with GoogleTest's names.
#include <SDL_syswm.h>

#include "tests/fake_sdl/fake_sdl.h"

// The window on the X connection the test gave, or on no window system SDL can name.
int SDL_GetWMInfo(SDL_SysWMinfo* info) {
  Display* display = fake_sdl::world().x11_display;
  if (display == nullptr) {
    return 0;
  }
  info->subsystem = SDL_SYSWM_X11;
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): SDL's interface is a union
  info->info.x11.display = display;
  return 1;
}
