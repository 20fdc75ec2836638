#include "display/screen.h"

ScreenSurface make_screen_surface(SDL_Surface* sdl) {
  const SDL_PixelFormat* format = sdl->format;
  return ScreenSurface{
      .sdl = sdl,
      .colours =
          ScreenColours{
              .grey = SDL_MapRGB(format, 100, 100, 100),
              .black = SDL_MapRGB(format, 0, 0, 0),
              .white = SDL_MapRGB(format, 255, 255, 255),
          },
      .four_byte_pixels = format->BytesPerPixel == 4,
  };
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the cell, then what goes in it
void draw_glyph(ScreenSurface& screen, const FontImage& font, int column, int row, int code) {
  const auto glyph_start = static_cast<std::size_t>(code & 0xFF) * kFontGlyphRows;
  const int right = cell_left(column) + kCellWidth - 1;
  for (int line = 0; line < kFontGlyphRows; ++line) {
    const std::uint8_t bits = font.bytes[glyph_start + static_cast<std::size_t>(line)];
    const int y = cell_top(row) + line;
    for (int bit = 0; bit < kCellWidth; ++bit) {
      if ((bits & (1U << bit)) == 0) {
        put_white_pixel(screen, right - bit, y);
      }
    }
  }
}

std::uint8_t hex_digit(std::uint8_t value) {
  return static_cast<std::uint8_t>(value <= 9 ? value + '0' : value + ('A' - 10));
}
