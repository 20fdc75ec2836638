// What the program says, as a user reads it. The tests write each text here once and
// never take it from the program, so that a misspelt caption or message fails them.
#pragma once

#include <string_view>

inline constexpr const char* kCaption = "Vyrtel V0.1";
inline constexpr std::string_view kFontMessage = "Unable to open font file";
inline constexpr std::string_view kInitFailure = "Unable to init SDL: ";
inline constexpr std::string_view kVideoFailure = "Unable to set 640x480 video: ";
inline constexpr std::string_view kNoVideoDevice = "No available video device";
