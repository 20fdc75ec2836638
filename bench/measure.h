// The arithmetic behind the figures `make bench` reports: medians, blink periods, CPU
// ticks read from /proc and key-press latencies matched against the shim's log.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The middle value, or the mean of the two middle values of an even count. Needs at least
// one value.
double median(std::vector<double> values);

// The differences between successive readout values, in milliseconds. The tick count is
// 32 bits wide, so a difference across its wrap is still the true one.
std::vector<double> successive_periods(const std::vector<std::uint32_t>& readouts);

// User plus system time, in clock ticks, of all threads of the process whose
// /proc/PID/stat line this is; nothing if the line cannot be read as one.
std::optional<std::uint64_t> process_cpu_ticks(std::string_view stat_line);

// Busy time of the whole machine, in clock ticks summed over its cores, from the first
// ("cpu ...") line of /proc/stat: everything but idle and waiting for I/O.
std::optional<std::uint64_t> machine_busy_ticks(std::string_view cpu_line);

// What the latency shim logged: the CLOCK_MONOTONIC times, in nanoseconds, at which the
// program was handed each key press, at which each frame had been presented, and at which
// each frame following one or more key presses had been presented.
struct ShimLog {
  std::vector<std::int64_t> key_deliveries;
  std::vector<std::int64_t> flips;
  std::vector<std::int64_t> frames_after_keys;
  std::optional<double> first_frame_ms;  // from launch to the first frame presented
};

ShimLog parse_shim_log(std::string_view text);

// One key press followed through: from the moment it was sent to the X server until the
// program received it, and until the frame showing it had been presented.
struct KeyLatency {
  double delivered_ms;
  double shown_ms;
};

// Matches the n-th key press sent (times in `presses`) with the n-th delivery the shim
// logged from the first press on, and that delivery with the first frame presented after
// it. Deliveries logged before the first press was sent answer earlier presses and are
// passed over. Presses the program did not receive, or whose frame never came, give no
// entry.
std::vector<KeyLatency> key_latencies(const std::vector<std::int64_t>& presses, const ShimLog& log);
