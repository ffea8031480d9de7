// Model geometry as a drawing view shows it: points, lines, arcs and the
// outlines of bodies (a block's edges; a cylinder's end circles and the two
// lines along its sides that the view sees; a sphere's outline circle),
// projected onto the sheet by the view's orientation, angle, scale and
// reference point.
#pragma once

#include <array>

#include "drafting/cgm/sheet_scene.hpp"
#include "parts/store.hpp"

namespace standin::cgm {

using ModelPoint = std::array<double, 3>;

class ViewProjection {
  public:
    explicit ViewProjection(const View& view);
    // The identity: model x and y are sheet x and y (a sheet's own view).
    ViewProjection() = default;

    SheetPoint project(const ModelPoint& p) const;
    const ModelPoint& towards_viewer() const { return towards_viewer_; }
    double scale() const { return scale_; }

  private:
    ModelPoint horizontal_{1, 0, 0};
    ModelPoint vertical_{0, 1, 0};
    ModelPoint towards_viewer_{0, 0, 1};
    double cos_angle_ = 1.0;
    double sin_angle_ = 0.0;
    double scale_ = 1.0;
    SheetPoint reference_{0, 0};
};

// Adds the strokes of a point, line, arc or body object (nothing for other
// objects) in the pen given.
void add_model_strokes(const Object& object, const ViewProjection& view, const Pen& pen,
                       std::vector<Stroke>& out);

}  // namespace standin::cgm
