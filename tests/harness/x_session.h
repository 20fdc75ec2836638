// One connection to the X server, for the test suite and the bench's probe: it waits for
// the window manager, finds the program's window, takes screenshots, types keys through
// XTEST and asks the window to close. Connections are not opened per poll because Xvfb
// refuses a few percent of clients that come and go in quick succession.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "image.h"

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): Xlib's name
struct _XDisplay;

// An X window id (Xlib's Window), kept free of Xlib's header and its macros.
using WindowId = unsigned long;

struct WindowGeometry {
  int x;
  int y;
  int width;
  int height;
  bool operator==(const WindowGeometry&) const = default;
};

class XSession {
 public:
  // Connects to `display`; throws std::runtime_error when it cannot, or when the server
  // lacks XTEST.
  explicit XSession(const std::string& display);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // The value of DISPLAY for programs that are to show their windows here.
  const std::string& display_name() const { return display_name_; }

  // Waits until a window manager frames windows, at most `timeout`, or until
  // `keep_waiting` says no; returns whether one does. A window manager announces itself
  // before it handles windows, and openbox may drop a window that asks to be shown while
  // it starts, which would leave a program waiting for its window for ever; so it counts
  // once it has framed a window of this session's own, which asks again until it is.
  bool wait_for_window_manager(std::chrono::milliseconds timeout,
                               const std::function<bool()>& keep_waiting);

  // The viewable window with this caption (WM_NAME or _NET_WM_NAME), at any depth: the
  // window manager puts each program's window inside a frame of its own.
  std::optional<WindowId> find_window(std::string_view caption);
  // The window's place on the screen (not within its frame).
  std::optional<WindowGeometry> geometry(WindowId window);
  // The whole screen, where a full-screen window goes.
  WindowGeometry screen();
  // The window's whole content; nullopt when the window is gone or not viewable.
  std::optional<Image> capture(WindowId window);
  // The part of the window at `area` (x and y within the window).
  std::optional<Image> capture_area(WindowId window, const WindowGeometry& area);
  // What the whole screen shows.
  std::optional<Image> capture_screen();

  // Gives the window the keyboard focus and puts the pointer in it, as clicking it would.
  void focus(WindowId window);
  // A click of the first mouse button in the middle of the window, through XTEST: the
  // window manager gives it the focus, and the program in it the click.
  void click(WindowId window);
  // A press and release of `keysym`, sent to the focused window at once.
  void press_key(unsigned long keysym);
  // The same, only queued: many presses leave in one go at flush(). The server holds
  // the press back by `delay` first. SDL takes a press of the key just released, less
  // than 2 ms apart, for autorepeat and drops it, as a 1.2 program does not ask for
  // repeats; presses of one key in a row need a delay to count, as a typist's would.
  void queue_key_press(unsigned long keysym,
                       std::chrono::milliseconds delay = std::chrono::milliseconds{0});
  void flush();

  // Sends WM_DELETE_WINDOW, as a window manager does for the close button.
  void request_close(WindowId window);

  // Replaces the server's resource database, as xrdb -load does: what programs that
  // connect from now on read with XResourceManagerString ("Xft.dpi: 192", say).
  void set_resources(const std::string& database);

 private:
  bool succeeded();
  unsigned long atom(const char* name);
  std::optional<std::string> caption_of(WindowId window);
  std::optional<WindowId> find_window_below(WindowId parent, std::string_view caption);
  bool framed(WindowId window);

  std::string display_name_;
  _XDisplay* display_;
};
