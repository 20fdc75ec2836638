// What differs from one platform to the next. A platform reports what it knows (the
// desktop, whether its sleep ends on input) and does what only it can (set SDL's
// variables, sleep, show a failure); the rules that use what it reports are app/'s. Each
// platform answers in its own folder (x11/ for the Linux desktop, windows/, web/), and in
// compat/ what x11/ and windows/ share, posix/ what x11/ and web/ share; CMake builds the
// one the program is for, and the unit tests link a stand-in of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct PixelSize {
  int width;
  int height;
};

// Windows and X11 desktops (Xft.dpi) both count a display scale of 100 % as 96 dots per
// inch.
inline constexpr int kUnscaledDpi = 96;

// The desktop a window opens on.
struct Desktop {
  int dpi;              // the display scale the user chose
  PixelSize frame;      // what the window manager adds around a window's picture
  PixelSize work_area;  // the room windows have, without task bars and docks
};

// Gives SDL's `variable` the program's `value`, unless the user has set it.
void set_default(const char* variable, const char* value);

// The desktop the window will open on, before SDL starts. Nothing where the platform has
// no such desktop, SDL will not show the window on it, or the user has chosen the
// window's scale already.
std::optional<Desktop> desktop();
// Asks SDL, before it starts, to show the window `scale` times its size, each picture
// pixel a square of screen pixels.
void set_window_scale(int scale);
// Once SDL has started on `video_driver`: how frames are to be presented there, where the
// platform knows better than SDL's own choice.
void choose_presentation(std::string_view video_driver);

// Whether sleep_until_input ends as soon as input arrives. When it does not, the main loop
// looks at its input at intervals short enough to keep key presses on time.
bool wakes_for_input();
// Sleeps until `timeout_ms` have passed, or until input arrives where wakes_for_input().
void sleep_until_input(std::uint32_t timeout_ms);

// Shows a failure's `message` under `caption` where standard output is not seen, and
// waits until the user has read it; elsewhere does nothing.
void show_failure(const std::string& message, const char* caption);
