// Waiting on a condition rather than for a fixed time.
#pragma once

#include <chrono>
#include <functional>

// Checks `condition` every few milliseconds until it holds or `timeout` passes. Returns
// whether the condition held.
bool poll_until(std::chrono::milliseconds timeout, const std::function<bool()>& condition);
