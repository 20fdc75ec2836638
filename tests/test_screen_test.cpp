// Whole frames of the test screen on in-memory surfaces, compared pixel for pixel with the
// picture model, drawn with a font of random glyphs: any code drawn in the wrong place,
// any pixel mirrored or shifted, any colour off, changes the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "display/test_screen.h"
#include "screen_model.h"
#include "tests/display_test_support.h"

namespace {

// What the 16-bit surface held before the frame: the frame must leave it alone outside
// the grey rectangle, except for an underline.
constexpr std::uint16_t kUntouched = 0x1234;
constexpr std::uint32_t kReadoutValue = 0x00012ABC;

struct Frame {
  const char* name;
  CursorState cursor;
  bool thirty_two_bits;  // the browser's surface
};

void PrintTo(const Frame& frame, std::ostream* out) {
  *out << frame.name;
}

class TestScreen : public testing::TestWithParam<Frame> {};

TEST_P(TestScreen, FrameIsThePicturePixelForPixel) {
  const Frame& frame = GetParam();
  std::mt19937 random{std::hash<std::string>{}(frame.name)};
  const FontBytes bytes = random_font(random);
  FontImage font{};
  std::copy(bytes.begin(), bytes.end(), font.bytes.begin());
  OwnedSurface surface =
      frame.thirty_two_bits ? make_32_bit_memory_surface() : make_memory_surface(kUntouched);
  if (frame.thirty_two_bits) {
    SDL_FillRect(surface.get(), nullptr, SDL_MapRGB(surface->format, 18, 52, 86));
  }
  ScreenSurface screen = make_screen_surface(surface.get());
  ASSERT_TRUE(compose_test_screen(screen, font, frame.cursor));

  ExpectedPicture expected{bytes, Shade::kOther};
  expected.add_readout(kReadoutValue);
  if (frame.cursor.blink) {
    expected.add_underline({.column = frame.cursor.column, .row = frame.cursor.row});
  }
  const Image actual = surface_image(surface.get());
  const auto wrong = expected.mismatches(actual, kSurfaceTolerance);
  if (!wrong.empty()) {
    const std::string stem = std::string{VYRTEL_ARTIFACT_DIR} + "/" + frame.name;
    write_png(actual, stem + "-actual.png");
    write_png(expected.diff_image(actual), stem + "-diff.png");
    ADD_FAILURE() << wrong.size() << " pixels differ, the first at (" << wrong.front().first
                  << "," << wrong.front().second << "); see " << stem << "-{actual,diff}.png";
  }
}

constexpr CursorState kShownAtStart{
    .row = 8, .column = 11, .blink = true, .blink_timestamp = kReadoutValue};

INSTANTIATE_TEST_SUITE_P(
    Frames, TestScreen,
    testing::Values(Frame{"CursorShownAtItsStart", kShownAtStart, false},
                    Frame{"CursorHidden",
                          {.row = 8, .column = 11, .blink = false, .blink_timestamp = kReadoutValue},
                          false},
                    // Below the grey frame the underline lands on what the surface held.
                    Frame{"CursorBelowTheFrame",
                          {.row = 35, .column = 2, .blink = true, .blink_timestamp = kReadoutValue},
                          false},
                    Frame{"OnAThirtyTwoBitSurface", kShownAtStart, true}),
    testing::PrintToStringParamName());

}  // namespace
