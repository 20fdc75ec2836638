#include "bench/readout.h"

#include "display/screen.h"

namespace {

// Where compose_test_screen puts the readout, most significant digit first.
constexpr int kReadoutColumn = 14;
constexpr int kReadoutRow = 20;
constexpr int kReadoutDigits = 8;
constexpr int kHexDigitValues = 16;
constexpr int kBitsPerDigit = 4;
constexpr std::uint8_t kGlyphBits = 0x3F;  // the six pixel columns of a glyph row

// One glyph row as the font stores it (0 bits are ink, bit 5 the leftmost pixel), read
// from the picture of the cell whose left edge is at `left`.
std::uint8_t row_bits(const InkTest& is_ink, int left, int line) {
  std::uint8_t bits = kGlyphBits;
  for (int bit = 0; bit < kCellWidth; ++bit) {
    if (is_ink(left + kCellWidth - 1 - bit, line)) {
      bits = static_cast<std::uint8_t>(bits & ~(1U << bit));
    }
  }
  return bits;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where, then what, as draw_glyph
bool cell_shows(const FontImage& font, const InkTest& is_ink, int left, std::uint8_t code) {
  for (int line = 0; line < kFontGlyphRows; ++line) {
    const auto stored =
        font.bytes[static_cast<std::size_t>(code) * kFontGlyphRows + static_cast<std::size_t>(line)];
    if ((stored & kGlyphBits) != row_bits(is_ink, left, line)) {
      return false;
    }
  }
  return true;
}

std::optional<std::uint32_t> cell_value(const FontImage& font, const InkTest& is_ink, int left) {
  for (std::uint8_t value = 0; value < kHexDigitValues; ++value) {
    if (cell_shows(font, is_ink, left, hex_digit(value))) {
      return value;
    }
  }
  return std::nullopt;
}

}  // namespace

ReadoutArea readout_area() {
  return ReadoutArea{.x = cell_left(kReadoutColumn),
                     .y = cell_top(kReadoutRow),
                     .width = kReadoutDigits * kCellWidth,
                     .height = kFontGlyphRows};
}

std::optional<std::uint32_t> decode_readout(const FontImage& font, const InkTest& is_ink) {
  std::uint32_t ticks = 0;
  for (int digit = 0; digit < kReadoutDigits; ++digit) {
    const auto value = cell_value(font, is_ink, digit * kCellWidth);
    if (!value) {
      return std::nullopt;
    }
    ticks = (ticks << kBitsPerDigit) | *value;
  }
  return ticks;
}
