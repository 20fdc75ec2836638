// Whole frames of the test screen, compared pixel for pixel with a picture this test
// derives on its own from the screen's layout tables, using a synthetic font.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "display/test_screen.h"
#include "tests/display_test_support.h"

namespace {

// What the surface held before the frame: the frame must leave it alone outside the grey
// rectangle, except for an underline.
constexpr std::uint16_t kUntouched = 0x1234;
constexpr std::uint32_t kReadoutValue = 0x00012ABC;

// A font with an irregular pattern per code, so that any code drawn in the wrong place,
// or any pixel drawn mirrored or shifted, changes the picture.
FontImage synthetic_font() {
  FontImage font;
  std::uint32_t state = 0x9E3779B9;
  for (auto& byte : font.bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state);
  }
  return font;
}

struct Text {
  int column, row;
  std::string codes;
};

// Every character cell of the test screen, written out as the screen's layout lists them.
std::vector<Text> expected_cells() {
  std::vector<Text> cells = {
      {14, 20, "00012ABC"},  // the readout of kReadoutValue
      {8, 3, "radio-86rk"}, {8, 4, "-->"},  {8, 5, "-->"},  {8, 6, "-->"},  {8, 7, "-->"},
      {8, 8, "-->"},        {43, 4, "?"},   {43, 5, "?"},   {43, 6, "?"},   {43, 7, "?"},
      {10, 16, "10"},       {20, 16, "20"}, {30, 16, "30"}, {40, 16, "40"}, {50, 16, "50"},
      {60, 16, "60"},       {70, 16, "70"}, {57, 0, "0"},   {57, 5, "5"},   {56, 10, "10"},
      {56, 15, "15"},       {56, 20, "20"}, {56, 25, "25"},
  };
  for (int row = 0; row < 4; ++row) {
    std::string codes;
    for (int i = 0; i < 32; ++i) {
      codes.push_back(static_cast<char>(row * 32 + i));
    }
    cells.push_back({11, 4 + row, codes});
  }
  for (int column = 0; column <= 75; column += 5) {
    cells.push_back({column, 15, "\x1B"});
  }
  for (int row = 0; row <= 25; row += 5) {
    cells.push_back({55, row, "\x1C"});
  }
  return cells;
}

std::vector<std::uint16_t> expected_picture(const FontImage& font, const CursorState& cursor) {
  std::vector<std::uint16_t> picture(std::size_t{640} * 480, kUntouched);
  const auto fill = [&](int left, int top, int right, int bottom, std::uint16_t colour) {
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) {
        picture[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)] = colour;
      }
    }
  };
  fill(86, 90, 553, 389, kGrey565);
  fill(135, 119, 518, 368, kBlack565);
  for (const Text& text : expected_cells()) {
    for (std::size_t i = 0; i < text.codes.size(); ++i) {
      const int code = static_cast<unsigned char>(text.codes[i]);
      const int left = (text.column + static_cast<int>(i)) * 6 + 87;
      const int top = text.row * 10 + 90;
      for (int line = 0; line < 8; ++line) {
        const int bits = font.bytes[static_cast<std::size_t>(code) * 8 + static_cast<std::size_t>(line)];
        for (int pixel = 0; pixel < 6; ++pixel) {  // pixel 0 is the leftmost, bit 5
          if ((bits & (0x20 >> pixel)) == 0) {
            fill(left + pixel, top + line, left + pixel, top + line, kWhite565);
          }
        }
      }
    }
  }
  if (cursor.blink) {
    const int left = cursor.column * 6 + 87;
    const int y = cursor.row * 10 + 98;
    fill(left, y, left + 5, y, kWhite565);
  }
  return picture;
}

// Writes a 16-bit picture as a binary PPM for a person to look at.
void write_ppm(const std::string& path, const std::vector<std::uint16_t>& picture) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fprintf(file, "P6\n640 480\n255\n");
  for (std::uint16_t pixel : picture) {
    const unsigned char rgb[3] = {static_cast<unsigned char>((pixel >> 11) << 3),
                                  static_cast<unsigned char>(((pixel >> 5) & 0x3F) << 2),
                                  static_cast<unsigned char>((pixel & 0x1F) << 3)};
    std::fwrite(rgb, 1, 3, file);
  }
  std::fclose(file);
}

