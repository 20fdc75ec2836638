#include "app/main_routine.h"

namespace {

// Both forms ask for a hardware, double-buffered surface; full screen adds its flag.
constexpr Uint32 kWindowFlags = SDL_HWSURFACE | SDL_DOUBLEBUF;
constexpr Uint32 kFullScreenFlags = SDL_FULLSCREEN | SDL_HWSURFACE | SDL_DOUBLEBUF;

}  // namespace

bool set_display_mode(ScreenSurface& screen, bool full_screen) {
  SDL_Surface* sdl = SDL_SetVideoMode(kScreenWidth, kScreenHeight, kScreenBitsPerPixel,
                                      full_screen ? kFullScreenFlags : kWindowFlags);
  if (sdl == nullptr) {
    return false;
  }
  screen = make_screen_surface(sdl);
  // The compatibility layer hands back surfaces whose memory it has not cleared; the area
  // outside the grey frame is never painted by a frame, so it is cleared here, once.
  SDL_FillRect(sdl, nullptr, screen.colours.black);
  return true;
}
