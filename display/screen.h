// The display surface, the text-cell grid laid over it and the glyph renderer.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "display/font_image.h"

// The display is 640x480 at 16 bits per pixel in both window and full-screen form.
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;
inline constexpr int kScreenBitsPerPixel = 16;

// The text-cell grid. Cell (column, row) has its 6x8 glyph box at x = column * 6 + 87,
// y = row * 10 + 90; the two free lines under each glyph give the rows their spacing,
// and the first of them (line 8) carries the cursor underline.
inline constexpr int kGridOriginX = 87;
inline constexpr int kGridOriginY = 90;
inline constexpr int kCellWidth = 6;
inline constexpr int kRowPitch = 10;
inline constexpr int kUnderlineLine = 8;
inline constexpr int kGridColumns = 78;
inline constexpr int kGridRows = 30;

constexpr int cell_left(int column) {
  return column * kCellWidth + kGridOriginX;
}
constexpr int cell_top(int row) {
  return row * kRowPitch + kGridOriginY;
}

// Pixel values of the three colours the test screen uses, in one surface's pixel format.
// SDL_MapRGB is slow on the SDL 1.2 compatibility layer, so they are mapped once per
// surface, when it is set, and never per pixel or per frame.
struct ScreenColours {
  std::uint32_t grey;
  std::uint32_t black;
  std::uint32_t white;  // the only ink colour, written straight into the pixels
};

// A surface to draw on, with its colours mapped. The program asks SDL for 16-bit pixels
// and gets them on the desktop; the browser's SDL hands back its 32-bit canvas whatever
// is asked for, so the pixel size is taken from the surface SDL returns.
struct ScreenSurface {
  SDL_Surface* sdl;
  ScreenColours colours;
  bool four_byte_pixels;
};

ScreenSurface make_screen_surface(SDL_Surface* sdl);

// Sets pixel (x, y) to white. The caller keeps (x, y) inside the surface and holds the
// lock where the surface needs one.
inline void put_white_pixel(ScreenSurface& screen, int x, int y) {
  if (screen.four_byte_pixels) {
    auto* pixels = static_cast<std::uint32_t*>(screen.sdl->pixels);
    pixels[(screen.sdl->pitch * y) / 4 + x] = screen.colours.white;
  } else {
    auto* pixels = static_cast<std::uint16_t*>(screen.sdl->pixels);
    pixels[(screen.sdl->pitch * y) / 2 + x] = static_cast<std::uint16_t>(screen.colours.white);
  }
}

// Draws the glyph of `code` (low 8 bits) into text cell (column, row) by turning its ink
// pixels white; background pixels keep what they hold, so glyphs drawn into one cell
// combine. Neither locks nor clips: the caller keeps the cell inside a locked surface.
void draw_glyph(ScreenSurface& screen, const FontImage& font, int column, int row, int code);

// The character code of the hexadecimal digit for `value` (0 to 15): "0"-"9", "A"-"F".
std::uint8_t hex_digit(std::uint8_t value);
