// Glyph geometry and bit order, hexadecimal digits and the cursor underline, drawn into
// in-memory surfaces.
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "display/screen.h"
#include "display/test_screen.h"
#include "tests/display_test_support.h"

namespace {

FontImage uniform_font(std::uint8_t row_byte) {
  FontImage font;
  font.bytes.fill(row_byte);
  return font;
}

// The bounding box of the white pixels of a surface, or an empty box when there are none.
struct Box {
  int left = kScreenWidth, top = kScreenHeight, right = -1, bottom = -1;
  int count = 0;
  bool operator==(const Box&) const = default;
};

Box white_box(const SDL_Surface* surface) {
  Box box;
  for (int y = 0; y < surface->h; ++y) {
    for (int x = 0; x < surface->w; ++x) {
      if (pixel_at(surface, x, y) == kWhite565) {
        box = Box{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                  std::max(box.bottom, y), box.count + 1};
      }
    }
  }
  return box;
}

TEST(DrawGlyph, BlankRowsDrawNothingAndInkRowsFillTheCellBox) {
  const FontImage blank = uniform_font(0x3F);
  auto surface = make_memory_surface(kBlack565);
  ScreenSurface screen = make_screen_surface(surface.get());
  draw_glyph(screen, blank, 10, 10, 'A');
  EXPECT_EQ(white_box(surface.get()).count, 0);

  // Bits 6 and 7 are not pixels: 0xC0 is a full row of ink, as 0x00 is.
  for (std::uint8_t row_byte : {std::uint8_t{0x00}, std::uint8_t{0xC0}}) {
    const FontImage solid = uniform_font(row_byte);
    const struct {
      int column, row;
      Box box;
    } corners[] = {{0, 0, {87, 90, 92, 97, 48}}, {77, 29, {549, 380, 554, 387, 48}}};
    for (const auto& corner : corners) {
      auto fresh = make_memory_surface(kBlack565);
      ScreenSurface target = make_screen_surface(fresh.get());
      draw_glyph(target, solid, corner.column, corner.row, 0);
      EXPECT_EQ(white_box(fresh.get()), corner.box)
          << "cell " << corner.column << "," << corner.row << " byte " << int{row_byte};
    }
  }
}

TEST(DrawGlyph, Bit5IsTheLeftmostPixelAndTheCodeIsTakenModulo256) {
  FontImage font = uniform_font(0x3F);
  // Glyph 0x41: a single ink pixel in the top row's leftmost column (bit 5 clear) and one
  // in the bottom row's rightmost column (bit 0 clear).
  font.bytes[std::size_t{0x41} * 8] = 0x1F;
  font.bytes[0x41 * 8 + 7] = 0x3E;
  auto surface = make_memory_surface(kBlack565);
  ScreenSurface screen = make_screen_surface(surface.get());
  draw_glyph(screen, font, 2, 3, 0x141);
  const int left = 2 * 6 + 87;
  const int top = 3 * 10 + 90;
  EXPECT_EQ(white_box(surface.get()), (Box{left, top, left + 5, top + 7, 2}));
  EXPECT_EQ(pixel_at(surface.get(), left, top), kWhite565);
  EXPECT_EQ(pixel_at(surface.get(), left + 5, top + 7), kWhite565);
}

TEST(DrawGlyph, OnlyInkTurnsWhiteAndWhiteStaysWhite) {
  FontImage font = uniform_font(0x3F);
  font.bytes[8] = 0x3E;    // glyph 1: rightmost pixel of its top row
  auto surface = make_memory_surface(kGrey565);
  ScreenSurface screen = make_screen_surface(surface.get());
  draw_glyph(screen, font, 0, 0, 1);
  draw_glyph(screen, font, 0, 0, 1);
  EXPECT_EQ(white_box(surface.get()), (Box{92, 90, 92, 90, 1}));
  EXPECT_EQ(pixel_at(surface.get(), 91, 90), kGrey565);
}

TEST(HexDigit, MapsNibblesToDigitsAndCapitals) {
  EXPECT_EQ(hex_digit(0), '0');
  EXPECT_EQ(hex_digit(9), '9');
  EXPECT_EQ(hex_digit(10), 'A');
  EXPECT_EQ(hex_digit(15), 'F');
}

TEST(CursorUnderline, IsDrawnWhereverItFitsOnTheSurfaceAndNowhereElse) {
  const struct {
    std::uint16_t row, column;
    bool drawn;
  } cases[] = {
      {7, 11, true},   // one row up from the start: y 168
      {38, 91, true},  // the last row and column that fit
      {39, 0, false}, {0, 92, false}, {65535, 11, false}, {8, 65535, false}, {65535, 65535, false},
  };
  for (const auto& c : cases) {
    auto surface = make_memory_surface(kBlack565);
    ScreenSurface screen = make_screen_surface(surface.get());
    draw_cursor_underline(
        screen, CursorState{.row = c.row, .column = c.column, .blink = true, .blink_timestamp = 0});
    const int left = c.column * 6 + 87;
    const int y = c.row * 10 + 98;
    const Box expected = c.drawn ? Box{left, y, left + 5, y, 6} : Box{};
    EXPECT_EQ(white_box(surface.get()), expected) << "row " << c.row << " column " << c.column;
  }
}

}  // namespace
