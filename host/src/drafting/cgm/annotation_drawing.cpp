// Notes, labels, dimensions and patterns drawn in sheet coordinates.
#include "drafting/cgm/annotation_drawing.hpp"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "kavoopen/kavoopen_annotations.hpp"

namespace standin::cgm {
namespace {

constexpr double kLineSpacing = 1.5;  // text lines stand this many heights apart
constexpr double kArrowLength = 3.0;
constexpr double kArrowHalfAngle = 15.0 * std::numbers::pi / 180.0;
constexpr double kTextGap = 1.0;  // between a dimension's line and its text
constexpr double kPatternNameInset = 1.0;

SheetPoint plus(SheetPoint a, SheetPoint b, double factor = 1.0) {
    return {a[0] + factor * b[0], a[1] + factor * b[1]};
}

// Lines of text from `at` downwards, each `height` * kLineSpacing below the
// one before, turned by `angle` degrees.
void add_text_lines(const std::vector<std::string>& lines, SheetPoint at, double height,
                    double angle, const Pen& pen, SceneGroup& out) {
    const double a = angle * std::numbers::pi / 180.0;
    const SheetPoint down{std::sin(a), -std::cos(a)};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.labels.push_back(Label{plus(at, down, static_cast<double>(i) * height * kLineSpacing),
                                   lines[i], height, angle, pen.colour});
    }
}

// Height and angle of the first text block, else the defaults.
void text_style(const Drafting& d, double& height, double& angle) {
    height = kDefaultTextHeight;
    angle = 0.0;
    if (d.text_blocks.empty()) return;
    if (d.text_blocks[0].size > 0 && std::isfinite(d.text_blocks[0].size))
        height = d.text_blocks[0].size;
    if (std::isfinite(d.text_blocks[0].angle)) angle = d.text_blocks[0].angle;
}

std::vector<std::string> evaluated(const Part* part, const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const std::string& line : lines) out.push_back(evaluated_text(part, line));
    return out;
}

// A note or label: its displayed texts at its origin. A text that cannot be
// read shows nothing.
void add_note(const Object& object, const Pen& pen, SceneGroup& out) {
    if (!object.drafting || object.drafting->text_throws) return;
    const Drafting& d = *object.drafting;
    double height = 0, angle = 0;
    text_style(d, height, angle);
    add_text_lines(evaluated(find_part(object.part), d.text), {d.origin[0], d.origin[1]}, height,
                   angle, pen, out);
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (p.empty()) continue;
        if (!out.empty()) out += ' ';
        out += p;
    }
    return out;
}

// An open arrow head at `tip` pointing along `direction` (a unit vector).
SheetPath arrow_head(SheetPoint tip, SheetPoint direction) {
    auto wing = [&](double turn) {
        const double c = std::cos(turn), s = std::sin(turn);
        const SheetPoint back{-(direction[0] * c - direction[1] * s),
                              -(direction[0] * s + direction[1] * c)};
        return plus(tip, back, kArrowLength);
    };
    return {wing(kArrowHalfAngle), tip, wing(-kArrowHalfAngle)};
}

// The dimension line through the text's origin: horizontal (subtype 1),
// vertical (2) or parallel to the measured points (others); extension lines
// from the measured points to it; an arrow head at each end.
void add_dimension_lines(const Dimension& dim, SheetPoint origin, int subtype, const Pen& pen,
                         SceneGroup& out) {
    const SheetPoint p1{dim.measured[0], dim.measured[1]};
    const SheetPoint p2{dim.measured[2], dim.measured[3]};
    SheetPoint e1, e2;
    if (subtype == 1) {
        e1 = {p1[0], origin[1]};
        e2 = {p2[0], origin[1]};
    } else if (subtype == 2) {
        e1 = {origin[0], p1[1]};
        e2 = {origin[0], p2[1]};
    } else {
        const double dx = p2[0] - p1[0], dy = p2[1] - p1[1];
        const double length = std::hypot(dx, dy);
        if (!(length > 0)) return;
        const SheetPoint normal{-dy / length, dx / length};
        const double offset = (origin[0] - p1[0]) * normal[0] + (origin[1] - p1[1]) * normal[1];
        e1 = plus(p1, normal, offset);
        e2 = plus(p2, normal, offset);
    }
    const double length = std::hypot(e2[0] - e1[0], e2[1] - e1[1]);
    if (!(length > 0)) return;
    const SheetPoint along{(e2[0] - e1[0]) / length, (e2[1] - e1[1]) / length};
    auto stroke = [&](SheetPath path) {
        out.strokes.push_back(Stroke{std::move(path), pen.colour, pen.font, pen.width});
    };
    stroke({p1, e1});
    stroke({p2, e2});
    stroke({e1, e2});
    stroke(arrow_head(e1, {-along[0], -along[1]}));
    stroke(arrow_head(e2, along));
}

