// How many times its own size the window is shown at, from the desktop's display scale
// (Windows' and X11's alike): every picture pixel a whole square of screen pixels, as
// large as the scale asks and the screen allows. The browser page keeps whole squares by
// its own rule, in JavaScript, as many as its box holds (fitPicture in web/page.js).
#pragma once

#include <algorithm>

#include "app/platform.h"

// The display scale `dpi` rounded to the nearest whole number, halves up, and at least 1
// (100 % and 125 % give 1; 150 %, 175 % and 200 % give 2; 250 % gives 3), then lowered
// until the `picture` shown that many times, with the window's `frame`, fits the
// `work_area`. A picture that does not fit even once is shown once.
constexpr int whole_window_scale(int dpi, PixelSize picture, PixelSize frame,
                                 PixelSize work_area) {
  int scale = std::max(1, (dpi + kUnscaledDpi / 2) / kUnscaledDpi);
  while (scale > 1 && (scale * picture.width + frame.width > work_area.width ||
                       scale * picture.height + frame.height > work_area.height)) {
    --scale;
  }
  return scale;
}
