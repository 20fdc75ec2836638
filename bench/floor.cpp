// The floor `make bench` holds the program against (docs/performance.md): the least SDL
// 1.2 program that does the program's job on the same runner. It opens the program's
// display, fills it once, and flips the underline's six pixels four times a second and at
// once on each key press, waiting for events as plain SDL does. Space turns it to full
// screen as the program's Space does; closing the window ends it.
#include <SDL.h>

#include "display/cursor_state.h"
#include "display/screen.h"

namespace {

// The program's flags for its display (app/display_mode.cpp), the underline's blink, and
// the underline where the program's starts.
constexpr Uint32 kWindowFlags = SDL_HWSURFACE | SDL_DOUBLEBUF;
constexpr Uint32 kBlinkMs = 250;
constexpr SDL_Rect kUnderline{cell_left(kCursorStart.column),
                              cell_top(kCursorStart.row) + kUnderlineLine, kCellWidth, 1};
// Grey where the program's frame is grey, so that the probe sees the first frame at once.
constexpr Uint8 kGrey = 100;

Uint32 push_blink(Uint32 interval, void* /*unused*/) {
  SDL_Event blink{};
  blink.type = SDL_USEREVENT;
  SDL_PushEvent(&blink);
  return interval;
}

SDL_Surface* open_display(Uint32 flags) {
  SDL_Surface* screen = SDL_SetVideoMode(kScreenWidth, kScreenHeight, kScreenBitsPerPixel, flags);
  if (screen != nullptr) {
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, kGrey, kGrey, kGrey));
  }
  return screen;
}

}  // namespace

int main(int /*argc*/, char** /*argv*/) {
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) {
    return 1;
  }
  SDL_WM_SetCaption(VYRTEL_FLOOR_CAPTION, nullptr);
  SDL_Surface* screen = open_display(kWindowFlags);
  SDL_AddTimer(kBlinkMs, push_blink, nullptr);
  bool shown = false;
  SDL_Event event{};
  while (screen != nullptr && SDL_WaitEvent(&event) != 0 && event.type != SDL_QUIT) {
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_SPACE) {
      screen = open_display(kWindowFlags | SDL_FULLSCREEN);
    }
    if (screen != nullptr && (event.type == SDL_KEYDOWN || event.type == SDL_USEREVENT)) {
      shown = !shown;
      SDL_Rect pixels = kUnderline;  // SDL 1.2 takes it by a pointer to non-const
      const Uint32 white = SDL_MapRGB(screen->format, UINT8_MAX, UINT8_MAX, UINT8_MAX);
      SDL_FillRect(screen, &pixels, shown ? white : 0);
      SDL_Flip(screen);
    }
  }
  SDL_Quit();
  return 0;
}
