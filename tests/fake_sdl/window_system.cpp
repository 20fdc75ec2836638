// Apart from the rest of the stand-in SDL: SDL's window system header brings Xlib's, whose
// macros clash with GoogleTest's names.
#include <SDL_syswm.h>

// No window system that SDL can name: the stand-in has no window on X11 or Windows.
int SDL_GetWMInfo(SDL_SysWMinfo* /*info*/) {
  return 0;
}
