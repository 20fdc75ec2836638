// The main routine and the routines of the application shell it is made of: start-up,
// the display mode, the key handler, the blink timer and the main loop. They deal with
// SDL's video set-up, events and clock; the drawing itself is in display/.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_state.h"

// Start-up, in start_up.cpp. Each prints its failure message and returns false.
//
// Initialises SDL and checks that the video driver it chose can show the picture, then
// chooses how frames are presented on that driver.
bool init_sdl();
// Loads the font image, opens the display in window form with its caption, and sets the
// cursor and the frame pacing going.
bool start_up(AppState& state);

// Opens the display in window form (false) or full-screen form (true). On success `screen`
// becomes the new surface, cleared to black and with its colours mapped; on failure it is
// left as it was and false is returned.
bool set_display_mode(ScreenSurface& screen, bool full_screen);

// Prints a failure's message on standard output; on Windows, where that goes to a file,
// also shows it in a message box and waits until the user closes it.
void report_failure(const std::string& message);
// Reports a display that could not be set, at start-up or on a switch.
void report_video_failure();

// Whether the key handler switched the display mode successfully, or found the switch
// impossible (its message already printed).
enum class KeyOutcome { kHandled, kDisplayModeFailed };

// Acts on one key press other than Escape: the arrows move the cursor one cell, Space
// switches between window and full screen; every other key does nothing.
KeyOutcome handle_key(SDLKey key, ScreenSurface& screen, bool& full_screen, CursorState& cursor);

// Toggles the blink when more than 250 ms have passed since the last toggle, storing a
// fresh tick reading as the new timestamp. Returns whether it toggled.
bool run_blink_timer(CursorState& cursor);

// The main routine: start-up, then the main loop until a quit request. Returns the exit
// status: 0 after a quit request, 1 for a failed start-up or display-mode switch, -1 when
// a frame cannot lock the surface.
int vyrtel_main(int argc, char** argv);
