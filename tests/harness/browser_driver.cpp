#include "browser_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

// Node starts in well under a second, a browser in a few; a command takes well under one.
// A loaded machine running two suites side by side takes many times that.
constexpr std::chrono::milliseconds kStartTimeout = 60s;
constexpr std::chrono::milliseconds kCommandTimeout = 30s;

struct Pipe {
  int read_end;
  int write_end;
};

Pipe make_pipe() {
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot make a pipe");
  }
  return {ends[0], ends[1]};
}

}  // namespace

BrowserDriver::BrowserDriver(const std::string& browser, const std::filesystem::path& site,
                             const std::string& display)
    : browser_{browser} {
  const Pipe commands = make_pipe();
  const Pipe answers = make_pipe();
  to_driver_ = commands.write_end;
  from_driver_ = answers.read_end;
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"node", VYRTEL_BROWSER_DRIVER, browser, site.string()},
      scratch_.path(), EnvChanges{{"DISPLAY", display}},
      ChildStreams{.stdout_file = {},
                   .stderr_file = scratch_.path() / "driver-errors.txt",
                   .inherited_fd = -1,
                   .input_fd = commands.read_end,
                   .output_fd = answers.write_end});
  ::close(commands.read_end);
  ::close(answers.write_end);
  const std::string greeting = read_line("start", kStartTimeout);
  if (greeting != "ready") {
    throw std::runtime_error(browser + " did not start: " + greeting + " " +
                             read_file(scratch_.path() / "driver-errors.txt"));
  }
}

BrowserDriver::~BrowserDriver() {
  // End of input closes the browser; the driver is killed if it does not end by itself.
  ::close(to_driver_);
  process_->wait_for_exit(10s);
  process_.reset();
  ::close(from_driver_);
}

void BrowserDriver::new_page(bool phone, const std::string& language) {
  command(std::string{"page "} + (phone ? "phone " : "desktop ") + language, kStartTimeout);
}

std::string BrowserDriver::command(const std::string& line) {
  return command(line, kCommandTimeout);
}

std::string BrowserDriver::command(const std::string& line, std::chrono::milliseconds timeout) {
  const std::string text = line + "\n";
  if (::write(to_driver_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("the browser driver has gone");
  }
  std::string answer = read_line(line, timeout);
  if (answer.starts_with("error:")) {
    throw std::runtime_error(line + ": " + answer);
  }
  return answer;
}

std::optional<Image> BrowserDriver::canvas() {
  const std::filesystem::path file = scratch_.path() / "canvas.rgb";
  int width = 0;
  int height = 0;
  if (std::sscanf(command("canvas " + file.string()).c_str(), "%d %d", &width, &height) != 2) {
    return std::nullopt;
  }
  const std::string rgb = read_file(file);
  Image image{width, height};
  if (rgb.size() != image.pixels.size() * 3) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = {static_cast<std::uint8_t>(rgb[i * 3]),
                       static_cast<std::uint8_t>(rgb[i * 3 + 1]),
                       static_cast<std::uint8_t>(rgb[i * 3 + 2])};
  }
  return image;
}

std::string BrowserDriver::window_title(const std::string& page_title) const {
  if (browser_ == "firefox") {
    return page_title + " \u2014 Mozilla Firefox";
  }
  return browser_ == "webkit" ? "[Automation] " + page_title : page_title + " - Chromium";
}

std::string BrowserDriver::read_line(const std::string& awaited,
                                     std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{.fd = from_driver_, .events = POLLIN, .revents = 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
      throw std::runtime_error(awaited + ": " + browser_ + "'s driver gave no answer within " +
                               std::to_string(timeout.count()) + " ms");
    }
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(from_driver_, buffer.data(), buffer.size());
    if (got <= 0) {
      throw std::runtime_error("the browser driver has gone: " +
                               read_file(scratch_.path() / "driver-errors.txt"));
    }
    pending_.append(buffer.data(), static_cast<std::size_t>(got));
  }
}
