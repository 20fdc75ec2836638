#include "image.h"

#include <fstream>
#include <stdexcept>
#include <string_view>

#include <zlib.h>

namespace {

constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kBitDepth = 8;
constexpr std::uint8_t kColourTypeRgb = 2;
constexpr std::uint8_t kNoFilter = 0;

using Bytes = std::vector<std::uint8_t>;

void append_big_endian(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// Each row is preceded by its filter type.
Bytes scanlines(const Image& image) {
  Bytes raw;
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(kNoFilter);
    for (int x = 0; x < image.width; ++x) {
      const Rgb& pixel = image.at(x, y);
      raw.insert(raw.end(), {pixel.red, pixel.green, pixel.blue});
    }
  }
  return raw;
}

Bytes compressed(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("cannot compress a picture");
  }
  out.resize(size);
  return out;
}

void append_chunk(Bytes& png, std::string_view type, const Bytes& data) {
  append_big_endian(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed{type.begin(), type.end()};
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  append_big_endian(
      png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

Bytes header(const Image& image) {
  Bytes data;
  append_big_endian(data, static_cast<std::uint32_t>(image.width));
  append_big_endian(data, static_cast<std::uint32_t>(image.height));
  // Bit depth, colour type, then default compression, filtering and no interlace.
  data.insert(data.end(), {kBitDepth, kColourTypeRgb, 0, 0, 0});
  return data;
}

}  // namespace

void write_png(const Image& image, const std::filesystem::path& path) {
  Bytes png{std::begin(kPngSignature), std::end(kPngSignature)};
  append_chunk(png, "IHDR", header(image));
  append_chunk(png, "IDAT", compressed(scanlines(image)));
  append_chunk(png, "IEND", {});
  std::ofstream file{path, std::ios::binary};
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  if (!file) {
    throw std::runtime_error("cannot write " + path.string());
  }
}
