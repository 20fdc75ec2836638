// The variables through which a user's session steers SDL, or the loader's choice of SDL:
// the driver and display, how SDL presents and scales, the desktop's scale, and those the
// program sets for itself where the user has not. Every run of the program under test
// starts without them, as on a default desktop, and sets those it means to.
#pragma once

#include <array>

inline constexpr std::array<const char*, 11> kDisplayChoiceVariables = {
    "SDL_VIDEODRIVER", "SDL_VIDEO_X11_VISUALID", "SDL_RENDER_DRIVER",
    "SDL_FRAMEBUFFER_ACCELERATION", "SDL_RENDER_SCALE_QUALITY", "SDL12COMPAT_SCALE_METHOD",
    "SDL12COMPAT_WINDOW_SCALING", "GDK_SCALE", "CACA_DRIVER", "WAYLAND_DISPLAY", "DISPLAY"};
