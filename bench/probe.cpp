// `make bench`: the program measured on each of its runners beside its floor, the least
// program that does its job there, both the same way, on a private 1920x1080 Xvfb under a
// window manager, as the end-to-end tests run the program:
//   linux-compat   the Linux program on the compatibility layer it is built with, in a
//                  window and (linux-full-screen) in full screen
//   linux-classic  the same program on the classic SDL 1.2 library
//   wine           the Windows zip under Wine
//   qemu-arm64     the arm64 Debian package's program under qemu
//   chromium, firefox  the browser page, headed
// The floor on the desktop is bench/floor.cpp built for the runner and started as the
// program is; in a browser, bench/plain-canvas/ opened in the same browser. Floor and
// program take turns, twice each. For each run: launch to first frame, key press to
// drawn, then idle CPU of its processes (the program with all it started, Wine's server
// included), its wake-ups and memory. Then the frame's cost in memory, and the goals.
// Prints each run's figures as it goes, then the table.
// Usage: vyrtel_probe CLASSIC_SDL_DIR WINDOWS_ZIP WINDOWS_FLOOR ARM64_DEB ARM64_FLOOR SITE_DIR
#include <X11/keysym.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
// Each side is run twice, so that each of its figures is taken at two moments and each run
// of the program has a run of the floor next to it in time; its presses make 50 in all.
constexpr int kTurns = 2;
constexpr int kKeyPresses = 25;
// The plain canvas's page title (bench/plain-canvas/index.html).
constexpr const char* kPlainCanvasTitle = "Plain canvas";
// A start under qemu or Wine, or a browser's, takes seconds; a loaded machine many times
// that.
constexpr auto kStartTimeout = 60s;
// The window must be found soon after it appears, before the program draws into it.
constexpr auto kWindowLookInterval = 1ms;
// Idle is taken after the key presses, which leave the start-up's own work seconds behind,
// over a span in which the program blinks eight times: /proc counts the CPU time of each
// thread in nanoseconds, and the wake-ups of the idle program by the dozen.
constexpr auto kIdleSpan = 2s;
// The blink draws four times a second; a window that has not drawn for this long stopped.
constexpr auto kDrawingStopped = 5s;
// The tests' Wine set-up makes a prefix in well under a minute on an idle machine.
constexpr auto kMakingReadyTimeout = 5min;
constexpr double kPercent = 100;
constexpr double kKibPerMib = 1024;
constexpr double kNanosecondsPerSecond = 1e9;

// The environment variables the harness reads to pick a runner (program_run.h).
constexpr std::array<const char*, 4> kRunnerVariables{"VYRTEL_CLASSIC_SDL_DIR", "VYRTEL_WINE_DIR",
                                                      "VYRTEL_ARM64_DIR", "VYRTEL_ARMHF_DIR"};

