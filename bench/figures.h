// The figures of `make bench`: each measurement of the program and of its floor, the
// program's figures beside the floor's, the goals they are held to, and the reading of
// /proc they come from.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The runners, in the order the bench measures them and its table shows them: the
// program's on the desktop, each held against the floor program (bench/floor.cpp) run the
// same way, then the page in each browser, held against the plain canvas
// (bench/plain-canvas/) in the same browser.
inline constexpr std::array<std::string_view, 5> kDesktopRunners{
    "linux-compat", "linux-full-screen", "linux-classic", "wine", "qemu-arm64"};
inline constexpr std::array<std::string_view, 2> kBrowsers{"chromium", "firefox"};

// One run of the program, or of its floor: its figures by name ("idle-cpu-percent"), and
// the time from each key press to its drawing, with the presses never drawn.
struct Measurement {
  bool floor = false;
  std::map<std::string, double> figures;
  std::vector<double> keys_ms;
  int keys_missed = 0;
};

// The figures of `runs` of one side taken together: each the mean over them, and
// "key-median-ms", "key-max-ms" and "keys-missed" of all their key presses.
std::map<std::string, double> side_figures(const std::vector<const Measurement*>& runs);

// A figure of the program beside its floor's, each side's from side_figures. The
// program's to the floor's (ratio) and above it (excess) are each the median over every
// two runs next to each other in time, one of each side, so that a busy moment of the
// machine weighs on both sides of each.
struct Compared {
  double program = 0;
  double floor = 0;
  double ratio = 0;
  double excess = 0;
};

// Every figure of runs taken in turns, floor and program, in the order taken.
std::map<std::string, Compared> compare(const std::vector<Measurement>& in_time_order);

// Each figure compared, by runner ("wine") and name ("key-median-ms").
using Figures = std::map<std::pair<std::string, std::string>, Compared>;

// What a goal bounds: the ratio to the floor, the excess over it, or the program's figure.
enum class Bound : std::uint8_t { kRatio, kExcess, kProgram };

// A figure held to at most `most` on each of `runners`.
struct Goal {
  std::string figure;
  Bound bound;
  double most;
  std::vector<std::string_view> runners;
};

const std::vector<Goal>& goals();

// One line for each goal on each of its runners: the runner, the figure, the program's
// and the floor's, the bounded value and its bound, and "met", "MISSED" or "NO FIGURE" (a
// runner that failed to give it).
std::vector<std::string> checked_goals(const std::vector<Goal>& list, const Figures& figures);

// The middle value, or the mean of the two middle values of an even count; nothing of none.
std::optional<double> median(std::vector<double> values);

// The parent process of the one whose /proc/PID/stat line this is; nothing for a line that
// cannot be read as one.
std::optional<pid_t> parse_parent(std::string_view stat_line);

// Every process of `parents` (process to parent) below `root`, at any depth.
std::set<pid_t> descendants(const std::map<pid_t, pid_t>& parents, pid_t root);

// What /proc says of a set of processes at one moment: for each of their threads, the
// nanoseconds it ran and its voluntary context switches; their resident memory, summed.
struct TreeSample {
  std::map<pid_t, std::uint64_t> cpu_ns;
  std::map<pid_t, std::uint64_t> switches;
  long resident_kib = 0;
};
// Every process now running on this machine, with its parent.
std::map<pid_t, pid_t> process_parents();
TreeSample sample_processes(const std::set<pid_t>& processes);
// The growth of each count from `before` to `after`, summed over what both hold: a thread
// that ended meanwhile adds nothing.
std::uint64_t growth(const std::map<pid_t, std::uint64_t>& before,
                     const std::map<pid_t, std::uint64_t>& after);
