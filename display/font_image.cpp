#include "display/font_image.h"

#include <cstdio>

bool load_font(FontImage& font, const char* path) {
  font.bytes.fill(kFontBlankRow);
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    return false;
  }
  // A short file is fine: whatever it holds is used and the rest stays blank. A read
  // error (fopen succeeds on a directory on POSIX, the read then fails) is not.
  const std::size_t bytes_read = std::fread(font.bytes.data(), 1, font.bytes.size(), file);
  const bool readable = bytes_read == font.bytes.size() || std::ferror(file) == 0;
  // Nothing was written, so closing cannot lose anything.
  static_cast<void>(std::fclose(file));
  if (!readable) {
    font.bytes.fill(kFontBlankRow);
  }
  return readable;
}
