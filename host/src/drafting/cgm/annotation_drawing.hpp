// Drafting objects as a sheet shows them, in sheet coordinates: notes and
// labels with their displayed texts, dimensions with their lines, arrows
// and texts, patterns as their frame and name.
#pragma once

#include "drafting/cgm/sheet_scene.hpp"
#include "parts/store.hpp"

namespace standin::cgm {

// Size of a pattern's frame at scale 1, in sheet units.
inline constexpr double kPatternFrameWidth = 40.0;
inline constexpr double kPatternFrameHeight = 20.0;

// True for the objects drawn here (drafting objects, dimensions, patterns).
bool is_annotation(const Object& object);
// Adds the object's strokes and labels in the pen given.
void add_annotation(const Object& object, const Pen& pen, SceneGroup& out);

}  // namespace standin::cgm
