// The X11 desktop: its display scale, frames presented through X11 shared memory, and a
// main loop that waits on the X connection, so that a key press wakes it at once. With
// another video driver, or without the connection, the loop sleeps plainly (compat/).
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/platform.h"
#include "app/video_driver.h"
#include "compat/presentation.h"
#include "compat/system.h"

namespace {

constexpr std::string_view kX11Driver = "x11";
// How X11 desktops state their scale: GTK's whole-number scale, and the resolution that
// GNOME and KDE put in the X resource database, 96 at 100 %.
constexpr const char* kGdkScaleVariable = "GDK_SCALE";
constexpr std::string_view kDpiResource = "Xft.dpi:";

// A whole number of at least 1, or none.
std::optional<int> whole_number(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos ||
      text.size() > 4) {
    return std::nullopt;
  }
  const int value = std::stoi(std::string{text});
  return value > 0 ? std::optional<int>{value} : std::nullopt;
}

// The value of Xft.dpi in the resource database's text, if it holds one.
std::optional<double> resource_dpi(const char* database) {
  if (database == nullptr) {
    return std::nullopt;
  }
  const std::string_view text{database};
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (line.starts_with(kDpiResource)) {
      line.remove_prefix(kDpiResource.size());
      try {
        const double dpi = std::stod(std::string{line});
        return dpi > 0 ? std::optional<double>{dpi} : std::nullopt;
      } catch (const std::exception&) {
        return std::nullopt;
      }
    }
    start = end + 1;
  }
  return std::nullopt;
}

// The desktop's scale in dots per inch, read as SDL3 reads it: GDK_SCALE when it is a
// whole number, else Xft.dpi, else 100 %.
int desktop_dpi(Display* display) {
  if (const char* gdk_scale = std::getenv(kGdkScaleVariable)) {
    if (const auto scale = whole_number(gdk_scale)) {
      return *scale * kUnscaledDpi;
    }
  }
  const auto dpi = resource_dpi(XResourceManagerString(display));
  return dpi ? static_cast<int>(std::lround(*dpi)) : kUnscaledDpi;
}

// Whether SDL will look for an X display: the user has named no driver, or x11 among
// those named.
bool x11_driver_possible() {
  return !drivers_named() || driver_named(kX11Driver);
}

// The connection SDL shows the window through, once it has a window on X11.
Display* sdl_connection() {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) {
    return nullptr;
  }
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): SDL's interface is a union
  return info.info.x11.display;
}

}  // namespace

// The scale is read on a connection of the program's own, before SDL opens its display.
// X11 tells nothing of a window's frame, nor of the room that panels leave, before a window
// exists: the picture alone is fitted to the whole screen.
std::optional<Desktop> system_desktop() {
  if (!x11_driver_possible()) {
    return std::nullopt;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    return std::nullopt;
  }
  const int screen = DefaultScreen(display);
  const Desktop facts{
      .dpi = desktop_dpi(display),
      .frame = {.width = 0, .height = 0},
      .work_area = {.width = DisplayWidth(display, screen), .height = DisplayHeight(display, screen)}};
  XCloseDisplay(display);
  return facts;
}

// Only X11 gets the window's own framebuffer: drivers that have none of their own
// (wayland) could not open the display with acceleration turned off.
void choose_presentation(std::string_view video_driver) {
  if (video_driver == kX11Driver) {
    present_through_window_framebuffer();
  }
}

bool wakes_for_input() {
  return sdl_connection() != nullptr;
}

// Besides SDL's own queue (compat/platform.cpp), what SDL read from the connection may be
// kept in Xlib's: input too, which a wait on the connection would not see.
void wait_for_system_input(std::uint32_t timeout_ms) {
  Display* display = sdl_connection();
  if (XEventsQueued(display, QueuedAfterFlush) > 0) {
    return;
  }
  pollfd connection{.fd = ConnectionNumber(display), .events = POLLIN, .revents = 0};
  // Whatever ends the wait (input, the timeout, a signal, an error) leads to the same next
  // pass, which drains the input and sleeps again for what is left.
  static_cast<void>(poll(&connection, 1, static_cast<int>(timeout_ms)));
}

void show_failure(const std::string& /*message*/, const char* /*caption*/) {}
