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
  std::fread(font.bytes.data(), font.bytes.size(), 1, file);
  const bool readable = std::ferror(file) == 0;
  std::fclose(file);
  if (!readable) {
    font.bytes.fill(kFontBlankRow);
  }
  return readable;
}
