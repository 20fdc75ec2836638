// What the window must show, worked out from the program's cell tables and the font the
// test gave it, and how a screenshot is read back: pixel shades, the readout and the
// underline.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "image.h"

using FontBytes = std::vector<std::uint8_t>;

inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 480;
inline constexpr int kFontFileSize = 2048;  // 256 glyphs of 8 one-byte rows

struct CellPosition {
  int column;
  int row;
  bool operator==(const CellPosition&) const = default;
};

// Where the cursor starts, and where the tick readout stands.
inline constexpr CellPosition kCursorStart{.column = 11, .row = 8};
inline constexpr CellPosition kReadoutStart{.column = 14, .row = 20};
inline constexpr int kReadoutDigits = 8;

// A 2048-byte font of random glyphs (unused bits 6 and 7 random too) whose sixteen
// hexadecimal digit glyphs differ from one another, so the readout can be read back.
FontBytes random_font(std::mt19937& random);

// Whether pixel column `pixel` (0 = leftmost) of glyph row `line` of `code` is ink. Rows
// beyond the end of a short font are blank.
bool glyph_ink(const FontBytes& font, int code, int line, int pixel);

enum class Shade : std::uint8_t { kBlack, kGrey, kWhite, kOther };

// The three colours of the test screen as they come out of a 16-bit surface on a 24-bit
// display, within the rounding of that conversion.
Shade classify(const Rgb& pixel);

// The expected shade of every window pixel, or none for a pixel left open.
class ExpectedPicture {
 public:
  // The test screen drawn with `font`, without the underline. The readout cells are left
  // open: their contents change over time and are read separately.
  explicit ExpectedPicture(const FontBytes& font);

  void add_underline(CellPosition cell);
  void leave_underline_open(CellPosition cell);

  // Pixels whose shade differs from the expected one, as (x, y).
  std::vector<std::pair<int, int>> mismatches(const Image& actual) const;
  // The screenshot dimmed, with every mismatching pixel in red.
  Image diff_image(const Image& actual) const;

 private:
  using Expected = std::optional<Shade>;
  Expected& at(int x, int y) { return shades_[index(x, y)]; }
  const Expected& at(int x, int y) const { return shades_[index(x, y)]; }
  static std::size_t index(int x, int y) {
    return static_cast<std::size_t>(y) * kWindowWidth + static_cast<std::size_t>(x);
  }
  void fill(int left, int top, int right, int bottom, Expected shade);
  void draw_glyph(const FontBytes& font, CellPosition cell, int code);
  void set_underline(CellPosition cell, Expected shade);

  std::vector<Expected> shades_;
};

// The readout's value, when all eight cells show digit glyphs of `font` in white on black.
std::optional<std::uint32_t> read_readout(const Image& picture, const FontBytes& font);

// A screenshot read back to the 640x480 picture it shows, or what keeps it from being one.
struct Reading {
  std::optional<Image> picture;
  std::string problem;
};

// A window that shows each picture pixel as a square of `pixel_size` by `pixel_size`
// identical screen pixels.
Reading read_window(const Image& window, int pixel_size);
// A screen that shows the picture scaled by `scale` both ways, centred, on black, in the
// test screen's three colours only (a scale that is not whole gives squares of uneven
// sizes: each picture pixel is read at the middle of its square).
Reading read_full_screen(const Image& screen, double scale);

// Pixels of none of the test screen's three colours, as a blurring scaler leaves at the
// edges of characters.
std::size_t count_blurred_pixels(const Image& picture);

enum class Underline { kShown, kHidden, kPartial };

// The underline pixels of `cell` all white, all not white, or a mix.
Underline underline_at(const Image& picture, CellPosition cell);
