// What each platform on the compatibility layer (x11/, windows/) answers with its own
// system's means, for the rules that compat/ keeps once for both.
#pragma once

#include "app/platform.h"

// The desktop the window will open on, as the system tells it; nothing where it cannot.
// desktop() asks for it only where the user has not chosen the window's scale.
std::optional<Desktop> system_desktop();

// Waits until input reaches the system's own queue that SDL reads the window's input from
// (X11's connection, Windows' thread message queue), or until `timeout_ms` have passed.
// sleep_until_input() calls it only where wakes_for_input(), once SDL holds no input.
void wait_for_system_input(std::uint32_t timeout_ms);
