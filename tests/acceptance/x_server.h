// A private Xvfb server. It picks a free display number itself, so any number of test
// processes can run side by side.
#pragma once

#include <memory>
#include <string>

#include "process.h"

class XServer {
 public:
  // Starts Xvfb and waits until it accepts connections. Throws std::runtime_error when it
  // does not come up.
  XServer();
  // Stops the server; one that ignores SIGTERM is killed.
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // The value for DISPLAY, such as ":3".
  const std::string& display() const { return display_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
};
