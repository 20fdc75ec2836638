#include "x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "x_session.h"

namespace {

// Xvfb reports its display number within a second on an idle machine; a loaded one may
// take many times that.
constexpr int kStartTimeoutMs = 30'000;
constexpr std::chrono::milliseconds kStopTimeout{5'000};
// openbox is ready within a fraction of a second on an idle machine.
constexpr std::chrono::milliseconds kWindowManagerTimeout{30'000};

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

// What a failure to start says: the tests that need an X server are labelled
// "acceptance".
constexpr const char* kWhatTheyNeed =
    " (the tests that need an X server need Debian's xvfb and openbox packages; "
    "ctest -LE acceptance leaves them out)";

}  // namespace

XServer::XServer(const std::string& screen_size) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot create a pipe for Xvfb");
  }
  const int write_end = pipe_fds[1];
  try {
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(write_end), "-screen", "0",
                                 screen_size + "x24", "-nolisten", "tcp"},
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
    throw std::runtime_error(std::string{"Xvfb did not report a display number"} + kWhatTheyNeed);
  }
  display_ = ":" + number;
  start_window_manager();
}

void XServer::start_window_manager() {
  const std::string home = window_manager_home_.path().string();
  window_manager_ =
      std::make_unique<ChildProcess>(std::vector<std::string>{"openbox", "--sm-disable"}, "/",
                                     EnvChanges{{"DISPLAY", display_},
                                                {"XDG_CONFIG_HOME", home + "/config"},
                                                {"XDG_CACHE_HOME", home + "/cache"},
                                                {"XDG_DATA_HOME", home + "/data"}},
                                     ChildStreams{});
  XSession session{display_};
  if (!session.wait_for_window_manager(kWindowManagerTimeout,
                                       [this] { return !window_manager_->has_exited(); })) {
    throw std::runtime_error("openbox did not start managing windows on " + display_ +
                             kWhatTheyNeed);
  }
}

XServer::~XServer() {
  window_manager_.reset();
  process_->send_signal(SIGTERM);
  // A server still running after this is killed by the process object.
  process_->wait_for_exit(kStopTimeout);
}
