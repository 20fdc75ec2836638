// Font files that are not 2048 ordinary bytes: the program reads what there is, leaves
// missing glyph rows blank, and never crashes.
#include <csignal>

#include "acceptance_test.h"

namespace {

struct OddFont {
  const char* name;
  // The file's length, or nullopt for a link to /dev/zero, which never ends.
  std::optional<std::size_t> size;
};

void PrintTo(const OddFont& font, std::ostream* out) {
  *out << font.name;
}

class OddFontFile : public ProgramTest, public testing::WithParamInterface<OddFont> {
 protected:
  // The file put in place, and the bytes of it the program should use.
  FontBytes file_bytes() {
    if (!GetParam().size) {
      return FontBytes(kFontFileSize, 0);
    }
    FontBytes bytes = font_;
    bytes.resize(*GetParam().size, 0x5A);  // a 2049th byte, which must not matter
    return bytes;
  }
};

TEST_P(OddFontFile, IsDrawnAsFarAsItGoesAndTheRunEndsCleanly) {
  const FontBytes bytes = file_bytes();
  ASSERT_TRUE(launch_in_window([&](ProgramRun& run) {
    if (GetParam().size) {
      run.install_font(bytes);
    } else {
      std::filesystem::create_symlink("/dev/zero", run.font_path());
    }
  }));
  ExpectedPicture expected{bytes};
  expected.leave_underline_open(kStartCell);
  EXPECT_TRUE(wait_for_picture(expected));
  run_->process().send_signal(SIGTERM);
  EXPECT_EQ(wait_for_exit(), "exit 0");
}

INSTANTIATE_TEST_SUITE_P(Sizes, OddFontFile,
                         testing::Values(OddFont{"Empty", 0}, OddFont{"OneByte", 1},
                                         OddFont{"OneByteShort", kFontFileSize - 1},
                                         OddFont{"OneByteOver", kFontFileSize + 1},
                                         OddFont{"EndlessZeros", std::nullopt}),
                         testing::PrintToStringParamName());

}  // namespace
