#include "polling.h"

#include <thread>

namespace {

// Between two looks at a condition: short next to the 250 ms blink, long enough that
// polling costs the program under test little of the machine.
constexpr std::chrono::milliseconds kPollInterval{10};

}  // namespace

bool poll_until(std::chrono::milliseconds timeout, const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}
