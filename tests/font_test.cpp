// The font loader on files of every length and kind, and the shipped font image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "display/font_image.h"
#include "display/screen.h"
#include "process.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FontLoader : public ::testing::Test {
 protected:
  // A file of `size` bytes counting up from 0, so every byte's position shows.
  std::string file_of(std::size_t size) {
    const fs::path path = scratch_.path() / ("font" + std::to_string(size));
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) {
      out.put(static_cast<char>(i & 0xFF));
    }
    return path.string();
  }

  // A font whose bytes are all ink, to show that loading overwrites every byte.
  static FontImage stale() {
    FontImage font;
    font.bytes.fill(0);
    return font;
  }

  ScratchDirectory scratch_;
};

TEST_F(FontLoader, UsesTheFirst2048BytesAndLeavesWhatAShortFileLacksBlank) {
  for (std::size_t size :
       {std::size_t{2048}, std::size_t{4096}, std::size_t{1000}, std::size_t{1}, std::size_t{0}}) {
    FontImage font = stale();
    ASSERT_TRUE(load_font(font, file_of(size).c_str())) << size;
    for (std::size_t i = 0; i < font.bytes.size(); ++i) {
      const std::uint8_t expected = i < size ? static_cast<std::uint8_t>(i & 0xFF) : 0x3F;
      ASSERT_EQ(font.bytes[i], expected) << "byte " << i << " of a " << size << "-byte file";
    }
  }
}

TEST_F(FontLoader, MissingFileOrDirectoryCannotBeOpened) {
  FontImage font = stale();
  EXPECT_FALSE(load_font(font, (scratch_.path() / "absent").c_str()));
  EXPECT_FALSE(load_font(font, scratch_.path().c_str()));
  EXPECT_EQ(font.bytes[0], 0x3F);  // nothing of a failed read is left behind
}

TEST(ShippedFont, IsExactlyWhatItsGlyphSourceBuildsTo) {
  const auto shipped = read_bytes(VYRTEL_SHIPPED_FONT);
  EXPECT_EQ(shipped.size(), 2048u);
  EXPECT_EQ(shipped, read_bytes(VYRTEL_BUILT_FONT))
      << "rfs/rk_font.bin is stale: rebuild it from font/rk_font.txt with fontgen";
}

// fontgen builds the image from the whole source or not at all: an edit that leaves a
// stray glyph or line after the last one must not be dropped without a word.
TEST(ShippedFont, SourceWithContentAfterTheLastGlyphIsRefused) {
  ScratchDirectory scratch;
  const fs::path source = scratch.path() / "rk_font.txt";
  const fs::path image = scratch.path() / "rk_font.bin";
  fs::copy_file(VYRTEL_FONT_SOURCE, source);
  const std::string command = std::string{"'"} + VYRTEL_FONTGEN + "' '" + source.string() +
                              "' '" + image.string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << "fontgen refuses the shipped source";
  std::ofstream{source, std::ios::app} << "0x80 EXTRA\n######\n";
  EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(ShippedFont, HasDistinctHexDigitsAndInverseVideoInItsUpperHalf) {
  const auto font = read_bytes(VYRTEL_SHIPPED_FONT);
  ASSERT_EQ(font.size(), 2048u);
  const auto glyph = [&](int code) {
    const auto start = font.begin() + std::ptrdiff_t{code} * 8;
    return std::vector<std::uint8_t>(start, start + 8);
  };
  std::set<std::vector<std::uint8_t>> digits;
  for (std::uint8_t value = 0; value < 16; ++value) {
    digits.insert(glyph(hex_digit(value)));
  }
  EXPECT_EQ(digits.size(), 16u);
  for (int code = 0; code < 128; ++code) {
    for (int row = 0; row < 8; ++row) {
      ASSERT_EQ(font[static_cast<std::size_t>((code + 128) * 8 + row)] & 0x3F,
                ~font[static_cast<std::size_t>(code * 8 + row)] & 0x3F)
          << "code " << code << " row " << row;
    }
  }
}

}  // namespace
