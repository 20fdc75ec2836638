// The cursor, which the key handler moves, the blink timer toggles and the test screen
// draws.
#pragma once

#include <cstdint>

// The underline cursor: its text cell and its blink phase. Row and column are plain
// unsigned 16-bit counters with no bounds; the underline is drawn only where it lies on
// the surface.
struct CursorState {
  std::uint16_t row;
  std::uint16_t column;
  bool blink;                     // underline shown
  std::uint32_t blink_timestamp;  // tick count of the last blink toggle
};

inline constexpr CursorState kCursorStart{
    .row = 8, .column = 11, .blink = false, .blink_timestamp = 0};
