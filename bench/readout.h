// Reading the blink readout back from a picture of the window: the eight hexadecimal
// digits the test screen draws at row 20, columns 14 to 21, holding the tick count of the
// last blink toggle.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "display/font_image.h"

// The part of the window the readout occupies, in window pixels.
struct ReadoutArea {
  int x;
  int y;
  int width;
  int height;
};

ReadoutArea readout_area();

// Whether the pixel at (x, y), relative to the top left of readout_area(), is ink.
using InkTest = std::function<bool(int x, int y)>;

// The value the readout shows, or nothing when some cell holds no hexadecimal digit of
// `font` (a picture taken while a frame was being drawn, say).
std::optional<std::uint32_t> decode_readout(const FontImage& font, const InkTest& is_ink);
