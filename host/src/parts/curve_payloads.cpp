// Part-file codecs of curve geometry and view dependency: the "line", "arc"
// and "dependent_view" entries of an object (docs/part-format.md).
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "parts/part_file.hpp"
#include "parts/payload_reader.hpp"
#include "parts/store.hpp"

namespace standin {
namespace {

// The keys of a "line" entry; any other is refused.
constexpr std::string_view line_keys[] = {"start", "end"};

bool load_line(const ordered_json& value, Object& object, const LoadContext& context,
               Refusal& error) {
    PayloadReader r(value, context, error, line_keys);
    auto line = std::make_unique<Line>();
    r.require("start");
    r.require("end");
    line->start = r.numbers<3>("start", line->start);
    line->end = r.numbers<3>("end", line->end);
    if (!r.ok()) return false;
    object.line = std::move(line);
    return true;
}

void save_line(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.line) return;
    entry["line"] = {{"start", numbers_json(object.line->start)},
                     {"end", numbers_json(object.line->end)}};
}

// The keys of a "arc" entry; any other is refused.
constexpr std::string_view arc_keys[] = {"centre", "radius", "start_angle", "end_angle"};

bool load_arc(const ordered_json& value, Object& object, const LoadContext& context,
              Refusal& error) {
    PayloadReader r(value, context, error, arc_keys);
    auto arc = std::make_unique<Arc>();
    for (const char* key : {"centre", "radius", "start_angle", "end_angle"}) r.require(key);
    arc->centre = r.numbers<3>("centre", arc->centre);
    arc->radius = r.number("radius", arc->radius);
    arc->start_angle = r.number("start_angle", arc->start_angle);
    arc->end_angle = r.number("end_angle", arc->end_angle);
    if (!r.ok()) return false;
    object.arc = std::move(arc);
    return true;
}

void save_arc(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.arc) return;
    const Arc& a = *object.arc;
    entry["arc"] = {{"centre", numbers_json(a.centre)},
                    {"radius", number_to_json(a.radius)},
                    {"start_angle", number_to_json(a.start_angle)},
                    {"end_angle", number_to_json(a.end_angle)}};
}

bool load_dependent_view(const ordered_json& value, Object& object, const LoadContext& context,
                         Refusal& error) {
    return context.resolve(value, object.dependent_view, error.reason);
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
