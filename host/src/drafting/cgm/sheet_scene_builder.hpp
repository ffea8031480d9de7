// Gathers what a drawing sheet shows: for each member view the model
// objects it displays, projected and clipped at its borders, then its border
// and name; then the sheet's view-dependent objects, the views' notes and
// annotations, the sheet's own items and its frame, clipped at the sheet.
#pragma once

#include <array>
#include <vector>

#include "drafting/cgm/sheet_scene.hpp"
#include "parts/store.hpp"

namespace standin::cgm {

inline constexpr double kDefaultSheetWidth = 420.0;  // A3 landscape, in sheet units
inline constexpr double kDefaultSheetHeight = 297.0;

// Width and height of a sheet (a type-62 object): its size, or A3.
std::array<double, 2> sheet_size(const Object& sheet_object);
// The groups in drawing order (`sheet_object` is a type-62 object).
std::vector<SceneGroup> sheet_scene(const Object& sheet_object);

}  // namespace standin::cgm
