// The measuring side of `make bench`. Each command prints "name value" lines.
//   vyrtel_probe cpu PID SECONDS         CPU use of process PID, and of everything else,
//                                        over the next SECONDS
//   vyrtel_probe blink SECONDS FONT      blink periods, read from the window's readout
//   vyrtel_probe keys COUNT GAP_MS LOG   key presses sent through XTEST, GAP_MS apart, and
//                                        followed to the screen through the shim's LOG
// blink and keys find the program's window on $DISPLAY by its title, over one X
// connection each.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "bench/readout.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kWindowTitle = "Vyrtel V0.1";
// How long the program may take to open its window before the probe gives up.
constexpr auto kWindowWait = 10s;
constexpr auto kWindowPollInterval = 20ms;
// Readout pictures are taken this often: far more often than the 251 ms blink, so that
// no value is missed; the period itself comes from the values, not from this clock.
constexpr auto kReadoutPollInterval = 5ms;
// Time for the focus to settle before the first key, and for the last frame to be
// presented and logged after the last key.
constexpr auto kFocusSettle = 200ms;
constexpr auto kLastFrameWait = 300ms;
constexpr double kPercent = 100.0;
constexpr int kDecimalBase = 10;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::int64_t monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string first_line(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

std::string whole_file(const std::string& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void print_figure(const char* name, double value) {
  std::printf("%s %.2f\n", name, value);
}
void print_count(const char* name, std::size_t count) {
  std::printf("%s %zu\n", name, count);
}

// cpu ------------------------------------------------------------------------------------

struct CpuSample {
  std::uint64_t process_ticks;
  std::uint64_t machine_ticks;
};

std::optional<CpuSample> sample_cpu(const std::string& stat_path) {
  const auto process = process_cpu_ticks(first_line(stat_path));
  const auto machine = machine_busy_ticks(first_line("/proc/stat"));
  if (!process || !machine) {
    return std::nullopt;
  }
  return CpuSample{.process_ticks = *process, .machine_ticks = *machine};
}

int measure_cpu(const char* pid, double seconds) {
  const std::string stat_path = std::string("/proc/") + pid + "/stat";
  const auto start_time = std::chrono::steady_clock::now();
  const auto start = sample_cpu(stat_path);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const auto end = sample_cpu(stat_path);
  const double elapsed = seconds_since(start_time);
  if (!start || !end) {
    std::fprintf(stderr, "cannot read the CPU times of process %s\n", pid);
    return 1;
  }
  const auto ticks_per_second = static_cast<double>(sysconf(_SC_CLK_TCK));
  const auto process = static_cast<double>(end->process_ticks - start->process_ticks);
  const auto machine = static_cast<double>(end->machine_ticks - start->machine_ticks);
  print_figure("cpu-percent", kPercent * process / ticks_per_second / elapsed);
  print_figure("other-cpu-percent", kPercent * (machine - process) / ticks_per_second / elapsed);
  return 0;
}

// The X connection and the window ----------------------------------------------------

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

bool has_title(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) {
    return false;
  }
  const bool match = std::strcmp(name, kWindowTitle) == 0;
  XFree(name);
  return match;
}

std::optional<Window> find_titled(Display* display, Window parent) {
  if (has_title(display, parent)) {
    return parent;
  }
  Window root = 0;
  Window grandparent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, parent, &root, &grandparent, &children, &count) == 0) {
    return std::nullopt;
  }
  std::optional<Window> found;
  for (unsigned i = 0; i < count && !found; ++i) {
    found = find_titled(display, children[i]);
  }
  XFree(children);
  return found;
}

std::optional<Window> wait_for_window(Display* display) {
  const auto deadline = std::chrono::steady_clock::now() + kWindowWait;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const auto window = find_titled(display, DefaultRootWindow(display))) {
      return window;
    }
    std::this_thread::sleep_for(kWindowPollInterval);
  }
  std::fprintf(stderr, "no window titled \"%s\"\n", kWindowTitle);
  return std::nullopt;
}

// blink ----------------------------------------------------------------------------------

// A colour channel counts as lit in its upper half: white ink has all three lit, the grey
// (100 of 255) and black backgrounds none.
bool channel_lit(unsigned long pixel, unsigned long mask) {
  return (pixel & mask) > mask / 2;
}

std::optional<std::uint32_t> read_readout(Display* display, Window window, const FontImage& font) {
  const ReadoutArea area = readout_area();
  XImage* image = XGetImage(display, window, area.x, area.y, static_cast<unsigned>(area.width),
                            static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    return std::nullopt;
  }
  const auto value = decode_readout(font, [image](int x, int y) {
    const unsigned long pixel = XGetPixel(image, x, y);
    return channel_lit(pixel, image->red_mask) && channel_lit(pixel, image->green_mask) &&
           channel_lit(pixel, image->blue_mask);
  });
  XDestroyImage(image);
  return value;
}

