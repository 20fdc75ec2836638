#include "app/main_routine.h"

KeyOutcome handle_key(SDLKey key, ScreenSurface& screen, bool& full_screen, CursorState& cursor) {
  switch (key) {
    case SDLK_UP:
      --cursor.row;
      break;
    case SDLK_DOWN:
      ++cursor.row;
      break;
    case SDLK_RIGHT:
      ++cursor.column;
      break;
    case SDLK_LEFT:
      --cursor.column;
      break;
    case SDLK_SPACE:
      if (!set_display_mode(screen, !full_screen)) {
        report_video_failure();
        return KeyOutcome::kDisplayModeFailed;
      }
      full_screen = !full_screen;
      break;
    default:
      break;
  }
  return KeyOutcome::kHandled;
}
