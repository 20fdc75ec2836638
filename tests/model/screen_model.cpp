#include "screen_model.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string_view>

namespace {

constexpr int kGlyphWidth = 6;
constexpr int kGlyphLines = 8;
constexpr int kLeftmostBit = 5;  // bit 5 is the leftmost pixel column, bit 0 the rightmost

// The text-cell grid: cell (column, row) has its glyph box at x = column * 6 + 87,
// y = row * 10 + 90, and its underline on the line below the box plus one (y + 8).
constexpr int kGridLeft = 87;
constexpr int kGridTop = 90;
constexpr int kRowPitch = 10;
constexpr int kUnderlineLine = 8;

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

int cell_left(int column) {
  return column * kGlyphWidth + kGridLeft;
}
int cell_top(int row) {
  return row * kRowPitch + kGridTop;
}

bool near(const Rgb& pixel, const Rgb& colour, int tolerance) {
  return std::abs(pixel.red - colour.red) <= tolerance &&
         std::abs(pixel.green - colour.green) <= tolerance &&
         std::abs(pixel.blue - colour.blue) <= tolerance;
}

std::uint64_t glyph_pattern(const FontBytes& font, int code) {
  std::uint64_t pattern = 0;
  for (int line = 0; line < kGlyphLines; ++line) {
    for (int pixel = 0; pixel < kGlyphWidth; ++pixel) {
      pattern = (pattern << 1) | (glyph_ink(font, code, line, pixel) ? 1u : 0u);
    }
  }
  return pattern;
}

struct GlyphCell {
  CellPosition cell;
  int code;
};

// Every glyph of the test screen except the readout.
std::vector<GlyphCell> test_screen_cells() {
  std::vector<GlyphCell> cells;
  const std::string_view banner = "radio-86rk";
  for (std::size_t i = 0; i < banner.size(); ++i) {
    cells.push_back({{8 + static_cast<int>(i), 3}, banner[i]});
  }
  for (int row = 4; row <= 8; ++row) {
    cells.push_back({{8, row}, '-'});
    cells.push_back({{9, row}, '-'});
    cells.push_back({{10, row}, '>'});
  }
  for (int code = 0; code < 128; ++code) {
    cells.push_back({{11 + code % 32, 4 + code / 32}, code});
  }
  for (int row = 4; row <= 7; ++row) {
    cells.push_back({{43, row}, '?'});
  }
  for (int column = 0; column <= 75; column += 5) {
    cells.push_back({{column, 15}, 0x1B});
  }
  for (int column = 10; column <= 70; column += 10) {
    cells.push_back({{column, 16}, '0' + column / 10});
    cells.push_back({{column + 1, 16}, '0'});
  }
  for (int row = 0; row <= 25; row += 5) {
    cells.push_back({{55, row}, 0x1C});
    if (row >= 10) {
      cells.push_back({{56, row}, '0' + row / 10});
    }
    cells.push_back({{57, row}, '0' + row % 10});
  }
  return cells;
}

bool underline_on_window(CellPosition cell) {
  const int x = cell_left(cell.column);
  const int y = cell_top(cell.row) + kUnderlineLine;
  return x >= 0 && x + kGlyphWidth <= kWindowWidth && y >= 0 && y < kWindowHeight;
}

}  // namespace

FontBytes random_font(std::mt19937& random) {
  std::uniform_int_distribution<int> byte{0, 0xFF};
  FontBytes font(kFontFileSize);
  std::set<std::uint64_t> digit_patterns;
  for (int code = 0; code < 256; ++code) {
    const bool hex_digit = kHexDigits.find(static_cast<char>(code)) != std::string_view::npos;
    do {
      for (int line = 0; line < kGlyphLines; ++line) {
        font[static_cast<std::size_t>(code) * kGlyphLines + static_cast<std::size_t>(line)] =
            static_cast<std::uint8_t>(byte(random));
      }
    } while (hex_digit && !digit_patterns.insert(glyph_pattern(font, code)).second);
  }
  return font;
}

bool glyph_ink(const FontBytes& font, int code, int line, int pixel) {
  const auto offset = static_cast<std::size_t>(code) * kGlyphLines + static_cast<std::size_t>(line);
  if (offset >= std::min<std::size_t>(font.size(), kFontFileSize)) {
    return false;
  }
  return (font[offset] & (1u << (kLeftmostBit - pixel))) == 0;
}

