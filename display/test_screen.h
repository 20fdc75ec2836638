// The test screen: one complete frame, composed from scratch and flipped.
#pragma once

#include "display/cursor_state.h"
#include "display/font_image.h"
#include "display/screen.h"

// Draws one frame of the test screen into `screen` and flips it. Returns false, having
// neither unlocked nor flipped, when the surface needed a lock and could not be locked.
bool compose_test_screen(ScreenSurface& screen, const FontImage& font, const CursorState& cursor);

// Sets the six underline pixels under the cursor's cell to white, unless any of them
// would fall outside the surface. Needs the lock, like draw_glyph.
void draw_cursor_underline(ScreenSurface& screen, const CursorState& cursor);
