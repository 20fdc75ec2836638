// In-memory 640x480 surfaces for drawing tests and the frame benchmark, with the real
// SDL, and their pictures as the picture model reads them.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "display/screen.h"
#include "image.h"

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using OwnedSurface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

inline constexpr std::uint16_t kWhite565 = 0xFFFF;
inline constexpr std::uint16_t kGrey565 = (100 >> 3) << 11 | (100 >> 2) << 5 | (100 >> 3);
inline constexpr std::uint16_t kBlack565 = 0;

// RGB565, the program's own pixel format.
inline OwnedSurface make_memory_surface(std::uint16_t fill) {
  OwnedSurface surface{SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight,
                                            kScreenBitsPerPixel, 0xF800, 0x07E0, 0x001F, 0)};
  SDL_FillRect(surface.get(), nullptr, fill);
  return surface;
}

// RGBA, as the browser's SDL hands out whatever depth the program asks for.
inline OwnedSurface make_32_bit_memory_surface() {
  return OwnedSurface{SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 32,
                                           0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000)};
}

// Every pixel of `surface`, read through its own format.
inline Image surface_image(const SDL_Surface* surface) {
  Image image{surface->w, surface->h};
  const int bytes = surface->format->BytesPerPixel;
  for (int y = 0; y < surface->h; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(surface->pixels) +
                      std::ptrdiff_t{y} * surface->pitch;
    for (int x = 0; x < surface->w; ++x) {
      Uint32 value = 0;
      std::memcpy(&value, row + std::ptrdiff_t{x} * bytes, static_cast<std::size_t>(bytes));
      Rgb& pixel = image.at(x, y);
      SDL_GetRGB(value, surface->format, &pixel.red, &pixel.green, &pixel.blue);
    }
  }
  return image;
}

inline std::uint16_t pixel_at(const SDL_Surface* surface, int x, int y) {
  return static_cast<const std::uint16_t*>(surface->pixels)[y * surface->pitch / 2 + x];
}
