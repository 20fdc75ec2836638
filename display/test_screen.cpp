#include "display/test_screen.h"

#include <cstdint>
#include <string_view>

namespace {

// Sizes of the two background rectangles: the grey frame behind the 78x30 grid (one
// pixel wider on the left than the glyph boxes) and the black window of the computer's
// own 64x25 screen.
constexpr int kFrameWidth = 468;
constexpr int kFrameHeight = 300;
constexpr int kWindowWidth = 384;
constexpr int kWindowHeight = 250;
constexpr int kWindowOffsetX = 7;
constexpr int kWindowOffsetY = 4;

// Where things stand on the grid.
constexpr int kReadoutColumn = 14;
constexpr int kReadoutRow = 20;
constexpr int kReadoutDigits = 8;
constexpr int kBannerColumn = 8;
constexpr int kBannerRow = 3;
constexpr int kPromptColumn = 8;
constexpr int kFirstPromptRow = 4;
constexpr int kLastPromptRow = 8;
constexpr int kTableColumn = 11;
constexpr int kTableRow = 4;
constexpr int kTableCodes = 128;
constexpr int kTableCodesPerRow = 32;
constexpr int kRowEndMarkColumn = 43;
constexpr int kColumnTickRow = 15;
constexpr int kColumnLabelRow = 16;
constexpr int kRowTickColumn = 55;
constexpr int kRowTensColumn = 56;
constexpr int kRowUnitsColumn = 57;
constexpr int kTickSpacing = 5;
constexpr int kLabelSpacing = 10;

// Character codes. The banner is "radio-86rk" in the computer's own character set, where
// the lower-case Latin codes hold Cyrillic capitals: it reads RADIO-86RK in Cyrillic.
constexpr std::string_view kBanner = "radio-86rk";
constexpr std::string_view kPrompt = "-->";
constexpr int kRowEndMark = '?';
constexpr int kColumnTick = 0x1B;
constexpr int kRowTick = 0x1C;

void draw_text(ScreenSurface& screen, const FontImage& font, int column, int row,
               std::string_view text) {
  for (const char code : text) {
    draw_glyph(screen, font, column++, row, static_cast<unsigned char>(code));
  }
}

// A rectangle of `width` by `height` centred on the surface, moved by (`offset_x`,
// `offset_y`).
SDL_Rect centred(const SDL_Surface& surface, int width, int height, int offset_x, int offset_y) {
  return SDL_Rect{.x = static_cast<Sint16>((surface.w - width) / 2 + offset_x),
                  .y = static_cast<Sint16>((surface.h - height) / 2 + offset_y),
                  .w = static_cast<Uint16>(width),
                  .h = static_cast<Uint16>(height)};
}

// The two backgrounds are centred on the surface (the glyphs are not); made before the
// lock, as fills must be.
void fill_backgrounds(ScreenSurface& screen) {
  SDL_Rect frame = centred(*screen.sdl, kFrameWidth, kFrameHeight, 0, 0);
  SDL_FillRect(screen.sdl, &frame, screen.colours.grey);
  SDL_Rect window =
      centred(*screen.sdl, kWindowWidth, kWindowHeight, kWindowOffsetX, kWindowOffsetY);
  SDL_FillRect(screen.sdl, &window, screen.colours.black);
}

// The tick count of the last blink toggle as eight hexadecimal digits, most significant
// first.
void draw_tick_readout(ScreenSurface& screen, const FontImage& font, std::uint32_t ticks) {
  for (int i = 0; i < kReadoutDigits; ++i) {
    const int shift = 4 * (kReadoutDigits - 1 - i);
    const auto nibble = static_cast<std::uint8_t>((ticks >> shift) & 0xF);
    draw_glyph(screen, font, kReadoutColumn + i, kReadoutRow, hex_digit(nibble));
  }
}

// Banner, five prompts, and the first 128 codes in four rows of 32, each row closed by
// a "?".
void draw_banner_and_table(ScreenSurface& screen, const FontImage& font) {
  draw_text(screen, font, kBannerColumn, kBannerRow, kBanner);
  for (int row = kFirstPromptRow; row <= kLastPromptRow; ++row) {
    draw_text(screen, font, kPromptColumn, row, kPrompt);
  }
  for (int code = 0; code < kTableCodes; ++code) {
    draw_glyph(screen, font, kTableColumn + code % kTableCodesPerRow,
               kTableRow + code / kTableCodesPerRow, code);
  }
  for (int row = kTableRow; row < kTableRow + kTableCodes / kTableCodesPerRow; ++row) {
    draw_glyph(screen, font, kRowEndMarkColumn, row, kRowEndMark);
  }
}

// Column ruler: a tick every five columns, and the labels "10" to "70" under every tenth.
void draw_column_ruler(ScreenSurface& screen, const FontImage& font) {
  for (int column = 0; column < kGridColumns; ++column) {
    if (column % kTickSpacing == 0) {
      draw_glyph(screen, font, column, kColumnTickRow, kColumnTick);
    }
    if (column % kLabelSpacing == 0 && column != 0) {
      draw_glyph(screen, font, column, kColumnLabelRow, '0' + column / 10);
      draw_glyph(screen, font, column + 1, kColumnLabelRow, '0');
    }
  }
}

// Row ruler: a tick every five rows with the row number to its right; rows 0 and 5 have
// only their units digit.
void draw_row_ruler(ScreenSurface& screen, const FontImage& font) {
  for (int row = 0; row < kGridRows; row += kTickSpacing) {
    draw_glyph(screen, font, kRowTickColumn, row, kRowTick);
    if (row > 9) {
      draw_glyph(screen, font, kRowTensColumn, row, '0' + row / 10);
    }
    draw_glyph(screen, font, kRowUnitsColumn, row, '0' + row % 10);
  }
}

}  // namespace

void draw_cursor_underline(ScreenSurface& screen, const CursorState& cursor) {
  const int left = cell_left(cursor.column);
  const int y = cell_top(cursor.row) + kUnderlineLine;
  if (left + kCellWidth > screen.sdl->w || y >= screen.sdl->h) {
    return;
  }
  for (int x = left; x < left + kCellWidth; ++x) {
    put_white_pixel(screen, x, y);
  }
}

bool compose_test_screen(ScreenSurface& screen, const FontImage& font, const CursorState& cursor) {
  fill_backgrounds(screen);
  const bool must_lock = SDL_MUSTLOCK(screen.sdl);
  if (must_lock && SDL_LockSurface(screen.sdl) < 0) {
    return false;
  }
  draw_tick_readout(screen, font, cursor.blink_timestamp);
  draw_banner_and_table(screen, font);
  draw_column_ruler(screen, font);
  draw_row_ruler(screen, font);
  if (cursor.blink) {
    draw_cursor_underline(screen, cursor);
  }
  if (must_lock) {
    SDL_UnlockSurface(screen.sdl);
  }
  SDL_Flip(screen.sdl);
  return true;
}
