#include "bench/readout.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "display/test_screen.h"

namespace {

constexpr Uint32 kRedMask = 0xF800;
constexpr Uint32 kGreenMask = 0x07E0;
constexpr Uint32 kBlueMask = 0x001F;

// A frame composed by the program's own renderer, read back as the probe reads the window.
class ReadoutTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(load_font(font_, VYRTEL_SHIPPED_FONT));
    surface_ = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, kScreenBitsPerPixel,
                                    kRedMask, kGreenMask, kBlueMask, 0);
    ASSERT_NE(surface_, nullptr);
    screen_ = make_screen_surface(surface_);
  }
  void TearDown() override { SDL_FreeSurface(surface_); }

  void compose_with_readout(std::uint32_t ticks) {
    CursorState cursor = kCursorStart;
    cursor.blink_timestamp = ticks;
    ASSERT_TRUE(compose_test_screen(screen_, font_, cursor));
  }

  std::uint16_t& pixel(int x, int y) {
    return static_cast<std::uint16_t*>(surface_->pixels)[y * surface_->pitch / 2 + x];
  }

  std::optional<std::uint32_t> decode() {
    const ReadoutArea area = readout_area();
    return decode_readout(font_, [this, area](int x, int y) {
      return pixel(area.x + x, area.y + y) == screen_.colours.white;
    });
  }

  FontImage font_{};
  SDL_Surface* surface_ = nullptr;
  ScreenSurface screen_{};
};

TEST_F(ReadoutTest, ReadsBackEveryHexDigitInItsPlace) {
  for (const std::uint32_t ticks : {0x01234567U, 0x89ABCDEFU, 0xFEDCBA98U, 0U}) {
    compose_with_readout(ticks);
    EXPECT_EQ(decode(), ticks) << std::hex << ticks;
  }
}

TEST_F(ReadoutTest, RefusesACellThatIsNoDigit) {
  compose_with_readout(0x88888888U);
  const ReadoutArea area = readout_area();
  // The last digit loses one ink pixel, as when a picture is taken mid-frame: an 8 with
  // a gap matches no digit, and in particular not a neighbouring one.
  for (int y = 0; y < area.height; ++y) {
    std::uint16_t& ink = pixel(area.x + area.width - 2, area.y + y);
    if (ink == screen_.colours.white) {
      ink = static_cast<std::uint16_t>(screen_.colours.black);
      break;
    }
  }
  EXPECT_EQ(decode(), std::nullopt);
}

TEST_F(ReadoutTest, RefusesAnEmptyReadout) {
  SDL_FillRect(surface_, nullptr, screen_.colours.black);
  EXPECT_EQ(decode(), std::nullopt);
}

}  // namespace
