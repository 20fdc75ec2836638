// Preloaded into the program by `make bench` (LD_PRELOAD), so that the program is measured
// as it is. It logs, to the file named by VYRTEL_SHIM_LOG, the CLOCK_MONOTONIC time at
// which SDL hands the program each key press ("key NS"), at which each frame has been
// presented ("flip NS") and at which the first frame after one or more key presses has
// been presented ("frame NS", after that frame's "flip"), and how long the first frame
// took from launch ("first-frame-ms MS"), the launch being the CLOCK_REALTIME microsecond
// the launcher put in VYRTEL_BENCH_LAUNCH_US.
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::int64_t kNanosecondsPerMicrosecond = 1'000;
constexpr double kMicrosecondsPerMillisecond = 1e3;
constexpr int kDecimalBase = 10;

int log_file = -1;
// Room for the longest line the shim logs: a name and a 64-bit count.
constexpr std::size_t kLineSize = 64;
bool key_awaiting_frame = false;
bool first_frame_presented = false;

std::int64_t now_ns(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return now.tv_sec * kNanosecondsPerSecond + now.tv_nsec;
}

// One whole line per write, so that the log can be read while the program runs.
void log_line(const char* line, int length) {
  if (log_file >= 0 && length > 0) {
    [[maybe_unused]] const auto written = write(log_file, line, static_cast<std::size_t>(length));
  }
}

void log_time(const char* name, std::int64_t ns) {
  std::array<char, kLineSize> line{};
  log_line(line.data(), std::snprintf(line.data(), line.size(), "%s %lld\n", name,
                                      static_cast<long long>(ns)));
}

void log_first_frame() {
  const char* launch = std::getenv("VYRTEL_BENCH_LAUNCH_US");
  if (launch == nullptr) {
    return;
  }
  const auto launch_us = std::strtoll(launch, nullptr, kDecimalBase);
  const auto now_us = now_ns(CLOCK_REALTIME) / kNanosecondsPerMicrosecond;
  std::array<char, kLineSize> line{};
  const double ms = static_cast<double>(now_us - launch_us) / kMicrosecondsPerMillisecond;
  log_line(line.data(), std::snprintf(line.data(), line.size(), "first-frame-ms %.1f\n", ms));
}

__attribute__((constructor)) void open_log() {
  const char* path = std::getenv("VYRTEL_SHIM_LOG");
  if (path != nullptr) {
    log_file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  }
}

template <typename Function>
Function next_definition(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int SDL_PollEvent(SDL_Event* event) {
  static const auto real = next_definition<int (*)(SDL_Event*)>("SDL_PollEvent");
  const int pending = real(event);
  if (pending != 0 && event != nullptr && event->type == SDL_KEYDOWN) {
    log_time("key", now_ns(CLOCK_MONOTONIC));
    key_awaiting_frame = true;
  }
  return pending;
}

extern "C" int SDL_Flip(SDL_Surface* screen) {
  static const auto real = next_definition<int (*)(SDL_Surface*)>("SDL_Flip");
  const int result = real(screen);
  const std::int64_t presented = now_ns(CLOCK_MONOTONIC);
  log_time("flip", presented);
  if (key_awaiting_frame) {
    log_time("frame", presented);
    key_awaiting_frame = false;
  }
  if (!first_frame_presented) {
    log_first_frame();
    first_frame_presented = true;
  }
  return result;
}
