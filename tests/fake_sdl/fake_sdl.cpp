#include "tests/fake_sdl/fake_sdl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fake_sdl {

World& world() {
  static World the_world;
  return the_world;
}

void reset() {
  world() = World{};
}

namespace {

SDL_Event keyboard_event(Uint8 type, SDLKey key) {
  SDL_Event event{};
  event.type = type;
  event.key.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  return event;
}

void init_rgb565(SDL_PixelFormat& format) {
  format = SDL_PixelFormat{};
  format.BitsPerPixel = 16;
  format.BytesPerPixel = 2;
  format.Rloss = 3;
  format.Gloss = 2;
  format.Bloss = 3;
  format.Rshift = 11;
  format.Gshift = 5;
  format.Bshift = 0;
  format.Rmask = 0xF800;
  format.Gmask = 0x07E0;
  format.Bmask = 0x001F;
}

}  // namespace

SDL_Event key_down(SDLKey key) {
  return keyboard_event(SDL_KEYDOWN, key);
}
SDL_Event key_up(SDLKey key) {
  return keyboard_event(SDL_KEYUP, key);
}

SDL_Event quit_request() {
  SDL_Event event{};
  event.type = SDL_QUIT;
  return event;
}

bool event_due() {
  return !world().events.empty() && world().events.front().at <= world().elapsed_ms;
}

SDL_Surface* make_surface(Uint32 flags) {
  auto surface = std::make_unique<Surface>();
  init_rgb565(surface->format);
  surface->pixels.assign(std::size_t{640} * 480, kUnclearedPixel);
  SDL_Surface& sdl = surface->sdl;
  sdl = SDL_Surface{};
  sdl.flags = flags;
  sdl.format = &surface->format;
  sdl.w = 640;
  sdl.h = 480;
  sdl.pitch = 640 * 2;
  sdl.pixels = surface->pixels.data();
  world().surfaces.push_back(std::move(surface));
  return &world().surfaces.back()->sdl;
}

}  // namespace fake_sdl

using fake_sdl::world;

int SDL_Init(Uint32 flags) {
  world().init_flags = flags;
  return world().init_result;
}

void SDL_Quit(void) {
  ++world().quits;
}

char* SDL_GetError(void) {
  return world().error.data();
}

void SDL_SetError(const char* fmt, ...) {
  char text[256];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  world().error = text;
}

char* SDL_VideoDriverName(char* namebuf, int maxlen) {
  std::snprintf(namebuf, static_cast<std::size_t>(maxlen), "%s", world().driver_name.c_str());
  return namebuf;
}

namespace {

// SDL2's wayland driver has no framebuffer of its own: told to present without
// acceleration, it cannot open the display.
bool presentation_impossible() {
  const char* acceleration = std::getenv("SDL_FRAMEBUFFER_ACCELERATION");
  return world().driver_name == "wayland" && acceleration != nullptr &&
         std::string_view{acceleration} == "0";
}

}  // namespace

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(bpp, 16);
  const auto call = static_cast<int>(world().video_mode_flags.size());
  world().video_mode_flags.push_back(flags);
  if (call == world().failing_video_mode_call || presentation_impossible()) {
    return nullptr;
  }
  return fake_sdl::make_surface(flags);
}

void SDL_WM_SetCaption(const char* title, const char* icon) {
  world().caption_set = true;
  world().caption = title;
  world().icon_caption_given = icon != nullptr;
}

Uint32 SDL_MapRGB(const SDL_PixelFormat* const format, const Uint8 r, const Uint8 g,
                  const Uint8 b) {
  ++world().map_rgb_calls;
  return (static_cast<Uint32>(r >> format->Rloss) << format->Rshift) |
         (static_cast<Uint32>(g >> format->Gloss) << format->Gshift) |
         (static_cast<Uint32>(b >> format->Bloss) << format->Bshift);
}

int SDL_FillRect(SDL_Surface* dst, SDL_Rect* dstrect, Uint32 color) {
  const int left = dstrect == nullptr ? 0 : std::max(0, static_cast<int>(dstrect->x));
  const int top = dstrect == nullptr ? 0 : std::max(0, static_cast<int>(dstrect->y));
  const int right = dstrect == nullptr ? dst->w : std::min(dst->w, dstrect->x + dstrect->w);
  const int bottom = dstrect == nullptr ? dst->h : std::min(dst->h, dstrect->y + dstrect->h);
  auto* pixels = static_cast<Uint16*>(dst->pixels);
  for (int y = top; y < bottom; ++y) {
    std::fill(pixels + y * dst->pitch / 2 + left, pixels + y * dst->pitch / 2 + right,
              static_cast<Uint16>(color));
  }
  return 0;
}

int SDL_LockSurface(SDL_Surface* /*surface*/) {
  ++world().locks;
  return world().lock_fails ? -1 : 0;
}

void SDL_UnlockSurface(SDL_Surface* /*surface*/) {
  ++world().unlocks;
}

int SDL_Flip(SDL_Surface* screen) {
  const auto* pixels = static_cast<const Uint16*>(screen->pixels);
  std::uint32_t takes_ms = world().flip_ms;
  if (!world().slow_flips_ms.empty()) {
    takes_ms = world().slow_flips_ms.front();
    world().slow_flips_ms.pop_front();
  }
  world().flips.push_back(fake_sdl::Flip{
      .surface = screen,
      .clock = world().clock,
      .shown_at = world().elapsed_ms + takes_ms,
      .pixels = std::vector<std::uint16_t>(pixels, pixels + screen->h * screen->pitch / 2),
  });
  world().clock += takes_ms;
  world().elapsed_ms += takes_ms;
  return 0;
}

int SDL_PollEvent(SDL_Event* event) {
  world().polls.push_back(world().elapsed_ms);
  auto& events = world().events;
  if (world().elapsed_ms >= fake_sdl::kRunawayMs) {
    // A quit event would not do: a program that ignores quit requests, or drains without
    // end, would go on for ever.
    throw std::runtime_error("the program ran on past " + std::to_string(fake_sdl::kRunawayMs) +
                             " ms");
  }
  if (!fake_sdl::event_due()) {
    return 0;
  }
  *event = events.front().event;
  world().deliveries.push_back(
      {.event = *event, .at = events.front().at, .flips_before = world().flips.size()});
  events.pop_front();
  return 1;
}

Uint32 SDL_GetTicks(void) {
  auto& readings = world().tick_readings;
  if (readings.empty()) {
    return world().clock;
  }
  const std::uint32_t reading = readings.front();
  readings.pop_front();
  return reading;
}

void SDL_Delay(Uint32 ms) {
  world().clock += ms;
  world().elapsed_ms += ms;
}

void SDL_PumpEvents(void) {}

int SDL_PeepEvents(SDL_Event* /*events*/, int /*numevents*/, SDL_eventaction action,
                   Uint32 /*mask*/) {
  EXPECT_EQ(action, SDL_PEEKEVENT) << "only a look at the queue is expected";
  return fake_sdl::event_due() ? 1 : 0;
}
