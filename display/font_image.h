// The font image: 256 glyphs of 6x8 pixels, read once at start-up from "rfs/rk_font.bin".
#pragma once

#include <array>
#include <cstdint>

// Glyph rows are stored inverted: a 0 bit is ink, a 1 bit background. Bit 5 is the
// leftmost of the six pixel columns, bit 0 the rightmost; bits 6 and 7 are not used.
inline constexpr int kFontGlyphCount = 256;
inline constexpr int kFontGlyphRows = 8;
inline constexpr int kFontImageSize = kFontGlyphCount * kFontGlyphRows;  // 2048 bytes
inline constexpr std::uint8_t kFontBlankRow = 0x3F;                      // six background bits

struct FontImage {
  std::array<std::uint8_t, kFontImageSize> bytes;
};

// Where the program looks for its font, relative to the working directory.
inline constexpr const char* kFontPath = "rfs/rk_font.bin";

// Fills the image from the first 2048 bytes of the file at `path`. Glyph rows the file
// does not supply (a short file) stay blank. Returns false when the file cannot be opened
// or cannot be read as a file at all (a directory, say); the image is then all blank.
bool load_font(FontImage& font, const char* path);
