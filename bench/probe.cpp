// `make bench`: the program measured on each of its runners, the same way for all, on a
// private 1920x1080 Xvfb under a window manager, as the end-to-end tests run it:
//   linux-compat   the Linux program on the compatibility layer it is built with, in a
//                  window and (linux-full-screen) in full screen
//   linux-classic  the same program on the classic SDL 1.2 library
//   wine           the Windows zip under Wine
//   qemu-arm64     the arm64 Debian package's program under qemu
//   chromium, firefox  the browser page, headed
// For each: idle CPU of its processes (the program with all it started, Wine's server
// included), its wake-ups, key press to drawn, memory and launch to first frame. Then the
// frame's cost in memory, the page's idle beside a plain canvas's, and the goals. Prints
// "runner figure value" lines as it goes, then the table.
// Usage: vyrtel_probe CLASSIC_SDL_DIR WINDOWS_ZIP ARM64_DEB SITE_DIR
#include <X11/keysym.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "bench/figures.h"
#include "browser_driver.h"
#include "drawing_watch.h"
#include "expected_texts.h"
#include "polling.h"
#include "program_run.h"
#include "screen_model.h"
#include "x_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kScreenSize = "1920x1080";
constexpr int kKeyPresses = 50;
// A start under qemu or Wine, or a browser's, takes seconds; a loaded machine many times
// that.
constexpr auto kStartTimeout = 60s;
// The window must be found soon after it appears, before the program draws into it.
constexpr auto kWindowLookInterval = 1ms;
// Each figure of idle is taken once the start-up's own work is done: the program's in a
// second or two, a browser's (compiling and optimising the page's code, its first garbage
// collections) in several.
constexpr auto kProgramSettle = 3s;
constexpr auto kPageSettle = 10s;
// /proc counts CPU time in 10 ms ticks: 0.1 % of a core over 10 s.
constexpr auto kIdleSpan = 10s;
// The blink draws four times a second; a window that has not drawn for this long stopped.
constexpr auto kDrawingStopped = 5s;
// The tests' Wine set-up makes a prefix in well under a minute on an idle machine.
constexpr auto kMakingReadyTimeout = 5min;
constexpr double kPercent = 100;
constexpr double kKibPerMib = 1024;

// The environment variables the harness reads to pick a runner (program_run.h).
constexpr std::array<const char*, 4> kRunnerVariables{"VYRTEL_CLASSIC_SDL_DIR", "VYRTEL_WINE_DIR",
                                                      "VYRTEL_ARM64_DIR", "VYRTEL_ARMHF_DIR"};

