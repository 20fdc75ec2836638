// The measuring side of `make bench`. Each command prints "name value" lines.
//   vyrtel_probe cpu PID SECONDS SERVER   CPU use of process PID, of the X server (process
//                                         SERVER) and of everything else over SECONDS
//   vyrtel_probe wm SECONDS               waits until a window manager runs
//   vyrtel_probe full-screen              presses Space in the window and waits until the
//                                         window covers the screen
//   vyrtel_probe blink SECONDS FONT       blink periods, read from the window's readout
//   vyrtel_probe keys COUNT GAP_MS LOG    key presses sent through XTEST, GAP_MS apart, and
//                                         followed to the screen through the shim's LOG
//   vyrtel_probe frames PID COUNT GAP_MS LOG SERVER
//                                         CPU per frame presented while COUNT presses,
//                                         GAP_MS apart, each bring one; frames from LOG
// The commands that press keys or read the picture find the program's window on $DISPLAY
// by its title, over one X connection each, through the X harness the tests use.
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "expected_texts.h"
#include "process.h"
#include "screen_model.h"
#include "polling.h"
#include "x_session.h"

namespace {

using namespace std::chrono_literals;

// How long the program may take to open its window, or to cover the screen after Space,
// before the probe gives up.
constexpr auto kWindowWait = 10s;
// The window's size and place are looked at this often while it goes full screen.
constexpr auto kPlacementPollInterval = 5ms;
// Readout pictures are taken this often: far more often than the 251 ms blink, so that
// no value is missed; the period itself comes from the values, not from this clock.
constexpr auto kReadoutPollInterval = 5ms;
// Time for the focus to settle before the first key, and for the last frame to be
// presented and logged after the last key.
constexpr auto kFocusSettle = 200ms;
constexpr auto kLastFrameWait = 300ms;
// After the last of a stream of presses, time for its frame (a few milliseconds at most)
// but for few idle passes of the loop: they would count towards the frames' CPU.
constexpr auto kLastFrameOfStreamWait = 30ms;
constexpr double kPercent = 100.0;
constexpr double kMillisecondsPerSecond = 1e3;
constexpr double kNanosecondsPerSecond = 1e9;
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

// CPU time in clock ticks: of the program, of the X server and of the whole machine.
struct CpuSample {
  std::uint64_t program_ticks;
  std::uint64_t server_ticks;
  std::uint64_t machine_ticks;
};

std::optional<std::uint64_t> ticks_of(const std::string& pid) {
  return process_cpu_ticks(first_line("/proc/" + pid + "/stat"));
}

// The CPU used over a span, in milliseconds: by the program, by the X server, which does
// part of the work of presenting, and by everything else.
struct CpuUse {
  double seconds;
  double program_ms;
  double server_ms;
  double other_ms;
};

double percent_of_core(double ms, double seconds) {
  return kPercent * ms / (seconds * kMillisecondsPerSecond);
}

// Samples the CPU times when made, and again when stopped.
class CpuMeter {
 public:
  CpuMeter(std::string program_pid, std::string server_pid)
      : program_pid_(std::move(program_pid)),
        server_pid_(std::move(server_pid)),
        start_time_(std::chrono::steady_clock::now()),
        start_(sample()) {}

  [[nodiscard]] std::optional<CpuUse> stop() const {
    const auto end = sample();
    const double seconds = seconds_since(start_time_);
    if (!start_ || !end) {
      std::cerr << "cannot read the CPU times of process " << program_pid_ << " or "
                << server_pid_ << "\n";
      return std::nullopt;
    }
    const double ms_per_tick = kMillisecondsPerSecond / static_cast<double>(sysconf(_SC_CLK_TCK));
    const auto ms = [ms_per_tick](std::uint64_t from, std::uint64_t to) {
      return static_cast<double>(to - from) * ms_per_tick;
    };
    const double program = ms(start_->program_ticks, end->program_ticks);
    const double server = ms(start_->server_ticks, end->server_ticks);
    return CpuUse{.seconds = seconds,
                  .program_ms = program,
                  .server_ms = server,
                  .other_ms = ms(start_->machine_ticks, end->machine_ticks) - program - server};
  }

