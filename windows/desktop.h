// What the program asks of Windows itself, beside SDL: the desktop its window opens on
// (system_desktop, compat/system.h), and a message box for a failure, which a windowed
// program's standard output never shows.
#pragma once

#include <string_view>

// Shows `message` (UTF-8; a final line end is dropped) in a message box titled `caption`
// and waits until the user closes it. Nothing is shown when the user has asked for
// standard output on the console (SDL_STDIO_REDIRECT set to 0).
void show_failure_box(std::string_view message, const char* caption);