Area readout_area() {
  return {.left = cell_left(kReadoutStart.column),
          .top = cell_top(kReadoutStart.row),
          .width = kReadoutDigits * kGlyphWidth,
          .height = kGlyphLines};
}

Shade classify(const Rgb& pixel, int tolerance) {
  if (near(pixel, kBlack, tolerance)) {
    return Shade::kBlack;
  }
  if (near(pixel, kGrey, tolerance)) {
    return Shade::kGrey;
  }
  if (near(pixel, kWhite, tolerance)) {
    return Shade::kWhite;
  }
  return Shade::kOther;
}

ExpectedPicture::ExpectedPicture(const FontBytes& font, Shade outside)
    : font_{font}, shades_(static_cast<std::size_t>(kWindowWidth * kWindowHeight), outside) {
  fill(kGreyFrame, Shade::kGrey);
  fill(kBlackWindow, Shade::kBlack);
  for (const GlyphCell& glyph : test_screen_cells()) {
    draw_glyph(glyph.cell, glyph.code);
  }
  fill(readout_area(), std::nullopt);
}

void ExpectedPicture::add_readout(std::uint32_t value) {
  fill(readout_area(), Shade::kBlack);
  for (int digit = 0; digit < kReadoutDigits; ++digit) {
    const auto nibble = (value >> (4 * (kReadoutDigits - 1 - digit))) & 0xFu;
    draw_glyph({kReadoutStart.column + digit, kReadoutStart.row}, kHexDigits[nibble]);
  }
}

void ExpectedPicture::add_underline(CellPosition cell) {
  set_underline(cell, Shade::kWhite);
}

void ExpectedPicture::leave_underline_open(CellPosition cell) {
  set_underline(cell, std::nullopt);
}

void ExpectedPicture::set_underline(CellPosition cell, Expected shade) {
  if (underline_on_window(cell)) {
    fill({.left = cell_left(cell.column),
          .top = cell_top(cell.row) + kUnderlineLine,
          .width = kGlyphWidth,
          .height = 1},
         shade);
  }
}

void ExpectedPicture::fill(const Area& area, Expected shade) {
  for (int y = area.top; y < area.top + area.height; ++y) {
    for (int x = area.left; x < area.left + area.width; ++x) {
      at(x, y) = shade;
    }
  }
}

void ExpectedPicture::draw_glyph(CellPosition cell, int code) {
  for (int line = 0; line < kGlyphLines; ++line) {
    for (int pixel = 0; pixel < kGlyphWidth; ++pixel) {
      if (glyph_ink(font_, code, line, pixel)) {
        at(cell_left(cell.column) + pixel, cell_top(cell.row) + line) = Shade::kWhite;
      }
    }
  }
}

std::vector<std::pair<int, int>> ExpectedPicture::mismatches(const Image& actual,
                                                             int tolerance) const {
  std::vector<std::pair<int, int>> wrong;
  for (int y = 0; y < kWindowHeight; ++y) {
    for (int x = 0; x < kWindowWidth; ++x) {
      if (at(x, y) && *at(x, y) != classify(actual.at(x, y), tolerance)) {
        wrong.emplace_back(x, y);
      }
    }
  }
  return wrong;
}

Image ExpectedPicture::diff_image(const Image& actual) const {
  Image diff = actual;
  for (Rgb& pixel : diff.pixels) {
    pixel = {static_cast<std::uint8_t>(pixel.red / 4), static_cast<std::uint8_t>(pixel.green / 4),
             static_cast<std::uint8_t>(pixel.blue / 4)};
  }
  for (const auto& [x, y] : mismatches(actual)) {
    diff.at(x, y) = {255, 0, 0};
  }
  return diff;
}

std::optional<std::uint32_t> read_readout(const Image& picture, const FontBytes& font) {
  if (picture.width != kWindowWidth || picture.height != kWindowHeight) {
    return std::nullopt;
  }
  return read_readout([&](int x, int y) { return classify(picture.at(x, y)); }, font);
}

