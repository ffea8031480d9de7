// A picture in sheet millimetres (y upward, as the host has it) written as
// SVG: one user unit a millimetre, a viewBox of the picture's box, a white
// background, line widths and text heights in millimetres.
#pragma once

#include <string>
#include <vector>

#include "drafting/cgm/sheet_scene.hpp"

namespace standin::picture {

// How a group stands out: faint (a twin of what is drawn elsewhere), normal,
// or strong (what changed).
enum class Emphasis { normal, faint, strong };

struct PictureGroup {
    cgm::SceneGroup scene;  // strokes and labels clipped at the scene's box
    Emphasis emphasis = Emphasis::normal;
    std::string name;  // becomes the group's class, for readers of the file
};

struct LegendEntry {
    int colour = 1;  // host colour number
    Emphasis emphasis = Emphasis::normal;
    std::string text;  // session text (ISO-8859-1)
};

struct Picture {
    std::string title;                 // session text
    cgm::ClipBox box;                  // what the viewBox shows, legend excluded
    std::vector<PictureGroup> groups;  // in drawing order
    std::vector<LegendEntry> legend;   // drawn below the box, which grows to hold it
};

// The whole SVG file (UTF-8).
std::string svg_text(const Picture& picture);

// Line width in millimetres of a host width (0 thin, 1 normal, 2 thick).
double line_width_mm(int width);

}  // namespace standin::picture
