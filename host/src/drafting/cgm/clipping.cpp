// Liang-Barsky clipping of polylines at a rectangle.
#include "drafting/cgm/clipping.hpp"

#include <cmath>
#include <optional>
#include <utility>

namespace standin::cgm {
namespace {

struct Segment {
    SheetPoint from;
    SheetPoint to;
};

// Narrows [t0, t1] by one edge: p * t <= q keeps the point inside.
bool narrow(double p, double q, double& t0, double& t1) {
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
        if (t > t1) return false;
        if (t > t0) t0 = t;
    } else {
        if (t < t0) return false;
        if (t < t1) t1 = t;
    }
    return true;
}

std::optional<Segment> clip_segment(SheetPoint a, SheetPoint b, const ClipBox& box) {
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    double t0 = 0.0;
    double t1 = 1.0;
    if (!narrow(-dx, a[0] - box.x_min, t0, t1) || !narrow(dx, box.x_max - a[0], t0, t1) ||
        !narrow(-dy, a[1] - box.y_min, t0, t1) || !narrow(dy, box.y_max - a[1], t0, t1))
        return std::nullopt;
    Segment s{a, b};
    if (t0 > 0) s.from = {a[0] + t0 * dx, a[1] + t0 * dy};
    if (t1 < 1) s.to = {a[0] + t1 * dx, a[1] + t1 * dy};
    return s;
}

bool finite(SheetPoint p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]);
}

}  // namespace

std::vector<SheetPath> clip_path(const SheetPath& path, const ClipBox& box) {
    std::vector<SheetPath> pieces;
    if (box.empty()) return pieces;
    SheetPath current;
    auto close_current = [&] {
        if (current.size() >= 2) pieces.push_back(std::move(current));
        current.clear();
    };
    for (std::size_t i = 1; i < path.size(); ++i) {
        std::optional<Segment> s;
        if (finite(path[i - 1]) && finite(path[i])) s = clip_segment(path[i - 1], path[i], box);
        if (!s) {
            close_current();
            continue;
        }
        // A piece continues only where the segment starts unclipped.
        if (current.empty() || current.back() != s->from) {
            close_current();
            current.push_back(s->from);
        }
        current.push_back(s->to);
        if (s->to != path[i]) close_current();
    }
    close_current();
    return pieces;
}

}  // namespace standin::cgm
