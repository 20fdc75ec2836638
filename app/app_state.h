// Everything the program keeps for its whole run. The main routine owns one AppState and
// lends its parts by reference, one call at a time.
#pragma once

#include <cstdint>

#include "display/font_image.h"
#include "display/cursor_state.h"
#include "display/screen.h"

// When the next frame is drawn: at once after the picture changes, otherwise at a
// steady cadence so that frames keep coming. How long frames take sets how often the
// loop looks at its input.
struct FramePacing {
  std::uint32_t last_frame_tick;
  bool redraw_requested;
  std::uint32_t frame_ms;  // the slowest recent frame, drawing and presenting, in whole ms
};

struct AppState {
  ScreenSurface screen;
  FontImage font;
  CursorState cursor;
  FramePacing pacing;
  bool full_screen;
  bool quit_requested;
};