// The measurement with the texts before and after it on one line at the
// origin, the texts above over it and those below under it. The appended
// texts are the evaluated ones; a getter that fails shows none of them.
void add_dimension_texts(const Object& object, const Pen& pen, SceneGroup& out) {
    const Drafting* d = object.drafting.get();
    const Dimension& dim = *object.dimension;
    const SheetPoint origin =
        d != nullptr ? SheetPoint{d->origin[0], d->origin[1]} : SheetPoint{0, 0};
    double height = kDefaultTextHeight, angle = 0;
    if (d != nullptr) text_style(*d, height, angle);
    std::vector<std::string> measurement;
    if (d != nullptr && !d->text_blocks.empty()) measurement = d->text_blocks[0].lines;
    const Part* part = find_part(object.part);
    const bool appended = dim.throwing_getter.empty();
    std::vector<std::string> main_line;
    if (appended) main_line = evaluated(part, dim.before_text);
    main_line.push_back(joined(measurement));
    if (appended) {
        for (std::string& t : evaluated(part, dim.after_text)) main_line.push_back(std::move(t));
    }
    std::vector<std::string> lines;
    if (appended) lines = evaluated(part, dim.above_text);
    const std::size_t above = lines.size();
    lines.push_back(joined(main_line));
    if (appended) {
        for (std::string& t : evaluated(part, dim.below_text)) lines.push_back(std::move(t));
    }
    const double a = angle * std::numbers::pi / 180.0;
    const SheetPoint up{-std::sin(a), std::cos(a)};
    const SheetPoint first =
        plus(origin, up, kTextGap + static_cast<double>(above) * height * kLineSpacing);
    add_text_lines(lines, first, height, angle, pen, out);
}

void add_dimension(const Object& object, const Pen& pen, SceneGroup& out) {
    if (!object.dimension) return;
    if (object.dimension->has_measured) {
        const SheetPoint origin =
            object.drafting ? SheetPoint{object.drafting->origin[0], object.drafting->origin[1]}
                            : SheetPoint{0, 0};
        add_dimension_lines(*object.dimension, origin, object.subtype, pen, out);
    }
    add_dimension_texts(object, pen, out);
}

// A pattern's frame (kPatternFrameWidth x kPatternFrameHeight times its
// scale, turned by its matrix) from its origin, and its name inside.
void add_pattern(const Object& object, const Pen& pen, SceneGroup& out) {
    static const Pattern kDefault;
    const Pattern& p = object.pattern ? *object.pattern : kDefault;
    const SheetPoint origin{p.data[9], p.data[10]};
    const double scale = p.data[12];
    const SheetPoint ex{p.data[0] * scale, p.data[1] * scale};
    const SheetPoint ey{p.data[3] * scale, p.data[4] * scale};
    const SheetPoint c1 = plus(origin, ex, kPatternFrameWidth);
    const SheetPoint c2 = plus(c1, ey, kPatternFrameHeight);
    const SheetPoint c3 = plus(origin, ey, kPatternFrameHeight);
    out.strokes.push_back(Stroke{{origin, c1, c2, c3, origin}, pen.colour, pen.font, pen.width});
    const std::string name = p.pattern_name.value_or(object.name.value_or(""));
    if (name.empty()) return;
    const double angle = std::atan2(ex[1], ex[0]) * 180.0 / std::numbers::pi;
    const SheetPoint at = plus(plus(origin, ex, kPatternNameInset), ey, kPatternNameInset);
    out.labels.push_back(
        Label{at, name, kDefaultTextHeight, std::isfinite(angle) ? angle : 0.0, pen.colour});
}

}  // namespace

bool is_annotation(const Object& object) {
    return object.type == RQ_drafting_entity_type || object.type == RQ_dimension_type ||
           object.type == RQ_pattern_type;
}

void add_annotation(const Object& object, const Pen& pen, SceneGroup& out) {
    switch (object.type) {
        case RQ_drafting_entity_type:
            if (object.subtype == 1 || object.subtype == 2) add_note(object, pen, out);
            break;
        case RQ_dimension_type:
            add_dimension(object, pen, out);
            break;
        case RQ_pattern_type:
            add_pattern(object, pen, out);
            break;
        default:
            break;
    }
}

}  // namespace standin::cgm
