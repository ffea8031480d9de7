// Geometry keys of lines (either direction), arcs and notes.
#include "picture/twin_index.hpp"

#include <cmath>
#include <optional>
#include <vector>

namespace standin::picture {
namespace {

constexpr double kQuantum = 1e-3;    // millimetres (radians for arc angles)
constexpr double kTolerance = 1e-6;  // how far twins may lie apart beyond the offset
constexpr double kLargest = 1e15;    // quanta; beyond, every value is one key

struct Shape {
    char kind = 0;
    std::vector<double> values;
    std::string text;
};

// The object's geometry, moved back by `shift`; none for objects that have
// no twins (bodies, points, sheets, ...).
std::optional<Shape> shape_of(const Object& o, std::array<double, 2> shift, bool reversed) {
    const double dx = shift[0];
    const double dy = shift[1];
    if (o.line) {
        const auto& a = reversed ? o.line->end : o.line->start;
        const auto& b = reversed ? o.line->start : o.line->end;
        return Shape{'l', {a[0] - dx, a[1] - dy, b[0] - dx, b[1] - dy}, {}};
    }
    if (reversed) return std::nullopt;
    if (o.arc) {
        const Arc& a = *o.arc;
        return Shape{
            'a', {a.centre[0] - dx, a.centre[1] - dy, a.radius, a.start_angle, a.end_angle}, {}};
    }
    if (o.drafting && o.type == RQ_drafting_entity_type) {
        std::string text;
        for (const std::string& line : o.drafting->text) text += line + '\n';
        return Shape{
            'n', {o.drafting->origin[0] - dx, o.drafting->origin[1] - dy}, std::move(text)};
    }
    return std::nullopt;
}

double quanta(double value) {
    const double q = value / kQuantum;
    return std::isfinite(q) ? std::fmax(-kLargest, std::fmin(kLargest, q)) : kLargest;
}

void append_cell(std::string& key, double cell) {
    const long long n = static_cast<long long>(cell);
    key.append(reinterpret_cast<const char*>(&n), sizeof n);
}

// Every key the values may take: a value within the tolerance of a cell's
// edge goes into both cells, so that its twin, rounded, finds one of them.
void all_keys(const Shape& shape, std::size_t i, std::string& key,
              std::unordered_set<std::string>& out) {
    if (i == shape.values.size()) {
        out.insert(key + shape.text);
        return;
    }
    const double q = quanta(shape.values[i]);
    const double nearest = std::round(q);
    const std::size_t length = key.size();
    append_cell(key, nearest);
    all_keys(shape, i + 1, key, out);
    key.resize(length);
    const double low = std::floor(q);
    if (std::fabs(q - low - 0.5) * kQuantum <= kTolerance) {
        append_cell(key, nearest == low ? low + 1 : low);
        all_keys(shape, i + 1, key, out);
        key.resize(length);
    }
}

std::string nearest_key(const Shape& shape) {
    std::string key(1, shape.kind);
    for (double v : shape.values) append_cell(key, std::round(quanta(v)));
    return key + shape.text;
}

}  // namespace

void TwinIndex::add(const Object& object) {
    for (bool reversed : {false, true}) {
        if (const auto shape = shape_of(object, {0, 0}, reversed)) {
            std::string key(1, shape->kind);
            all_keys(*shape, 0, key, keys_);
        }
    }
}

bool TwinIndex::has_twin(const Object& object) const {
    const auto shape = shape_of(object, offset_, false);
    return shape && keys_.contains(nearest_key(*shape));
}

}  // namespace standin::picture
