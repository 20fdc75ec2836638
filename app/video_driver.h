// The video drivers the user named for SDL to try, read alike by app/ and the platforms.
#pragma once

#include <cstdlib>
#include <string_view>

inline constexpr const char* kVideoDriverVariable = "SDL_VIDEODRIVER";

// Whether the user named any video driver; SDL otherwise tries each it has, in its order.
inline bool drivers_named() {
  return std::getenv(kVideoDriverVariable) != nullptr;
}

// Whether the user named `driver` (SDL_VIDEODRIVER may hold a list of names).
inline bool driver_named(std::string_view driver) {
  const char* named = std::getenv(kVideoDriverVariable);
  return named != nullptr && std::string_view{named}.find(driver) != std::string_view::npos;
}
