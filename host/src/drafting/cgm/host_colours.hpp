// The host's colour numbers as red, green and blue: what the CGM exports
// write into their COLOUR TABLE. 0 is the sheet's white background.
#pragma once

#include <array>
#include <cstdint>

namespace standin::cgm {

using Rgb = std::array<std::uint8_t, 3>;

inline constexpr int kMaxHostColour = 255;

// The colour of a host colour number (clamped to 0..255).
Rgb host_colour_rgb(int colour);

}  // namespace standin::cgm
