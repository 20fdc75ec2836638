// A stand-in for the program, for latency_shim_test: makes the SDL calls whose timing the
// shim logs, in an order whose log is known. Runs with the shim preloaded.
#include <SDL.h>

#include <iostream>

namespace {

void push_key(Uint8 type) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.sym = SDLK_RIGHT;
  SDL_PushEvent(&event);
}

void drain() {
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
  }
}

}  // namespace

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) < 0) {
    std::cerr << "SDL_Init: " << SDL_GetError() << "\n";
    return 1;
  }
  SDL_Surface* screen = SDL_SetVideoMode(64, 48, 16, SDL_SWSURFACE);
  if (screen == nullptr) {
    std::cerr << "SDL_SetVideoMode: " << SDL_GetError() << "\n";
    return 1;
  }
  SDL_Flip(screen);  // the first frame
  // Two presses handled in one drain, and the frame that shows them.
  push_key(SDL_KEYDOWN);
  push_key(SDL_KEYDOWN);
  drain();
  SDL_Flip(screen);
  // A frame with no press before it, and a release: neither is logged.
  SDL_Flip(screen);
  push_key(SDL_KEYUP);
  drain();
  SDL_Flip(screen);
  SDL_Quit();
  return 0;
}
