#include "image.h"

#include <png.h>

#include <stdexcept>
#include <string>

void write_png(const Image& image, const std::filesystem::path& path) {
  // Rgb is three bytes, red first, and the rows run top first: libpng's 8-bit RGB layout.
  static_assert(sizeof(Rgb) == 3);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  if (png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr) == 0) {
    throw std::runtime_error("cannot write " + path.string() + ": " + png.message);
  }
}

Image rgb565_image(std::span<const std::uint16_t> pixels, int width) {
  constexpr unsigned kFiveBits = 0x1F;
  constexpr unsigned kSixBits = 0x3F;
  const auto widen = [](unsigned value, int bits) {
    return static_cast<std::uint8_t>(value << (8 - bits) | value >> (2 * bits - 8));
  };
  if (width <= 0 || pixels.size() % static_cast<std::size_t>(width) != 0) {
    throw std::invalid_argument(std::to_string(pixels.size()) + " pixels are no whole rows of " +
                                std::to_string(width));
  }
  Image image{width, static_cast<int>(pixels.size() / static_cast<std::size_t>(width))};
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const unsigned pixel = pixels[i];
    image.pixels[i] = {widen(pixel >> 11, 5), widen((pixel >> 5) & kSixBits, 6),
                       widen(pixel & kFiveBits, 5)};
  }
  return image;
}
