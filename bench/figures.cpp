#include "bench/figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "process.h"

namespace {

constexpr int kGoalLineLength = 120;
// What each Bound bounds, and its name in a goal's line.
constexpr std::array kBounded{&Compared::ratio, &Compared::excess, &Compared::program};
constexpr std::array kBoundNames{"ratio", "excess", ""};
// A bound on the program's memory above the floor's, in MiB: what the program holds that
// the floor does not, its 2048-byte font, a 640x480 picture of two bytes a pixel, and the
// C++ library, which the floor, calling SDL's C alone, does not load (860 KiB of it
// resident in the program on Debian 12, as /proc/PID/smaps counts it).
constexpr double kFontPictureAndLibraryMib = (2048.0 + 640.0 * 480 * 2 + 860.0 * 1024) /
                                             (1024.0 * 1024);

template <typename Number>
std::optional<Number> parse_number(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// The value of field `name` ("VmRSS") of a /proc status file, as a number.
std::optional<std::uint64_t> status_number(const std::filesystem::path& status_file,
                                           const std::string& name) {
  const auto value = proc_status_field(status_file, name);
  return value ? parse_number<std::uint64_t>(*value) : std::nullopt;
}

std::string first_line(const std::filesystem::path& file) {
  std::ifstream stream{file};
  std::string line;
  std::getline(stream, line);
  return line;
}

std::filesystem::path proc(pid_t process) {
  return std::filesystem::path{"/proc"} / std::to_string(process);
}

}  // namespace

const std::vector<Goal>& goals() {
  // Every figure is held against the floor's on the same runner, taken in turns with the
  // program's, so that the machine's speed and load weigh on both; only the slowest press
  // is held to a fixed time, the main loop's own promise. The program draws its whole
  // frame where the floor flips six pixels, and in a browser it is a WebAssembly program
  // whose every frame is the whole 640x480 picture put on the canvas.
  const std::vector<std::string_view> desktop{kDesktopRunners.begin(), kDesktopRunners.end()};
  const std::vector<std::string_view> browsers{kBrowsers.begin(), kBrowsers.end()};
  static const std::vector<Goal> list{
      // Idle, its processes take at most half as much CPU again as the floor's; in a
      // browser, which puts the whole picture on the screen at each blink, twice as much.
      {"idle-cpu-percent", Bound::kRatio, 1.5, desktop},
      {"idle-cpu-percent", Bound::kRatio, 2, browsers},
      // Its main thread wakes at most half as often as the floor's, whose SDL_WaitEvent
      // looks for events every 10 ms: the loop sleeps until its timers are due or input
      // comes. A browser's main thread is not the page's.
      {"wakeups-main-thread-per-s", Bound::kRatio, 0.5, desktop},
      // The typical press drawn within a fifth more time than the floor's; in a browser,
      // which shows both at one of its own frames, within twice the plain canvas's.
      {"key-median-ms", Bound::kRatio, 1.2, desktop},
      {"key-median-ms", Bound::kRatio, 2, browsers},
      // On the desktop every press is drawn within the main loop's budget for it, 17 ms
      // (app/main_loop.cpp), and none is missed.
      {"key-max-ms", Bound::kProgram, 17, desktop},
      {"keys-missed", Bound::kProgram, 0, desktop},
      // Its memory is the floor's and what only the program holds: the rest is SDL's,
      // which both have. Under Wine, whose services come and go by tens of MiB, and in a
      // browser's gigabyte, the difference is lost in the runner's own.
      {"resident-mib", Bound::kExcess, kFontPictureAndLibraryMib,
       {"linux-compat", "linux-full-screen", "linux-classic", "qemu-arm64"}},
      // Its first frame within twice the floor's: before it opens its display the program
      // loads the C++ library and reads its font and the desktop's scale, which under
      // qemu's emulation takes tens of milliseconds. A page first fetches and compiles its
      // program, and reads the font, which the plain canvas's script in its page does not:
      // at most a quarter of a second more.
      {"first-frame-ms", Bound::kRatio, 2, desktop},
      {"first-frame-ms", Bound::kExcess, 250, browsers},
      // Composing a frame costs at most half as much again as its two background fills.
      {"compose-us", Bound::kRatio, 1.5, {"frame-cost"}},
  };
  return list;
}

std::vector<std::string> checked_goals(const std::vector<Goal>& list, const Figures& figures) {
  std::vector<std::string> lines;
  for (const Goal& goal : list) {
    for (const std::string_view runner : goal.runners) {
      const auto found = figures.find({std::string{runner}, goal.figure});
      const Compared figure = found != figures.end() ? found->second : Compared{};
      const auto bound = static_cast<std::size_t>(goal.bound);
      const double value = found != figures.end() ? figure.*kBounded.at(bound) : std::nan("");
      std::string line(kGoalLineLength, '\0');
      line.resize(static_cast<std::size_t>(std::snprintf(
          line.data(), line.size(), "%-18s %-26s %9.2f floor %9.2f %6s %9.2f <= %-5.2f %s",
          std::string{runner}.c_str(), goal.figure.c_str(), figure.program, figure.floor,
          kBoundNames.at(bound),
          value, goal.most,
          std::isnan(value) ? "NO FIGURE" : value <= goal.most ? "met" : "MISSED")));
      lines.push_back(line);
    }
  }
  return lines;
}

std::map<std::string, double> side_figures(const std::vector<const Measurement*>& runs) {
  std::map<std::string, double> figures;
  std::vector<double> keys_ms;
  double missed = 0;
  for (const Measurement* run : runs) {
    for (const auto& [name, value] : run->figures) {
      figures[name] += value / static_cast<double>(runs.size());
    }
    keys_ms.insert(keys_ms.end(), run->keys_ms.begin(), run->keys_ms.end());
    missed += run->keys_missed;
  }
  if (const auto middle = median(keys_ms)) {
    figures["key-median-ms"] = *middle;
    figures["key-max-ms"] = *std::ranges::max_element(keys_ms);
  }
  figures["keys-missed"] = missed;
  return figures;
}

std::map<std::string, Compared> compare(const std::vector<Measurement>& in_time_order) {
  std::map<std::string, std::vector<double>> ratios;
  std::map<std::string, std::vector<double>> excesses;
  for (std::size_t run = 1; run < in_time_order.size(); ++run) {
    const Measurement& taken = in_time_order[run];
    const Measurement& before = in_time_order[run - 1];
    if (before.floor == taken.floor) {
      continue;
    }
    const auto floor = side_figures({taken.floor ? &taken : &before});
    for (const auto& [name, value] : side_figures({taken.floor ? &before : &taken})) {
      if (const auto found = floor.find(name); found != floor.end() && found->second > 0) {
        ratios[name].push_back(value / found->second);
        excesses[name].push_back(value - found->second);
      }
    }
  }
  std::array<std::vector<const Measurement*>, 2> sides;  // the program's runs, the floor's
  for (const Measurement& run : in_time_order) {
    sides.at(run.floor ? 1 : 0).push_back(&run);
  }
  const auto floor = side_figures(sides[1]);
  std::map<std::string, Compared> compared;
  for (const auto& [name, value] : side_figures(sides[0])) {
    if (const auto found = floor.find(name); found != floor.end()) {
      compared[name] = {value, found->second, median(ratios[name]).value_or(std::nan("")),
                        median(excesses[name]).value_or(std::nan(""))};
    }
  }
  return compared;
}

std::optional<double> median(std::vector<double> values) {
  if (values.empty()) {
    return std::nullopt;
  }
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<pid_t> parse_parent(std::string_view stat_line) {
  // The command name is in parentheses that may themselves hold spaces and parentheses;
  // after it come the state and the parent.
  const auto name_end = stat_line.rfind(')');
  if (name_end == std::string_view::npos) {
    return std::nullopt;
  }
  std::istringstream rest{std::string{stat_line.substr(name_end + 1)}};
  std::string state;
  std::string parent;
  return (rest >> state >> parent) ? parse_number<pid_t>(parent) : std::nullopt;
}

std::set<pid_t> descendants(const std::map<pid_t, pid_t>& parents, pid_t root) {
  std::set<pid_t> found;
  bool grew = true;
  while (grew) {
    grew = false;
    for (const auto& [process, parent] : parents) {
      if ((parent == root || found.contains(parent)) && found.insert(process).second) {
        grew = true;
      }
    }
  }
  return found;
}

std::map<pid_t, pid_t> process_parents() {
  std::map<pid_t, pid_t> parents;
  for (const auto& entry : std::filesystem::directory_iterator{"/proc"}) {
    const auto process = parse_number<pid_t>(entry.path().filename().string());
    const auto parent = process ? parse_parent(first_line(entry.path() / "stat")) : std::nullopt;
    if (parent) {
      parents[*process] = *parent;
    }
  }
  return parents;
}

// The first field of /proc/PID/task/TID/schedstat is the nanoseconds the thread ran: a
// finer count than the 10 ms ticks of its stat file.
TreeSample sample_processes(const std::set<pid_t>& processes) {
  TreeSample sample;
  for (const pid_t process : processes) {
    sample.resident_kib +=
        static_cast<long>(status_number(proc(process) / "status", "VmRSS").value_or(0));
    std::error_code ended;
    for (const auto& task : std::filesystem::directory_iterator{proc(process) / "task", ended}) {
      const auto thread = parse_number<pid_t>(task.path().filename().string());
      const std::string ran = first_line(task.path() / "schedstat");
      const auto ns = parse_number<std::uint64_t>(std::string_view{ran}.substr(0, ran.find(' ')));
      const auto switches = status_number(task.path() / "status", "voluntary_ctxt_switches");
      if (thread && ns && switches) {
        sample.cpu_ns[*thread] = *ns;
        sample.switches[*thread] = *switches;
      }
    }
  }
  return sample;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): named for the order of the samples
std::uint64_t growth(const std::map<pid_t, std::uint64_t>& before,
                     const std::map<pid_t, std::uint64_t>& after) {
  std::uint64_t total = 0;
  for (const auto& [process, count] : after) {
    const auto earlier = before.find(process);
    if (earlier != before.end() && count > earlier->second) {
      total += count - earlier->second;
    }
  }
  return total;
}
