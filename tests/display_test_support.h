// In-memory 640x480 RGB565 surfaces for drawing tests, with the real SDL.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>

#include "display/screen.h"

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using OwnedSurface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

inline constexpr std::uint16_t kWhite565 = 0xFFFF;
inline constexpr std::uint16_t kGrey565 = (100 >> 3) << 11 | (100 >> 2) << 5 | (100 >> 3);
inline constexpr std::uint16_t kBlack565 = 0;

inline OwnedSurface make_memory_surface(std::uint16_t fill) {
  OwnedSurface surface{SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight,
                                            kScreenBitsPerPixel, 0xF800, 0x07E0, 0x001F, 0)};
  SDL_FillRect(surface.get(), nullptr, fill);
  return surface;
}

inline std::uint16_t pixel_at(const SDL_Surface* surface, int x, int y) {
  return static_cast<const std::uint16_t*>(surface->pixels)[y * surface->pitch / 2 + x];
}
