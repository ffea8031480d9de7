// Part-file codecs of the drawing data: "sheet", "view", "pattern" and
// "dimension" entries of an object (docs/part-format.md).
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drafting/cgm/sheet_content.hpp"
#include "parts/part_file.hpp"
#include "parts/payload_reader.hpp"
#include "parts/store.hpp"
#include "session/text_encoding.hpp"

namespace standin {
namespace {

// ---- view ---------------------------------------------------------------------
// The keys of a "view" entry; any other is refused.
constexpr std::string_view view_keys[] = {
    "out_of_date", "update_code", "reference_point", "anchor",       "scale",
    "angle",       "borders",     "view_type",       "view_subtype", "notes",
    "model_part",  "objects",     "orientation"};

bool load_view(const ordered_json& value, Object& object, const LoadContext& context,
               Refusal& error) {
    PayloadReader r(value, context, error, view_keys);
    auto view = std::make_unique<View>();
    view->out_of_date = r.boolean("out_of_date", false);
    view->update_code = r.integer("update_code", 0);
    view->reference_point = r.numbers<2>("reference_point", {0, 0});
    view->anchor = r.ref("anchor");
    view->scale = r.number("scale", 1.0);
    view->angle = r.number("angle", 0.0);
    view->borders = r.numbers<4>("borders", {0, 0, 0, 0});
    view->view_type = r.integer("view_type", 0);
    view->view_subtype = r.integer("view_subtype", 0);
    view->notes = r.refs("notes");
    view->model_part = r.text("model_part", "");
    view->objects = r.refs("objects");
    view->orientation = r.numbers<9>("orientation", view->orientation);
    if (!r.ok()) return false;
    object.view = std::move(view);
    return true;
}

void save_view(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (!object.view) return;
    const View& v = *object.view;
    ordered_json j;
    j["out_of_date"] = v.out_of_date;
    if (v.update_code != 0) j["update_code"] = v.update_code;
    j["reference_point"] = numbers_json(v.reference_point);
    put_ref(j, "anchor", v.anchor, context);
    j["scale"] = number_to_json(v.scale);
    j["angle"] = number_to_json(v.angle);
    j["borders"] = numbers_json(v.borders);
    j["view_type"] = v.view_type;
    j["view_subtype"] = v.view_subtype;
    j["notes"] = ids_json(v.notes, context);
    j["model_part"] = file_text(v.model_part);
    j["objects"] = ids_json(v.objects, context);
    if (v.orientation != View{}.orientation) j["orientation"] = numbers_json(v.orientation);
    entry["view"] = std::move(j);
}

// ---- sheet --------------------------------------------------------------------
// The keys of a "sheet" entry (the 2D content: sheet_content.cpp); any other is refused.
constexpr std::string_view sheet_keys[] = {
    "sheet_view", "views", "out_of_date", "stays_out_of_date", "views_text", "size", "drawing"};

bool load_sheet(const ordered_json& value, Object& object, const LoadContext& context,
                Refusal& error) {
    PayloadReader r(value, context, error, sheet_keys);
    auto sheet = std::make_unique<Sheet>();
    sheet->sheet_view = r.ref("sheet_view");
    sheet->views = r.refs("views");
    sheet->out_of_date = r.boolean("out_of_date", false);
    sheet->stays_out_of_date = r.boolean("stays_out_of_date", false);
    sheet->views_text = r.optional_text("views_text");
    if (!r.ok()) return false;
    if (!load_sheet_content(value, *sheet, error)) return false;
    object.sheet = std::move(sheet);
    return true;
}

void save_sheet(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (!object.sheet) return;
    const Sheet& s = *object.sheet;
    ordered_json j;
    put_ref(j, "sheet_view", s.sheet_view, context);
    j["views"] = ids_json(s.views, context);
    j["out_of_date"] = s.out_of_date;
    if (s.stays_out_of_date) j["stays_out_of_date"] = true;
    if (s.views_text) j["views_text"] = file_text(*s.views_text);
    save_sheet_content(s, j);
    entry["sheet"] = std::move(j);
}

// ---- pattern ------------------------------------------------------------------
constexpr std::array<double, 9> kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};

// The keys of a "pattern" entry; any other is refused.
constexpr std::string_view pattern_keys[] = {
    "name",   "file_name", "unused",         "retrieval_error", "matrix",
    "origin", "scale",     "origin_display", "maxmin_display",  "control_point_display"};

bool load_pattern(const ordered_json& value, Object& object, const LoadContext& context,
                  Refusal& error) {
    PayloadReader r(value, context, error, pattern_keys);
    auto pattern = std::make_unique<Pattern>();
    pattern->pattern_name = r.optional_text("name");
    pattern->file_name = r.text("file_name", "");
    pattern->unused = r.integer("unused", 0);
    pattern->retrieval_error = r.integer("retrieval_error", 0);
    auto matrix = r.numbers<9>("matrix", kIdentity);
    auto origin = r.numbers<3>("origin", {0, 0, 0});
    double scale = r.number("scale", 1.0);
    for (std::size_t i = 0; i < 9; ++i) pattern->data[i] = matrix[i];
    for (std::size_t i = 0; i < 3; ++i) pattern->data[9 + i] = origin[i];
    pattern->data[12] = scale;
    pattern->origin_display = r.integer("origin_display", 0);
    pattern->maxmin_display = r.integer("maxmin_display", 0);
    pattern->control_point_display = r.integer("control_point_display", 0);
    if (!r.ok()) return false;
    object.pattern = std::move(pattern);
    return true;
}

void save_pattern(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.pattern) return;
    const Pattern& p = *object.pattern;
    ordered_json j;
    if (p.pattern_name) j["name"] = file_text(*p.pattern_name);
    j["file_name"] = file_text(p.file_name);
    if (p.unused != 0) j["unused"] = p.unused;
    j["retrieval_error"] = p.retrieval_error;
    std::array<double, 9> matrix{};
    std::array<double, 3> origin{};
    for (std::size_t i = 0; i < 9; ++i) matrix[i] = p.data[i];
    for (std::size_t i = 0; i < 3; ++i) origin[i] = p.data[9 + i];
    j["matrix"] = numbers_json(matrix);
    j["origin"] = numbers_json(origin);
    j["scale"] = number_to_json(p.data[12]);
    j["origin_display"] = p.origin_display;
    j["maxmin_display"] = p.maxmin_display;
    j["control_point_display"] = p.control_point_display;
    entry["pattern"] = std::move(j);
}