 private:
  [[nodiscard]] std::optional<CpuSample> sample() const {
    const auto program = ticks_of(program_pid_);
    const auto server = ticks_of(server_pid_);
    const auto machine = machine_busy_ticks(first_line("/proc/stat"));
    if (!program || !server || !machine) {
      return std::nullopt;
    }
    return CpuSample{.program_ticks = *program, .server_ticks = *server, .machine_ticks = *machine};
  }

  std::string program_pid_;
  std::string server_pid_;
  std::chrono::steady_clock::time_point start_time_;
  std::optional<CpuSample> start_;
};

int measure_cpu(const char* pid, double seconds, const char* server_pid) {
  const CpuMeter meter(pid, server_pid);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const auto use = meter.stop();
  if (!use) {
    return 1;
  }
  print_figure("cpu-percent", percent_of_core(use->program_ms, use->seconds));
  print_figure("x-server-cpu-percent", percent_of_core(use->server_ms, use->seconds));
  print_figure("other-cpu-percent", percent_of_core(use->other_ms, use->seconds));
  return 0;
}

// The X side ---------------------------------------------------------------------------

std::optional<WindowId> wait_for_window(XSession& x) {
  std::optional<WindowId> window;
  if (!poll_until(kWindowWait, [&] {
        window = x.find_window(kCaption);
        return window.has_value();
      })) {
    std::cerr << "no window titled \"" << kCaption << "\"\n";
  }
  return window;
}

// Presses and releases Right and Left in turn, so that the cursor stays where it was;
// returns the time each press was sent.
std::vector<std::int64_t> press_keys(XSession& x, int count, std::chrono::milliseconds gap) {
  std::vector<std::int64_t> sent;
  for (int i = 0; i < count; ++i) {
    sent.push_back(monotonic_ns());
    x.press_key(i % 2 == 0 ? XK_Right : XK_Left);
    std::this_thread::sleep_for(gap);
  }
  return sent;
}

// wm -------------------------------------------------------------------------------------

int wait_for_window_manager(XSession& x, double seconds) {
  const auto timeout = std::chrono::milliseconds{std::lround(seconds * kMillisecondsPerSecond)};
  if (!x.wait_for_window_manager(timeout, [] { return true; })) {
    std::cerr << "no window manager took over the display within " << seconds << " s\n";
    return 1;
  }
  return 0;
}

// full-screen ----------------------------------------------------------------------------

bool covers_screen(XSession& x) {
  const auto window = x.find_window(kCaption);
  const auto place = window ? x.geometry(*window) : std::nullopt;
  return place && *place == x.screen();
}

int enter_full_screen(XSession& x) {
  const auto window = wait_for_window(x);
  if (!window) {
    return 1;
  }
  x.focus(*window);
  std::this_thread::sleep_for(kFocusSettle);
  const auto start = std::chrono::steady_clock::now();
  x.press_key(XK_space);
  while (std::chrono::steady_clock::now() - start < kWindowWait) {
    if (covers_screen(x)) {
      print_figure("full-screen-after-ms", seconds_since(start) * kMillisecondsPerSecond);
      return 0;
    }
    std::this_thread::sleep_for(kPlacementPollInterval);
  }
  std::cerr << "the window did not cover the screen after Space\n";
  return 1;
}

// blink ----------------------------------------------------------------------------------

// Where the program's 640x480 picture lies in its window: as it is in a window, and in
// full screen scaled up as far as it fits, keeping its shape, and centred.
struct PictureLayout {
  double left;
  double top;
  double scale;
};

PictureLayout picture_layout(XSession& x, WindowId window) {
  const auto place = x.geometry(window);
  if (!place) {
    return PictureLayout{.left = 0, .top = 0, .scale = 1};
  }
  const double scale = std::min(static_cast<double>(place->width) / kWindowWidth,
                                static_cast<double>(place->height) / kWindowHeight);
  return PictureLayout{.left = (place->width - kWindowWidth * scale) / 2,
                       .top = (place->height - kWindowHeight * scale) / 2,
                       .scale = scale};
}

// The window pixel that shows picture pixel `x` (or row `y`): the one under its middle.
int window_pixel(double offset, double scale, int picture_pixel) {
  return static_cast<int>(std::floor(offset + (picture_pixel + 0.5) * scale));
}

// The readout read through the picture model from a capture of its part of the window
// only: a whole window at every look would slow the looks down.
std::optional<std::uint32_t> read_readout(XSession& x, WindowId window,
                                          const PictureLayout& layout, const FontBytes& font) {
  const Area area = readout_area();
  const int left = window_pixel(layout.left, layout.scale, area.left);
  const int top = window_pixel(layout.top, layout.scale, area.top);
  const int right = window_pixel(layout.left, layout.scale, area.left + area.width - 1);
  const int bottom = window_pixel(layout.top, layout.scale, area.top + area.height - 1);
  const auto image = x.capture_area(
      window, {.x = left, .y = top, .width = right - left + 1, .height = bottom - top + 1});
  if (!image) {
    return std::nullopt;
  }
  return ::read_readout(
      [&](int picture_x, int picture_y) {
        return classify(image->at(window_pixel(layout.left, layout.scale, picture_x) - left,
                                  window_pixel(layout.top, layout.scale, picture_y) - top));
      },
      font);
}

// The distinct readout values seen over `seconds`, in the order they appeared.
std::vector<std::uint32_t> watch_readout(XSession& x, WindowId window, const FontBytes& font,
                                         double seconds) {
  const PictureLayout layout = picture_layout(x, window);
  std::vector<std::uint32_t> values;
  const auto start = std::chrono::steady_clock::now();
  while (seconds_since(start) < seconds) {
    const auto value = read_readout(x, window, layout, font);
    if (value && (values.empty() || values.back() != *value)) {
      values.push_back(*value);
    }
    std::this_thread::sleep_for(kReadoutPollInterval);
  }
  return values;
}

int measure_blink(XSession& x, double seconds, const char* font_path) {
  const std::string bytes = read_file(font_path);
  const FontBytes font{bytes.begin(), bytes.end()};
  const auto window = wait_for_window(x);
  if (font.size() != kFontFileSize || !window) {
    return 1;
  }
  const auto periods = successive_periods(watch_readout(x, *window, font, seconds));
  if (periods.empty()) {
    std::cerr << "the readout did not change\n";
    return 1;
  }
  print_count("blink-periods", periods.size());
  print_figure("blink-period-median-ms", median(periods));
  print_figure("blink-period-max-ms", *std::max_element(periods.begin(), periods.end()));
  return 0;
}

// keys -----------------------------------------------------------------------------------

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

int measure_keys(XSession& x, int count, std::chrono::milliseconds gap, const char* log_path) {
  const auto window = wait_for_window(x);
  if (!window) {
    return 1;
  }
  x.focus(*window);
  std::this_thread::sleep_for(kFocusSettle);
  const auto sent = press_keys(x, count, gap);
  std::this_thread::sleep_for(kLastFrameWait);
  const ShimLog log = parse_shim_log(whole_file(log_path));
  const auto latencies = key_latencies(sent, log);
  print_count("keys-sent", sent.size());
  print_count("keys-shown", latencies.size());
  if (log.first_frame_ms) {
    print_figure("first-frame-ms", *log.first_frame_ms);
  }
  if (latencies.empty()) {
    std::cerr << "no key press reached the screen\n";
    return 1;
  }
  print_latencies(latencies);
  return 0;
}

// frames ---------------------------------------------------------------------------------

// A stream of presses, each of which changes the picture, so that the program presents
// a frame for each: the CPU it uses meanwhile, divided by the frames it presented (every
// SDL_Flip the shim logged in the span), is what a frame costs. The few passes of the
// loop between frames count too, a small part beside the frames.
struct FrameStream {
  std::string pid;
  int count;
  std::chrono::milliseconds gap;
  std::string log_path;
  std::string server_pid;
};

int measure_frames(XSession& x, const FrameStream& stream) {
  const auto window = wait_for_window(x);
  if (!window) {
    return 1;
  }
  x.focus(*window);
  std::this_thread::sleep_for(kFocusSettle);
  const CpuMeter meter(stream.pid, stream.server_pid);
  const std::int64_t from = monotonic_ns();
  press_keys(x, stream.count, stream.gap);
  std::this_thread::sleep_for(kLastFrameOfStreamWait);
  const std::int64_t to = monotonic_ns();
  const auto use = meter.stop();
  const auto flips = parse_shim_log(whole_file(stream.log_path)).flips;
  const auto frames = static_cast<std::size_t>(std::count_if(
      flips.begin(), flips.end(), [from, to](auto at) { return at >= from && at <= to; }));
  if (!use || frames == 0) {
    std::cerr << "no frame was presented while the keys were pressed\n";
    return 1;
  }
  const auto count = static_cast<double>(frames);
  print_count("frames-presented", frames);
  print_figure("frames-per-second",
               count / (static_cast<double>(to - from) / kNanosecondsPerSecond));
  print_figure("frame-cpu-ms", use->program_ms / count);
  print_figure("frame-x-server-cpu-ms", use->server_ms / count);
  print_figure("frames-other-cpu-percent", percent_of_core(use->other_ms, use->seconds));
  return 0;
}

// The command line -----------------------------------------------------------------------

int usage(const char* program) {
  std::cerr << "usage: " << program
            << " cpu PID SECONDS SERVER | wm SECONDS | full-screen | blink SECONDS FONT"
               " | keys COUNT GAP_MS LOG | frames PID COUNT GAP_MS LOG SERVER\n";
  return 2;
}

std::chrono::milliseconds milliseconds(const char* text) {
  return std::chrono::milliseconds(std::strtol(text, nullptr, kDecimalBase));
}

// The command line's numbers; a word that is not one reads as 0, which no command takes.
double number(const char* text) {
  return std::strtod(text, nullptr);
}

int whole_number(const char* text) {
  return static_cast<int>(std::strtol(text, nullptr, kDecimalBase));
}

int run_x_command(XSession& x, const std::string& command, char** args) {
  if (command == "wm") {
    return wait_for_window_manager(x, number(args[0]));
  }
  if (command == "blink") {
    return measure_blink(x, number(args[0]), args[1]);
  }
  if (command == "full-screen") {
    return enter_full_screen(x);
  }
  if (command == "keys") {
    return measure_keys(x, whole_number(args[0]), milliseconds(args[1]), args[2]);
  }
  return measure_frames(x, FrameStream{.pid = args[0],
                                                   .count = whole_number(args[1]),
                                                   .gap = milliseconds(args[2]),
                                                   .log_path = args[3],
                                                   .server_pid = args[4]});
}

// Whether `command` is one of the X commands and takes `args` arguments.
bool x_command_with(const std::string& command, int args) {
  return (command == "wm" && args == 1) || (command == "full-screen" && args == 0) ||
         (command == "blink" && args == 2) || (command == "keys" && args == 3) ||
         (command == "frames" && args == 5);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const int args = argc - 2;
  if (command == "cpu" && args == 3) {
    return measure_cpu(argv[2], number(argv[3]), argv[4]);
  }
  if (x_command_with(command, args)) {
    const char* display = std::getenv("DISPLAY");
    try {
      XSession x{display != nullptr ? display : ""};
      return run_x_command(x, command, argv + 2);
    } catch (const std::exception& error) {
      std::cerr << error.what() << "\n";
      return 1;
    }
  }
  return usage(argv[0]);
}
