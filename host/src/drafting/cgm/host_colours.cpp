// The host's palette: fifteen named colours, dark enough to show on white,
// and a fixed wheel of hues for the numbers above them.
#include "drafting/cgm/host_colours.hpp"

#include <algorithm>
#include <cmath>

namespace standin::cgm {
namespace {

constexpr std::array<Rgb, 16> kNamedColours{{
    {255, 255, 255},  // 0 background
    {0, 0, 0},        // 1 black
    {0, 150, 0},      // 2 green
    {0, 150, 170},    // 3 cyan
    {210, 0, 0},      // 4 red
    {190, 0, 190},    // 5 magenta
    {190, 150, 0},    // 6 yellow (dark enough for white paper)
    {128, 128, 128},  // 7 grey
    {0, 0, 210},      // 8 blue
    {230, 110, 0},    // 9 orange
    {110, 0, 160},    // 10 purple
    {140, 80, 20},    // 11 brown
    {100, 130, 0},    // 12 olive
    {0, 100, 120},    // 13 teal
    {220, 80, 140},   // 14 pink
    {0, 40, 110},     // 15 navy
}};

// Numbers above 15 step round the hue circle by 37 degrees, at three levels
// of brightness.
Rgb wheel_colour(int colour) {
    const int step = colour - static_cast<int>(kNamedColours.size());
    const double hue = std::fmod(step * 37.0, 360.0) / 60.0;
    const double value = 0.9 - 0.2 * (step % 3);
    const double chroma = value * 0.85;
    const double x = chroma * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
        case 0:
            r = chroma;
            g = x;
            break;
        case 1:
            r = x;
            g = chroma;
            break;
        case 2:
            g = chroma;
            b = x;
            break;
        case 3:
            g = x;
            b = chroma;
            break;
        case 4:
            r = x;
            b = chroma;
            break;
        default:
            r = chroma;
            b = x;
            break;
    }
    const double m = value - chroma;
    auto octet = [m](double c) {
        return static_cast<std::uint8_t>(std::clamp(std::lround((c + m) * 255.0), 0L, 255L));
    };
    return {octet(r), octet(g), octet(b)};
}

}  // namespace

Rgb host_colour_rgb(int colour) {
    colour = std::clamp(colour, 0, kMaxHostColour);
    if (colour < static_cast<int>(kNamedColours.size())) return kNamedColours[colour];
    return wheel_colour(colour);
}

}  // namespace standin::cgm
