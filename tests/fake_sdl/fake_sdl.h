// A stand-in for the few SDL calls the program makes, linked into the test binary in place
// of the real library. Tests script what SDL answers (clock, events, failures) and read
// back what the program asked of it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): Xlib's name
struct _XDisplay;

namespace fake_sdl {

struct TimedEvent {
  std::uint64_t at;  // delivered by the first poll once this many ms have passed in the run
  SDL_Event event;
};

struct Surface {
  SDL_Surface sdl;
  SDL_PixelFormat format;
  std::vector<std::uint16_t> pixels;
};

struct Flip {
  SDL_Surface* surface;
  std::uint32_t clock;                // when the flip began
  std::uint64_t shown_at;             // ms passed in the run when it was on the screen
  std::vector<std::uint16_t> pixels;  // the picture as flipped
};

struct Delivery {
  SDL_Event event;
  std::uint64_t at;          // ms passed in the run when it was queued
  std::size_t flips_before;  // so flips[flips_before] is the first frame after it
};

// Surfaces are filled with this before the program sees them, as memory that nobody has
// cleared would be.
inline constexpr std::uint16_t kUnclearedPixel = 0xA5A5;
// A run that has gone on this long without ending is failed and stopped: its next poll
// throws, which unwinds the main routine back to the test.
inline constexpr std::uint32_t kRunawayMs = 600'000;

// NOLINTNEXTLINE(clang-analyzer-optin.performance.Padding): laid out to be read, made once
struct World {
  // What SDL will answer.
  int init_result = 0;
  std::string driver_name = "x11";
  int failing_video_mode_call = -1;  // index of the SDL_SetVideoMode call that fails
  bool lock_fails = false;
  std::uint32_t clock = 0;                  // advanced only by SDL_Delay
  std::deque<std::uint32_t> tick_readings;  // answered before the clock, one per call
  std::deque<TimedEvent> events;
  std::string error = "fake error";
  std::uint32_t flip_ms = 0;  // how long presenting a frame takes
  // Whether the platform's sleep ends when an event arrives (tests/platform), or lasts
  // the time asked.
  bool sleep_wakes_for_input = false;
  // The X connection SDL_GetWMInfo reports the window on; without one, SDL has no window
  // on X11.
  _XDisplay* x11_display = nullptr;
  std::deque<std::uint32_t> slow_flips_ms;  // how long the first frames take, before flip_ms

  // What the program did.
  Uint32 init_flags = 0;
  std::vector<Uint32> video_mode_flags;
  std::vector<std::unique_ptr<Surface>> surfaces;
  bool caption_set = false;
  std::string caption;
  bool icon_caption_given = false;
  int map_rgb_calls = 0;
  int locks = 0;
  int unlocks = 0;
  std::vector<std::uint64_t> polls;  // elapsed_ms at every poll
  int quits = 0;
  std::vector<Flip> flips;
  std::vector<Delivery> deliveries;  // every event the program polled, in order
  std::uint64_t elapsed_ms = 0;  // advanced by SDL_Delay and SDL_Flip
};

World& world();
void reset();

SDL_Event key_down(SDLKey key);
SDL_Event key_up(SDLKey key);
SDL_Event quit_request();

// Whether the next queued event is due, so that a poll now would deliver it.
bool event_due();

// An in-memory 640x480 RGB565 surface of the kind SDL_SetVideoMode hands out.
SDL_Surface* make_surface(Uint32 flags);

}  // namespace fake_sdl
