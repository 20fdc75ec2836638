// What differs from one platform to the next: the defaults given to SDL's variables before
// it starts, how the main loop sleeps between its passes, and how a failure's message
// reaches the user beyond standard output. Each platform answers in its own folder (web/,
// windows/, x11/ for the X11 desktop, plain/ for any other video driver); CMake builds the
// one the program is for.
#pragma once

#include <cstdint>
#include <string>

// Gives SDL's `variable` the program's `value`, unless the user has set it.
void set_default(const char* variable, const char* value);
// The platform's own defaults, given through set_default before SDL starts: the window's
// scale, where the platform has a display scale.
void set_platform_defaults();

// Whether sleep_until_input ends as soon as input arrives. When it does not, the main loop
// looks at its input at intervals short enough to keep key presses on time.
bool wakes_for_input();
// Sleeps until `timeout_ms` have passed, or until input arrives where wakes_for_input().
void sleep_until_input(std::uint32_t timeout_ms);

// Shows a failure's `message` under `caption` where standard output is not seen, and
// waits until the user has read it; elsewhere does nothing.
void show_failure(const std::string& message, const char* caption);
