// A private Xvfb server with a window manager (openbox) on it, as on a desktop: the window
// manager frames windows and gives a window that asks for it the whole screen. The server
// picks a free display number itself, so any number of test processes can run side by
// side.
#pragma once

#include <memory>
#include <string>

#include "process.h"

class XServer {
 public:
  // Starts Xvfb with a 24-bit screen of `screen_size` ("WIDTHxHEIGHT") and the window
  // manager, and waits until both are ready. The default is a common desktop, where full
  // screen scales 640x480 by 2.25, a scale that is not whole. Throws std::runtime_error
  // when either does not come up.
  explicit XServer(const std::string& screen_size = "1920x1080");
  // Stops the window manager and the server; one that ignores SIGTERM is killed.
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // The value for DISPLAY, such as ":3".
  const std::string& display() const { return display_; }

 private:
  void start_window_manager();

  std::unique_ptr<ChildProcess> process_;
  std::string display_;
  // openbox's settings folders: empty, so that it runs with its system-wide defaults and
  // not with the settings of whoever runs the tests.
  ScratchDirectory window_manager_home_;
  std::unique_ptr<ChildProcess> window_manager_;
};
