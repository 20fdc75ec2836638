#include "x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

namespace {

// A screen larger than the 640x480 window, so that full screen differs from it; 24-bit,
// as the desktops the program meets.
constexpr const char* kScreenGeometry = "1280x1024x24";
// Xvfb reports its display number within a second on an idle machine; a loaded one may
// take many times that.
constexpr int kStartTimeoutMs = 30'000;
constexpr std::chrono::milliseconds kStopTimeout{5'000};

// Reads the display number Xvfb writes to the -displayfd pipe once it is ready.
std::string read_display_number(int fd) {
  std::string number;
  pollfd ready{.fd = fd, .events = POLLIN, .revents = 0};
  while (::poll(&ready, 1, kStartTimeoutMs) > 0) {
    char byte = 0;
    if (::read(fd, &byte, 1) != 1 || byte == '\n') {
      break;
    }
    number += byte;
  }
  return number;
}

}  // namespace

XServer::XServer() {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot create a pipe for Xvfb");
  }
  const int write_end = pipe_fds[1];
  try {
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(write_end), "-screen", "0",
                                 kScreenGeometry, "-nolisten", "tcp"},
        "/", EnvChanges{},
        ChildStreams{.stdout_file = {}, .stderr_file = {}, .inherited_fd = write_end});
  } catch (...) {
    ::close(pipe_fds[0]);
    ::close(write_end);
    throw;
  }
  ::close(write_end);
  const std::string number = read_display_number(pipe_fds[0]);
  ::close(pipe_fds[0]);
  if (number.empty()) {
    throw std::runtime_error("Xvfb did not report a display number");
  }
  display_ = ":" + number;
}

XServer::~XServer() {
  process_->send_signal(SIGTERM);
  // A server still running after this is killed by the process object.
  process_->wait_for_exit(kStopTimeout);
}
