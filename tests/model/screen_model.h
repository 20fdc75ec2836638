// What the test screen must look like, worked out from its layout as a user sees it and
// the font the test gave it, and how a picture of it is read back: pixel shades, the
// readout and the underline. Every test and measuring tool takes the picture from here,
// so that the program's own layout tables are checked, never copied.
#pragma once

#include <cstdint>
#include <functional>
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
inline constexpr CellPosition kStartCell{.column = 11, .row = 8};
inline constexpr CellPosition kReadoutStart{.column = 14, .row = 20};
inline constexpr int kReadoutDigits = 8;

// A rectangle of the picture, in pixels.
struct Area {
  int left;
  int top;
  int width;
  int height;
};

// The two background rectangles: the grey frame, and the black screen window on it.
inline constexpr Area kGreyFrame{.left = 86, .top = 90, .width = 468, .height = 300};
inline constexpr Area kBlackWindow{.left = 135, .top = 119, .width = 384, .height = 250};
// The eight glyph boxes of the readout.
Area readout_area();

// A 2048-byte font of random glyphs (unused bits 6 and 7 random too) whose sixteen
// hexadecimal digit glyphs differ from one another, so the readout can be read back.
FontBytes random_font(std::mt19937& random);

// Whether pixel column `pixel` (0 = leftmost) of glyph row `line` of `code` is ink. Rows
// beyond the end of a short font are blank.
bool glyph_ink(const FontBytes& font, int code, int line, int pixel);

enum class Shade : std::uint8_t { kBlack, kGrey, kWhite, kOther };

// How far a channel may be from the colour asked for. A 24-bit display gets each channel
// of the program's 16-bit surface widened from 5 or 6 bits, which moves it by up to 8.
// In memory, where a pixel is read back through its own format, only the 5 and 6 bits'
// rounding is allowed: a colour a few steps off is a wrong colour there.
inline constexpr int kDisplayTolerance = 12;
inline constexpr int kSurfaceTolerance = 4;

// Which of the test screen's three colours a pixel shows, if any.
Shade classify(const Rgb& pixel, int tolerance = kDisplayTolerance);

// The expected shade of every window pixel, or none for a pixel left open.
class ExpectedPicture {
 public:
  // The test screen drawn with `font`, without the underline, on `outside` beyond the
  // grey frame. The readout cells are left open: their contents change over time and
  // are read separately, unless add_readout gives them.
  explicit ExpectedPicture(const FontBytes& font, Shade outside = Shade::kBlack);

  void add_readout(std::uint32_t value);
  void add_underline(CellPosition cell);
  void leave_underline_open(CellPosition cell);

  // Pixels whose shade differs from the expected one, as (x, y).
  std::vector<std::pair<int, int>> mismatches(const Image& actual,
                                              int tolerance = kDisplayTolerance) const;
  // The screenshot dimmed, with every mismatching pixel in red.
  Image diff_image(const Image& actual) const;

 private:
  using Expected = std::optional<Shade>;
  Expected& at(int x, int y) { return shades_[index(x, y)]; }
  const Expected& at(int x, int y) const { return shades_[index(x, y)]; }
  static std::size_t index(int x, int y) {
    return static_cast<std::size_t>(y) * kWindowWidth + static_cast<std::size_t>(x);
  }
  void fill(const Area& area, Expected shade);
  void draw_glyph(CellPosition cell, int code);
  void set_underline(CellPosition cell, Expected shade);

  const FontBytes font_;
  std::vector<Expected> shades_;
};

// The shade of picture pixel (x, y), however the picture is held.
using ShadeAt = std::function<Shade(int x, int y)>;

// The readout's value, when all eight cells show digit glyphs of `font` in white on black.
std::optional<std::uint32_t> read_readout(const ShadeAt& shade_at, const FontBytes& font);
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