void expect_frame(const CursorState& cursor, const std::string& name) {
  const FontImage font = synthetic_font();
  auto surface = make_memory_surface(kUntouched);
  ScreenSurface screen = make_screen_surface(surface.get());
  ASSERT_TRUE(compose_test_screen(screen, font, cursor));

  std::vector<std::uint16_t> actual(std::size_t{640} * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      actual[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)] = pixel_at(surface.get(), x, y);
    }
  }
  const auto expected = expected_picture(font, cursor);
  if (actual == expected) {
    return;
  }
  std::vector<std::uint16_t> diff(actual.size(), kBlack565);
  int wrong = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) {
      diff[i] = 0xF800;  // red where the frame differs
      if (++wrong == 1) {
        ADD_FAILURE() << "first wrong pixel at x " << i % 640 << ", y " << i / 640;
      }
    }
  }
  const std::string stem = std::string(VYRTEL_ARTIFACT_DIR) + "/" + name;
  write_ppm(stem + "-actual.ppm", actual);
  write_ppm(stem + "-expected.ppm", expected);
  write_ppm(stem + "-diff.ppm", diff);
  ADD_FAILURE() << wrong << " pixels differ; see " << stem << "-{actual,expected,diff}.ppm";
}

TEST(TestScreen, FrameWithTheCursorShownAtItsStart) {
  expect_frame(CursorState{.row = 8, .column = 11, .blink = true, .blink_timestamp = kReadoutValue},
               "frame-cursor-shown");
}

TEST(TestScreen, FrameWithTheCursorHidden) {
  expect_frame(
      CursorState{.row = 8, .column = 11, .blink = false, .blink_timestamp = kReadoutValue},
      "frame-cursor-hidden");
}

TEST(TestScreen, UnderlineBelowTheGreyFrameLandsOnWhatTheSurfaceHeld) {
  expect_frame(CursorState{.row = 35, .column = 2, .blink = true, .blink_timestamp = kReadoutValue},
               "frame-cursor-below");
}

// The browser's SDL draws on 32-bit RGBA surfaces, whatever depth the program asks for.
// A frame there must be the same picture, colour for colour, as on the desktop's 16 bits.
TEST(TestScreen, FrameOnAThirtyTwoBitSurfaceIsTheSamePicture) {
  const FontImage font = synthetic_font();
  const CursorState cursor{.row = 8, .column = 11, .blink = true, .blink_timestamp = kReadoutValue};
  const auto colours_of_frame = [&](OwnedSurface surface) {
    SDL_FillRect(surface.get(), nullptr, SDL_MapRGB(surface->format, 18, 52, 86));
    ScreenSurface screen = make_screen_surface(surface.get());
    EXPECT_TRUE(compose_test_screen(screen, font, cursor));
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < surface->h; ++y) {
      for (int x = 0; x < surface->w; ++x) {
        const auto* row = static_cast<const std::uint8_t*>(surface->pixels) +
                          std::ptrdiff_t{y} * surface->pitch;
        std::uint32_t value = 0;
        std::memcpy(&value, row + std::ptrdiff_t{x} * surface->format->BytesPerPixel,
                    surface->format->BytesPerPixel);
        Uint8 red = 0;
        Uint8 green = 0;
        Uint8 blue = 0;
        SDL_GetRGB(value, surface->format, &red, &green, &blue);
        // 16 bits hold the grey as (99, 101, 99): compare colours at 16-bit precision.
        colours.push_back(static_cast<std::uint32_t>((red >> 3) << 11 | (green >> 2) << 5 | blue >> 3));
      }
    }
    return colours;
  };
  const auto sixteen = colours_of_frame(make_memory_surface(0));
  const auto thirty_two = colours_of_frame(OwnedSurface{SDL_CreateRGBSurface(
      SDL_SWSURFACE, kScreenWidth, kScreenHeight, 32, 0x000000FF, 0x0000FF00, 0x00FF0000,
      0xFF000000)});
  ASSERT_EQ(sixteen.size(), thirty_two.size());
  EXPECT_TRUE(sixteen == thirty_two) << "the 32-bit frame differs from the 16-bit one";
}

}  // namespace