// ---- dimension ----------------------------------------------------------------
// The keys of a "dimension" entry; any other is refused.
constexpr std::string_view dimension_keys[] = {"retained", "before",          "after",   "above",
                                               "below",    "throwing_getter", "measured"};

bool load_dimension(const ordered_json& value, Object& object, const LoadContext& context,
                    Refusal& error) {
    PayloadReader r(value, context, error, dimension_keys);
    auto dimension = std::make_unique<Dimension>();
    dimension->retained = r.boolean("retained", false);
    dimension->before_text = r.texts("before");
    dimension->after_text = r.texts("after");
    dimension->above_text = r.texts("above");
    dimension->below_text = r.texts("below");
    dimension->throwing_getter = r.text("throwing_getter", "");
    dimension->measured = r.numbers<4>("measured", {});
    if (value.is_object()) {
        auto measured = value.find("measured");
        dimension->has_measured = measured != value.end() && !measured->is_null();
    }
    const std::string& getter = dimension->throwing_getter;
    if (!getter.empty() && getter != "before" && getter != "after" && getter != "above" &&
        getter != "below")
        r.fail("throwing_getter", "expected before, after, above or below");
    if (!r.ok()) return false;
    object.dimension = std::move(dimension);
    return true;
}

void save_dimension(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.dimension) return;
    const Dimension& d = *object.dimension;
    ordered_json j;
    j["retained"] = d.retained;
    if (!d.before_text.empty()) j["before"] = texts_json(d.before_text);
    if (!d.after_text.empty()) j["after"] = texts_json(d.after_text);
    if (!d.above_text.empty()) j["above"] = texts_json(d.above_text);
    if (!d.below_text.empty()) j["below"] = texts_json(d.below_text);
    if (!d.throwing_getter.empty()) j["throwing_getter"] = d.throwing_getter;
    if (d.has_measured) j["measured"] = numbers_json(d.measured);
    entry["dimension"] = std::move(j);
}

struct Registration {
    Registration() {
        register_payload("view", load_view, save_view);
        register_payload("sheet", load_sheet, save_sheet);
        register_payload("pattern", load_pattern, save_pattern);
        register_payload("dimension", load_dimension, save_dimension);
    }
};
const Registration registration;

}  // namespace
}  // namespace standin
