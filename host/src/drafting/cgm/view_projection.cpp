// Projection of model geometry into a drawing view.
#include "drafting/cgm/view_projection.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace standin::cgm {
namespace {

constexpr int kSegmentsPerCircle = 72;
constexpr double kPointCross = 1.5;  // half the size of a point's cross, in sheet units
constexpr double kParallel = 1e-9;

ModelPoint add(const ModelPoint& a, const ModelPoint& b, double factor = 1.0) {
    return {a[0] + factor * b[0], a[1] + factor * b[1], a[2] + factor * b[2]};
}
double dot(const ModelPoint& a, const ModelPoint& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
ModelPoint cross(const ModelPoint& a, const ModelPoint& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
ModelPoint row(const std::array<double, 9>& m, int i) {
    return {m[3 * i], m[3 * i + 1], m[3 * i + 2]};
}

int segments_for(double sweep) {
    const double turns = std::min(1.0, std::fabs(sweep) / (2 * std::numbers::pi));
    return std::max(8, static_cast<int>(std::ceil(turns * kSegmentsPerCircle)));
}

// A circle or arc in the plane of two model directions, projected.
SheetPath model_arc(const ViewProjection& view, const ModelPoint& centre, const ModelPoint& u,
                    const ModelPoint& v, double radius, double start, double sweep) {
    const int n = segments_for(sweep);
    SheetPath path;
    path.reserve(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const double t = start + sweep * i / n;
        path.push_back(
            view.project(add(add(centre, u, radius * std::cos(t)), v, radius * std::sin(t))));
    }
    return path;
}

void add_stroke(std::vector<Stroke>& out, SheetPath points, const Pen& pen) {
    out.push_back(Stroke{std::move(points), pen.colour, pen.font, pen.width});
}

void add_block(const Body& body, const ViewProjection& view, const Pen& pen,
               std::vector<Stroke>& out) {
    const ModelPoint ex = row(body.axes, 0), ey = row(body.axes, 1), ez = row(body.axes, 2);
    auto corner = [&](int i, int j, int k) {
        ModelPoint p = add(body.origin, ex, i * body.size[0]);
        p = add(p, ey, j * body.size[1]);
        return view.project(add(p, ez, k * body.size[2]));
    };
    for (int k = 0; k <= 1; ++k)
        add_stroke(
            out,
            {corner(0, 0, k), corner(1, 0, k), corner(1, 1, k), corner(0, 1, k), corner(0, 0, k)},
            pen);
    for (int i = 0; i <= 1; ++i)
        for (int j = 0; j <= 1; ++j) add_stroke(out, {corner(i, j, 0), corner(i, j, 1)}, pen);
}

void add_cylinder(const Body& body, const ViewProjection& view, const Pen& pen,
                  std::vector<Stroke>& out) {
    const double radius = body.size[0];
    const double height = body.size[1];
    const ModelPoint ex = row(body.axes, 0), ey = row(body.axes, 1), axis = row(body.axes, 2);
    const ModelPoint top = add(body.origin, axis, height);
    add_stroke(out, model_arc(view, body.origin, ex, ey, radius, 0, 2 * std::numbers::pi), pen);
    add_stroke(out, model_arc(view, top, ex, ey, radius, 0, 2 * std::numbers::pi), pen);
    // The sides the view sees: where the surface turns away from the viewer.
    ModelPoint side = cross(axis, view.towards_viewer());
    const double length = std::sqrt(dot(side, side));
    if (length < kParallel) return;  // seen along its axis: the circles are its outline
    side = {side[0] / length, side[1] / length, side[2] / length};
    for (double s : {1.0, -1.0})
        add_stroke(out,
                   {view.project(add(body.origin, side, s * radius)),
                    view.project(add(top, side, s * radius))},
                   pen);
}

void add_sphere(const Body& body, const ViewProjection& view, const Pen& pen,
                std::vector<Stroke>& out) {
    // Its outline is a circle of its radius about its centre in every view.
    const SheetPoint c = view.project(body.origin);
    const double r = body.size[0] * view.scale();
    SheetPath path;
    for (int i = 0; i <= kSegmentsPerCircle; ++i) {
        const double t = 2 * std::numbers::pi * i / kSegmentsPerCircle;
        path.push_back({c[0] + r * std::cos(t), c[1] + r * std::sin(t)});
    }
    add_stroke(out, std::move(path), pen);
}

}  // namespace

ViewProjection::ViewProjection(const View& view)
    : horizontal_(row(view.orientation, 0)),
      vertical_(row(view.orientation, 1)),
      towards_viewer_(row(view.orientation, 2)),
      cos_angle_(std::cos(view.angle * std::numbers::pi / 180.0)),
      sin_angle_(std::sin(view.angle * std::numbers::pi / 180.0)),
      scale_(view.scale),
      reference_(view.reference_point) {}

SheetPoint ViewProjection::project(const ModelPoint& p) const {
    const double u = dot(p, horizontal_) * scale_;
    const double v = dot(p, vertical_) * scale_;
    return {reference_[0] + u * cos_angle_ - v * sin_angle_,
            reference_[1] + u * sin_angle_ + v * cos_angle_};
}

void add_model_strokes(const Object& object, const ViewProjection& view, const Pen& pen,
                       std::vector<Stroke>& out) {
    if (object.point) {
        const SheetPoint c = view.project(object.point->xyz);
        add_stroke(out, {{c[0] - kPointCross, c[1]}, {c[0] + kPointCross, c[1]}}, pen);
        add_stroke(out, {{c[0], c[1] - kPointCross}, {c[0], c[1] + kPointCross}}, pen);
    } else if (object.line) {
        add_stroke(out, {view.project(object.line->start), view.project(object.line->end)}, pen);
    } else if (object.arc) {
        const Arc& a = *object.arc;
        double sweep = a.end_angle - a.start_angle;
        if (std::isfinite(sweep) && sweep <= 0)
            sweep = std::fmod(sweep, 2 * std::numbers::pi) + 2 * std::numbers::pi;
        sweep = std::min(sweep, 2 * std::numbers::pi);
        if (a.radius > 0 && std::isfinite(a.radius) && std::isfinite(a.start_angle) && sweep > 0)
            add_stroke(
                out,
                model_arc(view, a.centre, {1, 0, 0}, {0, 1, 0}, a.radius, a.start_angle, sweep),
                pen);
    } else if (object.body) {
        switch (object.body->shape) {
            case Shape::block:
                add_block(*object.body, view, pen, out);
                break;
            case Shape::cylinder:
                add_cylinder(*object.body, view, pen, out);
                break;
            case Shape::sphere:
                add_sphere(*object.body, view, pen, out);
                break;
            case Shape::none:
                break;
        }
    }
}

}  // namespace standin::cgm
