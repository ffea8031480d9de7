// Clipping of sheet geometry at a rectangle (the sheet's edges, a view's
// borders): lines are cut where they cross the edge, never bent.
#pragma once

#include <array>
#include <vector>

namespace standin::cgm {

using SheetPoint = std::array<double, 2>;
using SheetPath = std::vector<SheetPoint>;

struct ClipBox {
    double x_min = 0;
    double y_min = 0;
    double x_max = 0;
    double y_max = 0;
    bool contains(SheetPoint p) const {
        return p[0] >= x_min && p[0] <= x_max && p[1] >= y_min && p[1] <= y_max;
    }
    bool empty() const { return !(x_max > x_min && y_max > y_min); }
};

// The parts of a polyline inside the box, each a polyline of two or more
// points (Liang-Barsky per segment; neighbouring visible pieces joined).
std::vector<SheetPath> clip_path(const SheetPath& path, const ClipBox& box);

}  // namespace standin::cgm
