// The figures of `make bench`, the goals they are held to, and the reading of /proc they
// come from.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Each figure by runner ("wine") and name ("key-median-ms").
using Figures = std::map<std::pair<std::string, std::string>, double>;

// A figure the bench holds to at most `most`.
struct Goal {
  std::string runner;
  std::string figure;
  double most;
};

const std::vector<Goal>& goals();

// One line for each goal: the runner, figure, its value and the bound, and "met", "MISSED"
// or "NO FIGURE" (a runner that failed to give it).
std::vector<std::string> checked_goals(const std::vector<Goal>& list, const Figures& figures);

// The middle value, or the mean of the two middle values of an even count; nothing of none.
std::optional<double> median(std::vector<double> values);

// One process as /proc/PID/stat gives it: its parent and its CPU time (user plus system)
// in clock ticks; nothing for a line that cannot be read as one.
struct ProcessStat {
  pid_t parent;
  std::uint64_t cpu_ticks;
};
std::optional<ProcessStat> parse_stat(std::string_view stat_line);

// Every process of `parents` (process to parent) below `root`, at any depth.
std::set<pid_t> descendants(const std::map<pid_t, pid_t>& parents, pid_t root);

// What /proc says of a set of processes at one moment, summed over them: CPU ticks, the
// voluntary context switches of all their threads, and resident memory.
struct TreeSample {
  std::map<pid_t, std::uint64_t> cpu_ticks;
  std::map<pid_t, std::uint64_t> switches;
  long resident_kib = 0;
};
// Every process now running on this machine, with its parent.
std::map<pid_t, pid_t> process_parents();
TreeSample sample_processes(const std::set<pid_t>& processes);
// The voluntary context switches of one thread: the main one of `process` by default.
std::optional<std::uint64_t> thread_switches(pid_t process);
// The growth of each count from `before` to `after`, summed over what both hold: a process
// that ended meanwhile, or one that lost threads, adds nothing.
std::uint64_t growth(const std::map<pid_t, std::uint64_t>& before,
                     const std::map<pid_t, std::uint64_t>& after);
