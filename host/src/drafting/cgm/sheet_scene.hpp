// What a sheet shows, in sheet coordinates, before it is written as CGM:
// strokes (polylines with colour, line font and width) and labels (texts
// with height and angle), in drawing order.
#pragma once

#include <string>
#include <vector>

#include "drafting/cgm/clipping.hpp"

namespace standin::cgm {

inline constexpr double kDefaultTextHeight = 3.5;

struct Stroke {
    SheetPath points;
    int colour = 1;  // host colour number
    int font = 1;
    int width = 0;
};

struct Label {
    SheetPoint at{0, 0};
    std::string text;
    double height = kDefaultTextHeight;
    double angle = 0.0;  // degrees, counterclockwise
    int colour = 1;
};

// One group of strokes and labels clipped at one box.
struct SceneGroup {
    ClipBox clip;
    std::vector<Stroke> strokes;
    std::vector<Label> labels;
};

// The display attributes an object's strokes and labels take.
struct Pen {
    int colour = 1;
    int font = 1;
    int width = 0;
};

}  // namespace standin::cgm