std::optional<std::uint32_t> read_readout(const ShadeAt& shade_at, const FontBytes& font) {
  std::uint32_t value = 0;
  for (int digit = 0; digit < kReadoutDigits; ++digit) {
    const int left = cell_left(kReadoutStart.column + digit);
    const int top = cell_top(kReadoutStart.row);
    std::uint64_t pattern = 0;
    for (int line = 0; line < kGlyphLines; ++line) {
      for (int pixel = 0; pixel < kGlyphWidth; ++pixel) {
        const Shade shade = shade_at(left + pixel, top + line);
        if (shade != Shade::kWhite && shade != Shade::kBlack) {
          return std::nullopt;
        }
        pattern = (pattern << 1) | (shade == Shade::kWhite ? 1u : 0u);
      }
    }
    const auto match = std::find_if(kHexDigits.begin(), kHexDigits.end(), [&](char code) {
      return glyph_pattern(font, code) == pattern;
    });
    if (match == kHexDigits.end()) {
      return std::nullopt;
    }
    value = (value << 4) | static_cast<std::uint32_t>(match - kHexDigits.begin());
  }
  return value;
}

// Built with a stream: GCC 12 at -O3 warns falsely of overlapping copies in a chain of
// string additions that starts with a literal.
std::string point(int x, int y) {
  std::ostringstream text;
  text << "(" << x << "," << y << ")";
  return text.str();
}

std::string size_text(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

Reading read_window(const Image& window, int pixel_size) {
  if (window.width != kWindowWidth * pixel_size || window.height != kWindowHeight * pixel_size) {
    return {.picture = std::nullopt,
            .problem = "the window is " + size_text(window.width, window.height) + ", not " +
                       size_text(kWindowWidth * pixel_size, kWindowHeight * pixel_size)};
  }
  Image picture{kWindowWidth, kWindowHeight};
  for (int y = 0; y < window.height; ++y) {
    for (int x = 0; x < window.width; ++x) {
      Rgb& source = picture.at(x / pixel_size, y / pixel_size);
      if (x % pixel_size == 0 && y % pixel_size == 0) {
        source = window.at(x, y);
      } else if (window.at(x, y) != source) {
        return {.picture = std::nullopt,
                .problem = "the screen pixels of picture pixel " +
                           point(x / pixel_size, y / pixel_size) + " differ"};
      }
    }
  }
  return {.picture = std::move(picture), .problem = {}};
}

Reading read_full_screen(const Image& screen, double scale) {
  if (const std::size_t blurred = count_blurred_pixels(screen); blurred > 0) {
    return {.picture = std::nullopt,
            .problem = std::to_string(blurred) + " screen pixels of other colours"};
  }
  const double left = (screen.width - kWindowWidth * scale) / 2;
  const double top = (screen.height - kWindowHeight * scale) / 2;
  const double right = left + kWindowWidth * scale;
  const double bottom = top + kWindowHeight * scale;
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      const bool outside = x + 1 <= left || x >= right || y + 1 <= top || y >= bottom;
      if (outside && classify(screen.at(x, y)) != Shade::kBlack) {
        return {.picture = std::nullopt,
                .problem = "screen pixel " + point(x, y) + " is not black, outside the picture"};
      }
    }
  }
  Image picture{kWindowWidth, kWindowHeight};
  for (int y = 0; y < kWindowHeight; ++y) {
    for (int x = 0; x < kWindowWidth; ++x) {
      picture.at(x, y) = screen.at(static_cast<int>(left + (x + 0.5) * scale),
                                   static_cast<int>(top + (y + 0.5) * scale));
    }
  }
  return {.picture = std::move(picture), .problem = {}};
}

std::size_t count_blurred_pixels(const Image& picture) {
  return static_cast<std::size_t>(
      std::count_if(picture.pixels.begin(), picture.pixels.end(),
                    [](const Rgb& pixel) { return classify(pixel) == Shade::kOther; }));
}

Underline underline_at(const Image& picture, CellPosition cell) {
  const int y = cell_top(cell.row) + kUnderlineLine;
  int white = 0;
  for (int x = cell_left(cell.column); x < cell_left(cell.column) + kGlyphWidth; ++x) {
    white += classify(picture.at(x, y)) == Shade::kWhite ? 1 : 0;
  }
  return white == kGlyphWidth ? Underline::kShown
         : white == 0         ? Underline::kHidden
                              : Underline::kPartial;
}
