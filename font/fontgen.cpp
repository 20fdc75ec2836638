// fontgen: compiles the text glyph source (font/rk_font.txt) into the
// 2048-byte font image the display reads.
//
// Usage: fontgen <input.txt> <output.bin>
//
// Image layout: 256 glyphs of 8 bytes, one byte per pixel row, top row first.
// Bits 5..0 hold the six columns, leftmost in bit 5. Pixels are stored
// inverted (0 = ink, 1 = background); bits 6 and 7 are always 0.
// Codes 0x80..0xFF are the inverse video of codes 0x00..0x7F.

#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

namespace {

constexpr int kSourceGlyphs = 128;
constexpr int kRows = 8;
constexpr std::size_t kCols = 6;
constexpr std::uint8_t kRowMask = 0x3F;

using Glyph = std::array<std::uint8_t, kRows>;
using Font = std::array<Glyph, kSourceGlyphs>;

struct SourceError {
  int line;
  std::string message;
};

std::string hexCode(int code) {
  constexpr const char* digits = "0123456789ABCDEF";
  return std::string("0x") + digits[(code >> 4) & 0xF] + digits[code & 0xF];
}

class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(in) {}

  // Reads the next raw line; false at end of input.
  bool next(std::string& line) {
    if (!std::getline(in_, line)) {
      return false;
    }
    ++line_;
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    return true;
  }

  // Reads the next line that is neither blank nor a ';' comment.
  bool nextContent(std::string& line) {
    while (next(line)) {
      if (!line.empty() && line[0] != ';') {
        return true;
      }
    }
    return false;
  }

  [[nodiscard]] int line() const { return line_; }

 private:
  std::istream& in_;
  int line_ = 0;
};

// A header is the glyph's code in upper-case hex, a space, then a name.
void checkHeader(const std::string& text, int code, const LineReader& reader) {
  const std::string prefix = hexCode(code) + ' ';
  const bool named = text.size() > prefix.size() && text[prefix.size()] != ' ';
  if (text.compare(0, prefix.size(), prefix) != 0 || !named) {
    throw SourceError{reader.line(),
                      "expected header '" + prefix + "<name>', found '" + text + "'"};
  }
}

std::uint8_t parseRow(const std::string& text, int lineNo) {
  if (text.size() != kCols) {
    throw SourceError{lineNo, "glyph row must be exactly 6 characters"};
  }
  unsigned bits = 0;
  for (const char c : text) {
    if (c != '#' && c != '.') {
      throw SourceError{lineNo, "glyph row may only contain '#' and '.'"};
    }
    bits = (bits << 1) | (c == '.' ? 1U : 0U);
  }
  return static_cast<std::uint8_t>(bits);
}

Glyph readGlyph(LineReader& reader, int code) {
  std::string line;
  if (!reader.nextContent(line)) {
    throw SourceError{reader.line(), "unexpected end of file, expected glyph " + hexCode(code)};
  }
  checkHeader(line, code, reader);
  Glyph glyph{};
  for (auto& row : glyph) {
    if (!reader.next(line)) {
      throw SourceError{reader.line(), "unexpected end of file inside glyph"};
    }
    row = parseRow(line, reader.line());
  }
  return glyph;
}

Font readFont(std::istream& in) {
  LineReader reader(in);
  Font font{};
  for (int code = 0; code < kSourceGlyphs; ++code) {
    font[static_cast<std::size_t>(code)] = readGlyph(reader, code);
  }
  std::string extra;
  if (reader.nextContent(extra)) {
    throw SourceError{reader.line(), "unexpected content after the last glyph"};
  }
  return font;
}

bool writeImage(const Font& font, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  for (const std::uint8_t invert : {std::uint8_t{0}, kRowMask}) {
    for (const Glyph& glyph : font) {
      for (const std::uint8_t row : glyph) {
        out.put(static_cast<char>(row ^ invert));
      }
    }
  }
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fontgen <input.txt> <output.bin>\n";
    return 1;
  }
  const std::string inPath = argv[1];
  const std::string outPath = argv[2];
  std::ifstream in(inPath);
  if (!in) {
    std::cerr << inPath << ": cannot open\n";
    return 1;
  }
  try {
    if (writeImage(readFont(in), outPath)) {
      return 0;
    }
    std::cerr << outPath << ": write failed\n";
  } catch (const SourceError& e) {
    std::cerr << inPath << ":" << e.line << ": " << e.message << "\n";
  }
  return 1;
}
