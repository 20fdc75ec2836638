// Screenshots, pictures of in-memory surfaces, and the pictures written next to a failed
// test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <sstream>
#include <stdexcept>
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

  // Throws std::out_of_range outside the image: a capture smaller than the test expected
  // must fail the test, not be read past its end.
  Rgb& at(int x, int y) { return pixels[index(x, y)]; }
  const Rgb& at(int x, int y) const { return pixels[index(x, y)]; }

 private:
  std::size_t index(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
      std::ostringstream text;
      text << "pixel (" << x << "," << y << ") is outside the " << width << "x" << height
           << " image";
      throw std::out_of_range(text.str());
    }
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  }
};

// A picture of 16-bit RGB565 pixels, row by row, `width` to a row, each channel widened
// to 8 bits by repeating its top bits, as a 24-bit display shows it. Throws
// std::invalid_argument when the pixels are no whole number of rows.
Image rgb565_image(std::span<const std::uint16_t> pixels, int width);

// Writes `image` as an 8-bit RGB PNG. Throws std::runtime_error when the file cannot be
// written.
void write_png(const Image& image, const std::filesystem::path& path);
