#include "bench/measure.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

namespace {

constexpr double kNanosecondsPerMillisecond = 1e6;

// In /proc/PID/stat, utime is field 14 and stime follows it; the fields after the command
// name, which is in parentheses and may itself hold spaces and parentheses, start at 3.
constexpr int kFirstFieldAfterName = 3;
constexpr int kUserTimeField = 14;

// The fields of /proc/stat's "cpu" line, counted after the word "cpu": user, nice,
// system, idle, iowait, irq, softirq, steal (guest time is already inside user).
constexpr int kIdleField = 4;
constexpr int kIoWaitField = 5;
constexpr int kStealField = 8;

std::optional<std::uint64_t> parse_unsigned(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// Splits off the first space-separated word of `text`, skipping leading spaces.
std::string_view next_word(std::string_view& text) {
  const auto start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    text = {};
    return {};
  }
  text.remove_prefix(start);
  const auto end = std::min(text.find(' '), text.size());
  const auto word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

double milliseconds_between(std::int64_t from_ns, std::int64_t to_ns) {
  return static_cast<double>(to_ns - from_ns) / kNanosecondsPerMillisecond;
}

void parse_shim_line(std::string_view line, ShimLog& log) {
  const auto name = next_word(line);
  const auto value = next_word(line);
  if (name == "first-frame-ms") {
    double ms = 0;
    if (std::from_chars(value.data(), value.data() + value.size(), ms).ec == std::errc{}) {
      log.first_frame_ms = ms;
    }
    return;
  }
  const auto ns = parse_unsigned(value);
  if (!ns) {
    return;
  }
  if (name == "key") {
    log.key_deliveries.push_back(static_cast<std::int64_t>(*ns));
  } else if (name == "flip") {
    log.flips.push_back(static_cast<std::int64_t>(*ns));
  } else if (name == "frame") {
    log.frames_after_keys.push_back(static_cast<std::int64_t>(*ns));
  }
}

}  // namespace

double median(std::vector<double> values) {
  const auto middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                   values.end());
  const double upper = values[middle];
  if (values.size() % 2 != 0) {
    return upper;
  }
  const double lower =
      *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
  return (lower + upper) / 2;
}

std::vector<double> successive_periods(const std::vector<std::uint32_t>& readouts) {
  std::vector<double> periods;
  for (std::size_t i = 1; i < readouts.size(); ++i) {
    periods.push_back(
        static_cast<double>(static_cast<std::uint32_t>(readouts[i] - readouts[i - 1])));
  }
  return periods;
}

std::optional<std::uint64_t> process_cpu_ticks(std::string_view stat_line) {
  const auto name_end = stat_line.rfind(')');
  if (name_end == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view rest = stat_line.substr(name_end + 1);
  for (int field = kFirstFieldAfterName; field < kUserTimeField; ++field) {
    next_word(rest);
  }
  const auto user = parse_unsigned(next_word(rest));
  const auto system = parse_unsigned(next_word(rest));
  if (!user || !system) {
    return std::nullopt;
  }
  return *user + *system;
}

std::optional<std::uint64_t> machine_busy_ticks(std::string_view cpu_line) {
  if (next_word(cpu_line) != "cpu") {
    return std::nullopt;
  }
  std::uint64_t busy = 0;
  for (int field = 1; field <= kStealField; ++field) {
    const auto ticks = parse_unsigned(next_word(cpu_line));
    if (!ticks) {
      return std::nullopt;
    }
    if (field != kIdleField && field != kIoWaitField) {
      busy += *ticks;
    }
  }
  return busy;
}

ShimLog parse_shim_log(std::string_view text) {
  ShimLog log;
  while (!text.empty()) {
    const auto end = std::min(text.find('\n'), text.size());
    parse_shim_line(text.substr(0, end), log);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return log;
}

std::vector<KeyLatency> key_latencies(const std::vector<std::int64_t>& presses,
                                      const ShimLog& log) {
  std::vector<KeyLatency> latencies;
  if (presses.empty()) {
    return latencies;
  }
  const auto first_delivery =
      std::lower_bound(log.key_deliveries.begin(), log.key_deliveries.end(), presses.front());
  const auto deliveries = static_cast<std::size_t>(log.key_deliveries.end() - first_delivery);
  const auto count = std::min(presses.size(), deliveries);
  for (std::size_t i = 0; i < count; ++i) {
    const auto delivered = first_delivery[static_cast<std::ptrdiff_t>(i)];
    const auto frame =
        std::lower_bound(log.frames_after_keys.begin(), log.frames_after_keys.end(), delivered);
    if (frame == log.frames_after_keys.end()) {
      break;
    }
    latencies.push_back(KeyLatency{.delivered_ms = milliseconds_between(presses[i], delivered),
                                   .shown_ms = milliseconds_between(presses[i], *frame)});
  }
  return latencies;
}
