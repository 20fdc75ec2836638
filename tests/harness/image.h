// Screenshots and the pictures written next to a failed test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

struct Rgb {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
  bool operator==(const Rgb&) const = default;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // row by row, top first

  Image() = default;
  Image(int image_width, int image_height)
      : width{image_width},
        height{image_height},
        pixels(static_cast<std::size_t>(image_width * image_height)) {}

  Rgb& at(int x, int y) { return pixels[index(x, y)]; }
  const Rgb& at(int x, int y) const { return pixels[index(x, y)]; }

 private:
  std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                                static_cast<std::size_t>(x); }
};

// Writes `image` as an 8-bit RGB PNG. Throws std::runtime_error when the file cannot be
// written.
void write_png(const Image& image, const std::filesystem::path& path);