// The distinct readout values seen over `seconds`, in the order they appeared.
std::vector<std::uint32_t> watch_readout(Display* display, Window window, const FontImage& font,
                                         double seconds) {
  std::vector<std::uint32_t> values;
  const auto start = std::chrono::steady_clock::now();
  while (seconds_since(start) < seconds) {
    const auto value = read_readout(display, window, font);
    if (value && (values.empty() || values.back() != *value)) {
      values.push_back(*value);
    }
    std::this_thread::sleep_for(kReadoutPollInterval);
  }
  return values;
}

int measure_blink(Display* display, double seconds, const char* font_path) {
  FontImage font{};
  const auto window = wait_for_window(display);
  if (!load_font(font, font_path) || !window) {
    return 1;
  }
  const auto periods = successive_periods(watch_readout(display, *window, font, seconds));
  if (periods.empty()) {
    std::fprintf(stderr, "the readout did not change\n");
    return 1;
  }
  print_count("blink-periods", periods.size());
  print_figure("blink-period-median-ms", median(periods));
  print_figure("blink-period-max-ms", *std::max_element(periods.begin(), periods.end()));
  return 0;
}

// keys -----------------------------------------------------------------------------------

// Gives the window the keyboard focus and puts the pointer inside it, as a user would.
void focus(Display* display, Window window) {
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 1, 1, &x, &y, &child);
  XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XSync(display, False);
}

// Presses and releases Right and Left in turn, so that the cursor stays where it was;
// returns the time each press was sent.
std::vector<std::int64_t> press_keys(Display* display, int count, std::chrono::milliseconds gap) {
  const KeyCode keys[] = {XKeysymToKeycode(display, XK_Right), XKeysymToKeycode(display, XK_Left)};
  std::vector<std::int64_t> sent;
  for (int i = 0; i < count; ++i) {
    const KeyCode key = keys[i % 2];
    sent.push_back(monotonic_ns());
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(gap);
  }
  return sent;
}

void print_latencies(const std::vector<KeyLatency>& latencies) {
  std::vector<double> delivered;
  std::vector<double> shown;
  for (const auto& latency : latencies) {
    delivered.push_back(latency.delivered_ms);
    shown.push_back(latency.shown_ms);
  }
  const auto slowest = std::max_element(
      latencies.begin(), latencies.end(),
      [](const KeyLatency& a, const KeyLatency& b) { return a.shown_ms < b.shown_ms; });
  print_figure("key-delivered-median-ms", median(delivered));
  print_figure("key-to-frame-median-ms", median(shown));
  print_figure("key-to-frame-max-ms", slowest->shown_ms);
  // Where the slowest press lost its time: waiting to be handed over, or being shown.
  print_figure("slowest-key-delivered-ms", slowest->delivered_ms);
}

int measure_keys(Display* display, int count, std::chrono::milliseconds gap, const char* log_path) {
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (XTestQueryExtension(display, &event_base, &error_base, &major, &minor) == 0) {
    std::fprintf(stderr, "the X server has no XTEST\n");
    return 1;
  }
  const auto window = wait_for_window(display);
  if (!window) {
    return 1;
  }
  focus(display, *window);
  std::this_thread::sleep_for(kFocusSettle);
  const auto sent = press_keys(display, count, gap);
  std::this_thread::sleep_for(kLastFrameWait);
  const ShimLog log = parse_shim_log(whole_file(log_path));
  const auto latencies = key_latencies(sent, log);
  print_count("keys-sent", sent.size());
  print_count("keys-shown", latencies.size());
  if (log.first_frame_ms) {
    print_figure("first-frame-ms", *log.first_frame_ms);
  }
  if (latencies.empty()) {
    std::fprintf(stderr, "no key press reached the screen\n");
    return 1;
  }
  print_latencies(latencies);
  return 0;
}

int usage(const char* program) {
  std::fprintf(stderr, "usage: %s cpu PID SECONDS | blink SECONDS FONT | keys COUNT GAP_MS LOG\n",
               program);
  return 2;
}

int run_x_command(const std::string& command, char** args) {
  const DisplayPtr display(XOpenDisplay(nullptr));
  if (!display) {
    std::fprintf(stderr, "cannot open display \"%s\"\n", XDisplayName(nullptr));
    return 1;
  }
  if (command == "blink") {
    return measure_blink(display.get(), std::atof(args[0]), args[1]);
  }
  return measure_keys(display.get(), std::atoi(args[0]),
                      std::chrono::milliseconds(std::strtol(args[1], nullptr, kDecimalBase)),
                      args[2]);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const int args = argc - 2;
  if (command == "cpu" && args == 2) {
    return measure_cpu(argv[2], std::atof(argv[3]));
  }
  if ((command == "blink" && args == 2) || (command == "keys" && args == 3)) {
    return run_x_command(command, argv + 2);
  }
  return usage(argv[0]);
}
