#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <bit>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

// Xlib reports protocol errors through a process-wide handler, which by default ends the
// process. Windows come and go under the suite's feet, so errors are only recorded here
// and checked after the call that may cause them.
int last_error_code = 0;

int record_error(Display* /*display*/, XErrorEvent* event) {
  last_error_code = event->error_code;
  return 0;
}

// While a window manager starts, the window that waits for it is looked at this often, and
// asks again to be shown every quarter of a second.
constexpr std::chrono::milliseconds kWindowManagerPollInterval{20};
constexpr int kLooksBetweenRequests = 12;

// Longest caption read from a window property, in 32-bit units.
constexpr long kCaptionLongs = 64;

struct XFreeDeleter {
  void operator()(void* data) const { XFree(data); }
};

struct XImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

// One colour channel of a pixel, scaled to 8 bits from the visual's mask.
std::uint8_t channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const unsigned long value = (pixel & mask) >> shift;
  return static_cast<std::uint8_t>(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
}

}  // namespace

XSession::XSession(const std::string& display)
    : display_name_{display}, display_{XOpenDisplay(display.c_str())} {
  if (display_ == nullptr) {
    throw std::runtime_error("cannot connect to X display " + display);
  }
  XSetErrorHandler(record_error);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display_, &event_base, &error_base, &major, &minor)) {
    XCloseDisplay(display_);
    throw std::runtime_error("the X server has no XTEST extension");
  }
  XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
  XSync(display_, False);
}

XSession::~XSession() {
  XCloseDisplay(display_);
}

bool XSession::succeeded() {
  XSync(display_, False);
  const bool ok = last_error_code == 0;
  last_error_code = 0;
  return ok;
}

unsigned long XSession::atom(const char* name) {
  return XInternAtom(display_, name, False);
}

std::optional<std::string> XSession::caption_of(WindowId window) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, window, atom("_NET_WM_NAME"), 0, kCaptionLongs, False,
                         atom("UTF8_STRING"), &type, &format, &count, &remaining,
                         &data) == Success &&
      data != nullptr) {
    const std::unique_ptr<unsigned char, XFreeDeleter> owned{data};
    return std::string{reinterpret_cast<const char*>(data), count};
  }
  char* name = nullptr;
  if (XFetchName(display_, window, &name) != 0 && name != nullptr) {
    const std::unique_ptr<char, XFreeDeleter> owned{name};
    return std::string{name};
  }
  return std::nullopt;
}

std::optional<WindowId> XSession::find_window_below(WindowId parent, std::string_view caption) {
  Window root = 0, grandparent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display_, parent, &root, &grandparent, &children, &count) == 0) {
    return std::nullopt;
  }
  const std::unique_ptr<Window, XFreeDeleter> owned{children};
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable) {
      continue;
    }
    if (caption_of(children[i]) == caption) {
      return children[i];
    }
    if (const auto found = find_window_below(children[i], caption)) {
      return found;
    }
  }
  return std::nullopt;
}

std::optional<WindowId> XSession::find_window(std::string_view caption) {
  const auto found = find_window_below(DefaultRootWindow(display_), caption);
  // A window destroyed while it was being looked at leaves an error behind.
  succeeded();
  return found;
}

std::optional<WindowGeometry> XSession::geometry(WindowId window) {
  XWindowAttributes attributes{};
  int x = 0, y = 0;
  Window child = 0;
  if (XGetWindowAttributes(display_, window, &attributes) == 0 ||
      XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child) ==
          0 ||
      !succeeded()) {
    return std::nullopt;
  }
  return WindowGeometry{x, y, attributes.width, attributes.height};
}

WindowGeometry XSession::screen() {
  const int number = DefaultScreen(display_);
  return {0, 0, DisplayWidth(display_, number), DisplayHeight(display_, number)};
}

std::optional<Image> XSession::capture_area(WindowId window, const WindowGeometry& area) {
  XImage* raw = XGetImage(display_, window, area.x, area.y, static_cast<unsigned int>(area.width),
                          static_cast<unsigned int>(area.height), AllPlanes, ZPixmap);
  if (raw == nullptr || !succeeded()) {
    return std::nullopt;
  }
  const std::unique_ptr<XImage, XImageDeleter> owned{raw};
  Image image{area.width, area.height};
  for (int y = 0; y < area.height; ++y) {
    for (int x = 0; x < area.width; ++x) {
      const unsigned long pixel = XGetPixel(raw, x, y);
      image.at(x, y) = {channel(pixel, raw->red_mask), channel(pixel, raw->green_mask),
                        channel(pixel, raw->blue_mask)};
    }
  }
  return image;
}

std::optional<Image> XSession::capture(WindowId window) {
  const auto size = geometry(window);
  if (!size) {
    return std::nullopt;
  }
  return capture_area(window, {.x = 0, .y = 0, .width = size->width, .height = size->height});
}

std::optional<Image> XSession::capture_screen() {
  const WindowGeometry whole = screen();
  return capture_area(DefaultRootWindow(display_), whole);
}

void XSession::focus(WindowId window) {
  if (const auto place = geometry(window)) {
    XTestFakeMotionEvent(display_, -1, place->x + 1, place->y + 1, CurrentTime);
  }
  XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
  XSync(display_, False);
  succeeded();
}

bool XSession::framed(WindowId window) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) {
    return false;
  }
  const std::unique_ptr<Window, XFreeDeleter> owned{children};
  return parent != root;
}

bool XSession::wait_for_window_manager(std::chrono::milliseconds timeout,
                                       const std::function<bool()>& keep_waiting) {
  const Window probe =
      XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool managed = false;
  for (int look = 0; !(managed = framed(probe)); ++look) {
    if (std::chrono::steady_clock::now() >= deadline || !keep_waiting()) {
      break;
    }
    if (look % kLooksBetweenRequests == 0) {
      XMapWindow(display_, probe);
      XSync(display_, False);
    }
    std::this_thread::sleep_for(kWindowManagerPollInterval);
  }
  XDestroyWindow(display_, probe);
  XSync(display_, False);
  succeeded();
  return managed;
}

void XSession::click(WindowId window) {
  const auto place = geometry(window);
  if (!place) {
    throw std::runtime_error("cannot click a window that is gone");
  }
  XTestFakeMotionEvent(display_, -1, place->x + place->width / 2, place->y + place->height / 2,
                       CurrentTime);
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  flush();
}

void XSession::queue_key_press(unsigned long keysym, std::chrono::milliseconds delay) {
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, code, True, static_cast<unsigned long>(delay.count()));
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
}

void XSession::press_key(unsigned long keysym) {
  queue_key_press(keysym);
  flush();
}

void XSession::flush() {
  XFlush(display_);
}

void XSession::request_close(WindowId window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = atom("WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(atom("WM_DELETE_WINDOW"));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &event);
  succeeded();
}

void XSession::set_resources(const std::string& database) {
  XChangeProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER, XA_STRING, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(database.data()),
                  static_cast<int>(database.size()));
  if (!succeeded()) {
    throw std::runtime_error("cannot set the X server's resources");
  }
}