double milliseconds(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

class Bench {
 public:
  explicit Bench(std::filesystem::path site) : x_{server_.display()}, site_{std::move(site)} {}

  // The program on the runner that `runner_variable` (one of kRunnerVariables, or none)
  // set to `value` picks.
  void measure_program(const std::string& runner, const char* runner_variable,
                       const std::string& value, bool full_screen = false) {
    for (const char* variable : kRunnerVariables) {
      unsetenv(variable);
    }
    if (runner_variable != nullptr) {
      setenv(runner_variable, value.c_str(), 1);
    }
    const std::set<pid_t> before = own_processes();
    ProgramRun run;
    const std::string font = read_file(VYRTEL_SHIPPED_FONT);
    run.install_font(FontBytes{font.begin(), font.end()});
    const auto launched = Clock::now();
    run.start(window_environment(x_.display_name()));
    const WindowId window =
        wait_for_window(kCaption, [&run] { return !run.process().has_exited(); });
    record(runner, "first-frame-ms", milliseconds(first_drawing(window) - launched));
    x_.focus(window);
    if (full_screen) {
      enter_full_screen(window);
    }
    std::this_thread::sleep_for(kProgramSettle);
    record_idle(runner, idle(before, run.process().pid()));
    time_keys(runner, window);
  }

  // The page in `browser`, then a plain canvas and a blank page in the same browser.
  void measure_page(const std::string& browser) {
    ScratchDirectory served;
    std::filesystem::create_directory_symlink(site_, served.path() / "site");
    std::filesystem::create_directory_symlink(VYRTEL_PLAIN_CANVAS, served.path() / "plain");
    const std::set<pid_t> before = own_processes();
    BrowserDriver driver{browser, served.path(), x_.display_name()};
    driver.command("open about:blank");
    std::this_thread::sleep_for(kPageSettle);
    const double blank = idle(before).cpu_percent;
    const auto opened = Clock::now();
    driver.command("open /site/");
    // The page names the window once its program has started.
    const WindowId window = wait_for_window(driver.window_title(kCaption), [] { return true; });
    record(browser, "first-frame-ms", milliseconds(first_drawing(window) - opened));
    x_.click(window);
    std::this_thread::sleep_for(kPageSettle);
    const Idle page = idle(before);
    record_idle(browser, page);
    time_keys(browser, window);
    driver.command("open /plain/");
    std::this_thread::sleep_for(kPageSettle);
    const double plain = idle(before).cpu_percent;
    record(browser, "plain-canvas-cpu-percent", plain);
    record(browser, "blank-cpu-percent", blank);
    record(browser, "idle-to-plain-canvas-ratio", (page.cpu_percent - blank) / (plain - blank));
  }

  void record(const std::string& runner, const std::string& figure, double value) {
    figures_[{runner, figure}] = value;
    std::printf("%s %s %.2f\n", runner.c_str(), figure.c_str(), value);
  }

  [[nodiscard]] const Figures& figures() const { return figures_; }

 private:
  // The processes this one started, at any depth: it adopts those whose parents left them
  // (Wine's server, a browser's helpers), so all it started stay below it.
  static std::set<pid_t> own_processes() { return descendants(process_parents(), getpid()); }

  static std::set<pid_t> started_since(const std::set<pid_t>& before) {
    std::set<pid_t> since;
    std::ranges::set_difference(own_processes(), before, std::inserter(since, since.end()));
    return since;
  }

  // The window titled `caption`, waiting for it while `running` says so.
  WindowId wait_for_window(const std::string& caption, const std::function<bool()>& running) {
    std::optional<WindowId> window;
    const auto deadline = Clock::now() + kStartTimeout;
    while (!(window = x_.find_window(caption)) && Clock::now() < deadline && running()) {
      std::this_thread::sleep_for(kWindowLookInterval);
    }
    if (!window) {
      throw std::runtime_error("no window titled \"" + caption + "\" appeared");
    }
    return *window;
  }

  // When the window first showed the program's drawing: its next drawing, or now when it
  // shows the test screen's grey frame already, drawn before it could be watched.
  Clock::time_point first_drawing(WindowId window) {
    DrawingWatch drawings{x_.display_name(), window};
    const auto watched = Clock::now();
    const auto shot = x_.capture(window);
    if (shot && shot->width > kGreyFrame.left && shot->height > kGreyFrame.top &&
        classify(shot->at(kGreyFrame.left, kGreyFrame.top)) == Shade::kGrey) {
      return watched;
    }
    const auto drawn = drawings.next_drawing(kStartTimeout);
    if (!drawn) {
      throw std::runtime_error("the window was never drawn into");
    }
    return *drawn;
  }

  void enter_full_screen(WindowId window) {
    x_.press_key(XK_space);
    if (!poll_until(kStartTimeout, [&] { return x_.geometry(window) == x_.screen(); })) {
      throw std::runtime_error("the window did not cover the screen after Space");
    }
  }

  // What was started since `before` does over kIdleSpan left alone, with the wake-ups of
  // the main thread of the program's process when there is one.
  struct Idle {
    double cpu_percent = 0;
    double wakeups_per_s = 0;
    std::optional<double> main_thread_wakeups_per_s;
    double resident_mib = 0;
  };
  static Idle idle(const std::set<pid_t>& before, std::optional<pid_t> program = std::nullopt) {
    const std::set<pid_t> tree = started_since(before);
    const TreeSample start = sample_processes(tree);
    const auto main_start = program ? thread_switches(*program) : std::nullopt;
    std::this_thread::sleep_for(kIdleSpan);
    const TreeSample end = sample_processes(tree);
    const auto main_end = program ? thread_switches(*program) : std::nullopt;
    const double seconds = std::chrono::duration<double>(kIdleSpan).count();
    const auto per_second = [seconds](std::uint64_t count) {
      return static_cast<double>(count) / seconds;
    };
    return Idle{
        .cpu_percent = kPercent * per_second(growth(start.cpu_ticks, end.cpu_ticks)) /
                       static_cast<double>(sysconf(_SC_CLK_TCK)),
        .wakeups_per_s = per_second(growth(start.switches, end.switches)),
        .main_thread_wakeups_per_s =
            main_start && main_end ? std::optional{per_second(*main_end - *main_start)}
                                   : std::nullopt,
        .resident_mib = static_cast<double>(end.resident_kib) / kKibPerMib};
  }

  void record_idle(const std::string& runner, const Idle& figures) {
    record(runner, "idle-cpu-percent", figures.cpu_percent);
    record(runner, "wakeups-all-threads-per-s", figures.wakeups_per_s);
    if (figures.main_thread_wakeups_per_s) {
      record(runner, "wakeups-main-thread-per-s", *figures.main_thread_wakeups_per_s);
    }
    record(runner, "resident-mib", figures.resident_mib);
  }

  void time_keys(const std::string& runner, WindowId window) {
    DrawingWatch drawings{x_.display_name(), window};
    const auto timings = time_key_presses(drawings, kKeyPresses, random_, [this](int press) {
      x_.press_key(press % 2 == 0 ? XK_Right : XK_Left);
    }, kDrawingStopped);
    if (!timings) {
      throw std::runtime_error("the window stopped drawing");
    }
    std::vector<double> drawn(timings->drawn.size());
    std::ranges::transform(timings->drawn, drawn.begin(), milliseconds);
    record(runner, "keys-missed", timings->missed);
    if (const auto middle = median(drawn)) {
      record(runner, "key-median-ms", *middle);
      record(runner, "key-max-ms", *std::ranges::max_element(drawn));
    }
  }

  XServer server_{kScreenSize};
  XSession x_;
  std::filesystem::path site_;
  std::mt19937 random_{std::random_device{}()};
  Figures figures_;
};

// The frame's cost in memory, from the frame benchmark's summary lines.
void measure_frame_cost(Bench& bench) {
  ScratchDirectory scratch;
  const auto summary = scratch.path() / "summary.txt";
  ChildProcess frame_bench({VYRTEL_FRAME_BENCH, "--benchmark_repetitions=5",
                            "--benchmark_report_aggregates_only=true"},
                           scratch.path(), {},
                           ChildStreams{.stdout_file = summary, .stderr_file = {}});
  frame_bench.wait_for_exit(kStartTimeout);
  std::istringstream lines{read_file(summary)};
  std::string name;
  double value = 0;
  for (std::string line; std::getline(lines, line);) {
    if (std::istringstream{line} >> name >> value && name.starts_with("frame-cost.")) {
      bench.record("frame-cost", name.substr(name.find('.') + 1), value);
    } else {
      std::cout << line << "\n";
    }
  }
}

// The table: a column for each runner, a row for each figure, "-" where none was taken.
void print_table(const Figures& figures) {
  const std::vector<std::string> runners{"linux-compat", "linux-classic", "wine", "qemu-arm64",
                                         "chromium", "firefox", "linux-full-screen"};
  const std::vector<std::pair<std::string, std::string>> rows{
      {"idle-cpu-percent", "idle CPU, % of a core, all its processes"},
      {"wakeups-main-thread-per-s", "idle voluntary switches/s, its main thread"},
      {"wakeups-all-threads-per-s", "  of all threads of all its processes"},
      {"key-median-ms", "key to drawn, median of 50, ms"},
      {"key-max-ms", "key to drawn, max, ms"},
      {"keys-missed", "key presses not drawn within 130 ms"},
      {"resident-mib", "resident memory, all its processes, MiB"},
      {"first-frame-ms", "launch (page: opening) to first frame, ms"},
  };
  constexpr int kRowNameWidth = 46;
  constexpr std::size_t kShortestColumn = 8;  // "10000.00": a browser's memory in MiB
  // Other work on the machine makes the figures noisy: the load says how much there was.
  std::ifstream load{"/proc/loadavg"};
  std::string last_minute;
  load >> last_minute;
  std::printf("\n%-*s", kRowNameWidth, ("load average " + last_minute).c_str());
  for (const auto& runner : runners) {
    std::printf(" %*s", static_cast<int>(std::max(runner.size(), kShortestColumn)), runner.c_str());
  }
  std::printf("\n");
  for (const auto& [figure, what] : rows) {
    std::printf("%-*s", kRowNameWidth, what.c_str());
    for (const auto& runner : runners) {
      const auto found = figures.find({runner, figure});
      const int width = static_cast<int>(std::max(runner.size(), kShortestColumn));
      if (found == figures.end()) {
        std::printf(" %*s", width, "-");
      } else {
        std::printf(" %*.2f", width, found->second);
      }
    }
    std::printf("\n");
  }
}

void print_rest(const Figures& figures) {
  const auto figure = [&](const std::string& runner, const std::string& name) {
    const auto found = figures.find({runner, name});
    return found == figures.end() ? std::nan("") : found->second;
  };
  std::printf("\nFrame cost in memory: composing %.1f us, its two fills %.1f us\n",
              figure("frame-cost", "compose-us"), figure("frame-cost", "fills-us"));
  for (const char* browser : {"chromium", "firefox"}) {
    std::printf("Idle in %s, %% of a core: the page %.2f, a plain canvas %.2f, a blank page "
                "%.2f; the page to the canvas, both above blank, %.2f\n",
                browser, figure(browser, "idle-cpu-percent"),
                figure(browser, "plain-canvas-cpu-percent"), figure(browser, "blank-cpu-percent"),
                figure(browser, "idle-to-plain-canvas-ratio"));
  }
  std::printf("\nGoals\n");
  for (const std::string& line : checked_goals(goals(), figures)) {
    std::printf("%s\n", line.c_str());
  }
}

// Runs `what`, reporting a runner's failure without giving up the others'; returns
// whether it succeeded.
bool attempt(const std::string& runner, const std::function<void()>& what) {
  std::printf("== %s\n", runner.c_str());
  try {
    what();
    return true;
  } catch (const std::exception& error) {
    std::cerr << runner << " failed: " << error.what() << "\n";
    return false;
  }
}

// `archive` made ready to run in `folder` by `command`: the Windows zip unpacked with a
// Wine prefix made for it (the tests' own set-up), the arm64 package unpacked. Making a
// Wine prefix takes a minute, so the folder is kept for the next run, and made again only
// when the archive is newer than the stamp left beside it once made.
std::string made_ready(const std::filesystem::path& archive, const std::filesystem::path& folder,
                       const std::vector<std::string>& command) {
  const std::filesystem::path stamp = folder.string() + ".made";
  if (std::filesystem::exists(stamp) &&
      std::filesystem::last_write_time(stamp) > std::filesystem::last_write_time(archive)) {
    return folder.string();
  }
  std::printf("== making %s ready to run, once for each build of it\n", archive.c_str());
  std::filesystem::remove(stamp);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder.parent_path());
  ChildProcess maker(command, folder.parent_path(), {}, ChildStreams{});
  const auto status = maker.wait_for_exit(kMakingReadyTimeout);
  if (!status || *status != 0) {
    throw std::runtime_error("cannot make " + archive.string() + " ready to run");
  }
  write_file(stamp, {});
  return folder.string();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: " << argv[0] << " CLASSIC_SDL_DIR WINDOWS_ZIP ARM64_DEB SITE_DIR\n";
    return 2;
  }
  // Each line as soon as it is printed, when the output goes into a file or a pipe too.
  static_cast<void>(std::setvbuf(stdout, nullptr, _IOLBF, 0));
  // Processes whose parents leave them (Wine's server) stay below this one, to be counted.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const std::filesystem::path classic_sdl = std::filesystem::absolute(argv[1]);
  const std::filesystem::path windows_zip = std::filesystem::absolute(argv[2]);
  const std::filesystem::path arm64_deb = std::filesystem::absolute(argv[3]);
  Bench bench{std::filesystem::absolute(argv[4])};
  const std::filesystem::path kept{VYRTEL_BENCH_RUNNERS};
  bool all = attempt("linux-compat", [&] { bench.measure_program("linux-compat", nullptr, ""); });
  all &= attempt("linux-full-screen",
                 [&] { bench.measure_program("linux-full-screen", nullptr, "", true); });
  all &= attempt("linux-classic", [&] {
    bench.measure_program("linux-classic", "VYRTEL_CLASSIC_SDL_DIR", classic_sdl);
  });
  all &= attempt("wine", [&] {
    bench.measure_program("wine", "VYRTEL_WINE_DIR",
                          made_ready(windows_zip, kept / "wine",
                                     {VYRTEL_WINE_SETUP, windows_zip, (kept / "wine").string()}));
  });
  all &= attempt("qemu-arm64", [&] {
    bench.measure_program("qemu-arm64", "VYRTEL_ARM64_DIR",
                          made_ready(arm64_deb, kept / "arm64",
                                     {"dpkg-deb", "-x", arm64_deb, (kept / "arm64").string()}));
  });
  for (const char* browser : {"chromium", "firefox"}) {
    all &= attempt(browser, [&] { bench.measure_page(browser); });
  }
  all &= attempt("frame-cost", [&] { measure_frame_cost(bench); });
  print_table(bench.figures());
  print_rest(bench.figures());
  return all ? 0 : 1;
}