double milliseconds(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

class Bench {
 public:
  explicit Bench(std::filesystem::path site) : x_{server_.display()}, site_{std::move(site)} {}

  // The program and `floor` in turns, on the runner that `runner_variable` (one of
  // kRunnerVariables, or none) set to `value` picks.
  void measure_program(const std::string& runner, const char* runner_variable,
                       const std::string& value, const std::filesystem::path& floor,
                       bool full_screen) {
    for (const char* variable : kRunnerVariables) {
      unsetenv(variable);
    }
    if (runner_variable != nullptr) {
      setenv(runner_variable, value.c_str(), 1);
    }
    in_turns(runner, [&](bool is_floor) {
      const std::set<pid_t> before = own_processes();
      ProgramRun run;
      const std::string font = read_file(VYRTEL_SHIPPED_FONT);
      run.install_font(FontBytes{font.begin(), font.end()});
      EnvChanges environment = window_environment(x_.display_name());
      if (is_floor) {
        run.run_instead(floor);
        // The floor presents its frames as the program chooses to on the compatibility
        // layer (compat/presentation.h), through the window's own framebuffer.
        environment.emplace_back("SDL_RENDER_DRIVER", "software");
        environment.emplace_back("SDL_FRAMEBUFFER_ACCELERATION", "0");
      }
      const auto launched = Clock::now();
      run.start(environment);
      const WindowId window = wait_for_window(is_floor ? VYRTEL_FLOOR_CAPTION : kCaption,
                                              [&run] { return !run.process().has_exited(); });
      return measure_window(is_floor, window, launched, [&] {
        x_.focus(window);
        if (full_screen) {
          enter_full_screen(window);
        }
      }, before, run.process().pid());
    });
  }

  // The plain canvas and the page in turns, in `browser`.
  void measure_page(const std::string& browser) {
    ScratchDirectory served;
    std::filesystem::create_directory_symlink(site_, served.path() / "site");
    std::filesystem::create_directory_symlink(VYRTEL_PLAIN_CANVAS, served.path() / "plain");
    const std::set<pid_t> before = own_processes();
    BrowserDriver driver{browser, served.path(), x_.display_name()};
    // The browser starts with its first page, so that each run's opening is a page's alone.
    driver.command("open about:blank");
    in_turns(browser, [&](bool is_floor) {
      const auto opened = Clock::now();
      driver.command(is_floor ? "open /plain/" : "open /site/");
      // The page names the window once its program has started.
      const WindowId window = wait_for_window(
          driver.window_title(is_floor ? kPlainCanvasTitle : kCaption), [] { return true; });
      return measure_window(is_floor, window, opened, [&] { x_.click(window); }, before);
    });
  }

  void record(const std::string& runner, const std::map<std::string, Compared>& compared) {
    for (const auto& [figure, value] : compared) {
      figures_[{runner, figure}] = value;
    }
  }

  [[nodiscard]] const Figures& figures() const { return figures_; }

 private:
  // Runs (`run(is_floor)`) of the floor and the program in turns, each printed as it comes,
  // and what they compare to.
  void in_turns(const std::string& runner, const std::function<Measurement(bool)>& run) {
    std::vector<Measurement> runs;
    for (int turn = 0; turn < 2 * kTurns; ++turn) {
      runs.push_back(run(turn % 2 == 0));
      std::printf("%s %s:", runner.c_str(), runs.back().floor ? "floor" : "program");
      for (const auto& [figure, value] : side_figures({&runs.back()})) {
        std::printf(" %s %.2f", figure.c_str(), value);
      }
      std::printf("\n");
    }
    record(runner, compare(runs));
  }

  // The figures of a run whose `window` appeared after `launched`: its first frame, then,
  // once `ready` has made it ready for keys, its key presses and idle.
  Measurement measure_window(bool is_floor, WindowId window, Clock::time_point launched,
                             const std::function<void()>& ready, const std::set<pid_t>& before,
                             std::optional<pid_t> program = std::nullopt) {
    Measurement run{.floor = is_floor, .figures = {}, .keys_ms = {}, .keys_missed = 0};
    run.figures["first-frame-ms"] = milliseconds(first_drawing(window) - launched);
    ready();
    time_keys(run, window);
    idle(run, before, program);
    return run;
  }

  // The processes this one started, at any depth: it adopts those whose parents left them
  // (Wine's server, a browser's helpers), so all it started stay below it.
  static std::set<pid_t> own_processes() { return descendants(process_parents(), getpid()); }

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
  // the main thread of the `program`'s process when there is one, into `run`.
  static void idle(Measurement& run, const std::set<pid_t>& before,
                   std::optional<pid_t> program = std::nullopt) {
    std::set<pid_t> tree;
    std::ranges::set_difference(own_processes(), before, std::inserter(tree, tree.end()));
    const TreeSample start = sample_processes(tree);
    std::this_thread::sleep_for(kIdleSpan);
    const TreeSample end = sample_processes(tree);
    const auto per_second = [](std::uint64_t count) {
      return static_cast<double>(count) / std::chrono::duration<double>(kIdleSpan).count();
    };
    run.figures["idle-cpu-percent"] =
        kPercent * per_second(growth(start.cpu_ns, end.cpu_ns)) / kNanosecondsPerSecond;
    run.figures["wakeups-all-threads-per-s"] = per_second(growth(start.switches, end.switches));
    if (program) {  // the main thread's id is the process's
      run.figures["wakeups-main-thread-per-s"] =
          per_second(growth({{*program, start.switches.at(*program)}}, end.switches));
    }
    run.figures["resident-mib"] = static_cast<double>(end.resident_kib) / kKibPerMib;
  }

  void time_keys(Measurement& run, WindowId window) {
    DrawingWatch drawings{x_.display_name(), window};
    const auto timings = time_key_presses(drawings, kKeyPresses, random_, [this](int press) {
      x_.press_key(press % 2 == 0 ? XK_Right : XK_Left);
    }, kDrawingStopped);
    if (!timings) {
      throw std::runtime_error("the window stopped drawing");
    }
    run.keys_ms.resize(timings->drawn.size());
    std::ranges::transform(timings->drawn, run.keys_ms.begin(), milliseconds);
    run.keys_missed = timings->missed;
  }

  XServer server_{kScreenSize};
  XSession x_;
  std::filesystem::path site_;
  std::mt19937 random_{std::random_device{}()};
  Figures figures_;
};

// The frame's cost in memory, from the frame benchmark's summary lines: composing it beside
// its two fills alone, as the program beside a floor.
void measure_frame_cost(Bench& bench) {
  ScratchDirectory scratch;
  const auto summary = scratch.path() / "summary.txt";
  ChildProcess frame_bench({VYRTEL_FRAME_BENCH, "--benchmark_repetitions=5",
                            "--benchmark_report_aggregates_only=true"},
                           scratch.path(), {},
                           ChildStreams{.stdout_file = summary, .stderr_file = {}});
  frame_bench.wait_for_exit(kStartTimeout);
  std::istringstream lines{read_file(summary)};
  std::map<std::string, double> cost;
  std::string name;
  double value = 0;
  for (std::string line; std::getline(lines, line);) {
    if (std::istringstream{line} >> name >> value && name.starts_with("frame-cost.")) {
      cost[name.substr(name.find('.') + 1)] = value;
    } else {
      std::cout << line << "\n";
    }
  }
  const double compose = cost.at("compose-us");
  const double fills = cost.at("fills-us");
  bench.record("frame-cost", {{"compose-us", {compose, fills, compose / fills, compose - fills}}});
}

// The table: a column for each runner, for each figure a row of the program's, one of the
// floor's and one of their ratio, "-" where none was taken.
void print_table(const Figures& figures) {
  std::vector<std::string> runners{kDesktopRunners.begin(), kDesktopRunners.end()};
  runners.insert(runners.end(), kBrowsers.begin(), kBrowsers.end());
  // Each figure as docs/performance.md describes it.
  const std::vector<std::string> rows{"idle-cpu-percent",        "wakeups-main-thread-per-s",
                                      "wakeups-all-threads-per-s", "key-median-ms",
                                      "key-max-ms",              "keys-missed",
                                      "resident-mib",            "first-frame-ms"};
  constexpr int kRowNameWidth = 30;
  constexpr std::size_t kShortestColumn = 8;  // "10000.00": a browser's memory in MiB
  // Other work on the machine makes the figures noisy: the load says how much there was.
  const std::string load = read_file("/proc/loadavg");
  std::printf("\n%-*s", kRowNameWidth, ("load average " + load.substr(0, load.find(' '))).c_str());
  for (const auto& runner : runners) {
    std::printf(" %*s", static_cast<int>(std::max(runner.size(), kShortestColumn)), runner.c_str());
  }
  for (const auto& figure : rows) {
    for (const auto& [side, value] : {std::pair{figure, &Compared::program},
                                      {std::string{"  floor"}, &Compared::floor},
                                      {std::string{"  ratio"}, &Compared::ratio}}) {
      std::printf("\n%-*s", kRowNameWidth, side.c_str());
      for (const auto& runner : runners) {
        const auto found = figures.find({runner, figure});
        const int width = static_cast<int>(std::max(runner.size(), kShortestColumn));
        if (found == figures.end() || !std::isfinite(found->second.*value)) {
          std::printf(" %*s", width, "-");
        } else {
          std::printf(" %*.2f", width, found->second.*value);
        }
      }
    }
  }
  std::printf("\n");
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
  if (argc != 7) {
    std::cerr << "usage: " << argv[0]
              << " CLASSIC_SDL_DIR WINDOWS_ZIP WINDOWS_FLOOR ARM64_DEB ARM64_FLOOR SITE_DIR\n";
    return 2;
  }
  // Each line as soon as it is printed, when the output goes into a file or a pipe too.
  static_cast<void>(std::setvbuf(stdout, nullptr, _IOLBF, 0));
  // Processes whose parents leave them (Wine's server) stay below this one, to be counted.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto path = [&args](std::size_t arg) { return std::filesystem::absolute(args.at(arg)); };
  const std::filesystem::path windows_zip = path(1);
  const std::filesystem::path arm64_deb = path(3);
  Bench bench{path(5)};
  const std::filesystem::path kept{VYRTEL_BENCH_RUNNERS};
  bool all = true;
  const auto desktop = [&](const std::string& runner, const char* variable,
                           const std::function<std::string()>& value,
                           const std::filesystem::path& floor) {
    all &= attempt(runner, [&] {
      bench.measure_program(runner, variable, value(), floor, runner == "linux-full-screen");
    });
  };
  desktop("linux-compat", nullptr, [] { return ""; }, VYRTEL_FLOOR);
  desktop("linux-full-screen", nullptr, [] { return ""; }, VYRTEL_FLOOR);
  desktop("linux-classic", "VYRTEL_CLASSIC_SDL_DIR", [&] { return path(0); }, VYRTEL_FLOOR);
  desktop("wine", "VYRTEL_WINE_DIR", [&] {
    return made_ready(windows_zip, kept / "wine",
                      {VYRTEL_WINE_SETUP, windows_zip, (kept / "wine").string()});
  }, path(2));
  desktop("qemu-arm64", "VYRTEL_ARM64_DIR", [&] {
    return made_ready(arm64_deb, kept / "arm64",
                      {"dpkg-deb", "-x", arm64_deb, (kept / "arm64").string()});
  }, path(4));
  for (const std::string_view browser : kBrowsers) {
    all &= attempt(std::string{browser}, [&] { bench.measure_page(std::string{browser}); });
  }
  all &= attempt("frame-cost", [&] { measure_frame_cost(bench); });
  print_table(bench.figures());
  std::printf("\nGoals\n");
  for (const std::string& line : checked_goals(goals(), bench.figures())) {
    std::printf("%s\n", line.c_str());
  }
  return all ? 0 : 1;
}
