// Part-file codecs of curve geometry and view dependency: the "line", "arc"
// and "dependent_view" entries of an object (docs/part-format.md).
#include <array>
#include <memory>
#include <string>

#include "parts/part_file.hpp"
#include "parts/store.hpp"

namespace standin {
namespace {

bool read_number(const ordered_json& value, const char* key, double& out, std::string& error) {
    auto it = value.find(key);
    if (it == value.end() || !number_from_json(*it, out)) {
        error = std::string("\"") + key + "\" is missing or no number";
        return false;
    }
    return true;
}

bool read_point(const ordered_json& value, const char* key, std::array<double, 3>& out,
                std::string& error) {
    auto it = value.find(key);
    bool ok = it != value.end() && it->is_array() && it->size() == 3;
    for (std::size_t i = 0; ok && i < 3; ++i) ok = number_from_json((*it)[i], out[i]);
    if (!ok) error = std::string("\"") + key + "\" is not a list of 3 numbers";
    return ok;
}

ordered_json point_json(const std::array<double, 3>& p) {
    return ordered_json::array({number_to_json(p[0]), number_to_json(p[1]), number_to_json(p[2])});
}

bool load_line(const ordered_json& value, Object& object, const LoadContext&, std::string& error) {
    auto line = std::make_unique<Line>();
    if (!value.is_object()) {
        error = "is not an object";
        return false;
    }
    if (!read_point(value, "start", line->start, error) ||
        !read_point(value, "end", line->end, error))
        return false;
    object.line = std::move(line);
    return true;
}

void save_line(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.line) return;
    entry["line"] = {{"start", point_json(object.line->start)},
                     {"end", point_json(object.line->end)}};
}

bool load_arc(const ordered_json& value, Object& object, const LoadContext&, std::string& error) {
    auto arc = std::make_unique<Arc>();
    if (!value.is_object()) {
        error = "is not an object";
        return false;
    }
    if (!read_point(value, "centre", arc->centre, error) ||
        !read_number(value, "radius", arc->radius, error) ||
        !read_number(value, "start_angle", arc->start_angle, error) ||
        !read_number(value, "end_angle", arc->end_angle, error))
        return false;
    object.arc = std::move(arc);
    return true;
}

void save_arc(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.arc) return;
    const Arc& a = *object.arc;
    entry["arc"] = {{"centre", point_json(a.centre)},
                    {"radius", number_to_json(a.radius)},
                    {"start_angle", number_to_json(a.start_angle)},
                    {"end_angle", number_to_json(a.end_angle)}};
}

bool load_dependent_view(const ordered_json& value, Object& object, const LoadContext& context,
                         std::string& error) {
    return context.resolve(value, object.dependent_view, error);
}

void save_dependent_view(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (std::int64_t id = context.id_of(object.dependent_view)) entry["dependent_view"] = id;
}

struct Registration {
    Registration() {
        register_payload("line", load_line, save_line);
        register_payload("arc", load_arc, save_arc);
        register_payload("dependent_view", load_dependent_view, save_dependent_view);
    }
};
const Registration registration;

}  // namespace
}  // namespace standin
