// Part-file codecs of the model data: the "point", "body", "feature",
// "reference_set", "expression", "family", "instance" and "component"
// entries of an object (docs/part-format.md).
#include <array>
#include <memory>
#include <string>

#include "parts/part_file.hpp"
#include "parts/payload_reader.hpp"
#include "parts/store.hpp"
#include "session/text_encoding.hpp"

namespace standin {
namespace {

constexpr std::array<double, 3> kOrigin{0, 0, 0};
constexpr std::array<double, 9> kIdentityAxes{1, 0, 0, 0, 1, 0, 0, 0, 1};

// ---- point --------------------------------------------------------------------
bool load_point(const ordered_json& value, Object& object, const LoadContext& context,
                std::string& error) {
    PayloadReader r(value, context, error);
    auto point = std::make_unique<Point>();
    point->xyz = r.numbers<3>("xyz", kOrigin);
    if (!r.ok()) return false;
    object.point = std::move(point);
    return true;
}

void save_point(const Object& object, ordered_json& entry, const SaveContext&) {
    if (object.point) entry["point"] = {{"xyz", numbers_json(object.point->xyz)}};
}

// ---- body ---------------------------------------------------------------------
const char* shape_name(Shape shape) {
    switch (shape) {
        case Shape::block:
            return "block";
        case Shape::cylinder:
            return "cylinder";
        case Shape::sphere:
            return "sphere";
        case Shape::none:
            return "none";
    }
    return "none";
}

Shape shape_of(PayloadReader& r) {
    const std::string name = r.text("shape", "none");
    for (Shape shape : {Shape::none, Shape::block, Shape::cylinder, Shape::sphere}) {
        if (name == shape_name(shape)) return shape;
    }
    r.fail("shape", "is not none, block, cylinder or sphere");
    return Shape::none;
}

bool load_body(const ordered_json& value, Object& object, const LoadContext& context,
               std::string& error) {
    PayloadReader r(value, context, error);
    auto body = std::make_unique<Body>();
    body->body_type = r.integer("body_type", RQ_MODL_SOLID_BODY);
    body->density = r.number("density", 1.0);
    body->material = r.ref("material");
    body->shape = shape_of(r);
    body->size = r.numbers<3>("size", kOrigin);
    body->origin = r.numbers<3>("origin", kOrigin);
    body->axes = r.numbers<9>("axes", kIdentityAxes);
    body->features = r.refs("features");
    body->mass_props_fault = r.integer("mass_props_fault", 0);
    if (!r.ok()) return false;
    object.body = std::move(body);
    return true;
}

void save_body(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (!object.body) return;
    const Body& b = *object.body;
    ordered_json j;
    j["body_type"] = b.body_type;
    j["density"] = number_to_json(b.density);
    put_ref(j, "material", b.material, context);
    j["shape"] = shape_name(b.shape);
    j["size"] = numbers_json(b.size);
    j["origin"] = numbers_json(b.origin);
    j["axes"] = numbers_json(b.axes);
    j["features"] = ids_json(b.features, context);
    if (b.mass_props_fault != 0) j["mass_props_fault"] = b.mass_props_fault;
    entry["body"] = std::move(j);
}

// ---- feature ------------------------------------------------------------------
bool load_feature(const ordered_json& value, Object& object, const LoadContext& context,
                  std::string& error) {
    PayloadReader r(value, context, error);
    auto feature = std::make_unique<Feature>();
    feature->feature_type = r.text("feature_type", "");
    feature->display_name = r.optional_text("display_name");
    feature->browseable = r.boolean("browseable", true);
    feature->suppressed = r.boolean("suppressed", false);
    feature->update_code = r.integer("update_code", 0);
    feature->replay_code = r.integer("replay_code", 0);
    if (!r.ok()) return false;
    object.feature = std::move(feature);
    return true;
}

void save_feature(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.feature) return;
    const Feature& f = *object.feature;
    ordered_json j;
    j["feature_type"] = file_text(f.feature_type);
    if (f.display_name) j["display_name"] = file_text(*f.display_name);
    j["browseable"] = f.browseable;
    j["suppressed"] = f.suppressed;
    if (f.update_code != 0) j["update_code"] = f.update_code;
    if (f.replay_code != 0) j["replay_code"] = f.replay_code;
    entry["feature"] = std::move(j);
}

// ---- reference set ------------------------------------------------------------
bool load_reference_set(const ordered_json& value, Object& object, const LoadContext& context,
                        std::string& error) {
    PayloadReader r(value, context, error);
    auto refset = std::make_unique<ReferenceSet>();
    refset->members = r.refs("members");
    if (!r.ok()) return false;
    object.refset = std::move(refset);
    return true;
}

void save_reference_set(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (object.refset)
        entry["reference_set"] = {{"members", ids_json(object.refset->members, context)}};
}

// ---- expression ---------------------------------------------------------------
bool load_expression(const ordered_json& value, Object& object, const LoadContext& context,
                     std::string& error) {
    PayloadReader r(value, context, error);
    auto expression = std::make_unique<Expression>();
    expression->exp_name = r.text("name", "");
    if (r.ok() && expression->exp_name.empty()) r.fail("name", "is missing or empty");
    expression->value_text = r.text("value_text", "");
    expression->value = r.number("value", 0.0);
    expression->no_edit = r.boolean("no_edit", false);
    if (!r.ok()) return false;
    object.expression = std::move(expression);
    return true;
}

void save_expression(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.expression) return;
    const Expression& e = *object.expression;
    ordered_json j;
    j["name"] = file_text(e.exp_name);
    j["value_text"] = file_text(e.value_text);
    j["value"] = number_to_json(e.value);
    if (e.no_edit) j["no_edit"] = true;
    entry["expression"] = std::move(j);
}

// ---- family -------------------------------------------------------------------
bool load_family(const ordered_json& value, Object& object, const LoadContext& context,
                 std::string& error) {
    PayloadReader r(value, context, error);
    auto family = std::make_unique<Family>();
    family->family_name = r.text("name", "");
    family->member_count = r.integer("member_count", 0);
    family->attribute_count = r.integer("attribute_count", 0);
    if (!r.ok()) return false;
    object.family = std::move(family);
    return true;
}

void save_family(const Object& object, ordered_json& entry, const SaveContext&) {
    if (!object.family) return;
    ordered_json j;
    j["name"] = file_text(object.family->family_name);
    j["member_count"] = object.family->member_count;
    j["attribute_count"] = object.family->attribute_count;
    entry["family"] = std::move(j);
}

// ---- instance -----------------------------------------------------------------
bool load_instance(const ordered_json& value, Object& object, const LoadContext& context,
                   std::string& error) {
    PayloadReader r(value, context, error);
    auto instance = std::make_unique<Instance>();
    instance->suppress_state = r.integer("suppress_state", 0);
    instance->suppression_expression = r.ref("suppression_expression");
    if (!r.ok()) return false;
    object.instance = std::move(instance);
    return true;
}

void save_instance(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (!object.instance) return;
    ordered_json j;
    j["suppress_state"] = object.instance->suppress_state;
    put_ref(j, "suppression_expression", object.instance->suppression_expression, context);
    entry["instance"] = std::move(j);
}

// ---- component ----------------------------------------------------------------
// The placement matrix: four rows of four numbers.
void read_transform(PayloadReader& r, std::array<std::array<double, 4>, 4>& transform) {
    const ordered_json* rows = r.find("transform");
    if (rows == nullptr) return;
    if (!rows->is_array() || rows->size() != 4) {
        r.fail("transform", "is not 4 rows");
        return;
    }
    for (std::size_t row = 0; row < 4; ++row) {
        const ordered_json& numbers = (*rows)[row];
        bool ok = numbers.is_array() && numbers.size() == 4;
        for (std::size_t column = 0; ok && column < 4; ++column)
            ok = number_from_json(numbers[column], transform[row][column]);
        if (!ok) {
            r.fail("transform", "row " + std::to_string(row + 1) + " is not a list of 4 numbers");
            return;
        }
    }
}

// The mating condition set of a first-level component: a name of at most 132
// characters, the number of constraints, the solved flag and an optional
// scripted status of the structure check.
constexpr std::size_t kMaxMatingName = 132;

void read_mating(PayloadReader& r, Component& c) {
    r.object("mating", [&](PayloadReader& m) {
        Mating mating;
        m.require("name");
        mating.name = m.text("name", "");
        if (mating.name.size() > kMaxMatingName)
            m.fail("name", "is longer than " + std::to_string(kMaxMatingName) + " characters");
        mating.constraints = m.integer("constraints", 0);
        if (mating.constraints < 0) m.fail("constraints", "is negative");
        mating.solved = m.boolean("solved", true);
        if (m.find("status") != nullptr) mating.status = m.integer("status", 0);
        c.mating = std::move(mating);
    });
    if (c.mating && c.parent != NULL_TAG)
        r.fail("mating", "is given for a component below the first level");
}

void save_mating(const Mating& mating, ordered_json& j) {
    ordered_json m;
    m["name"] = file_text(mating.name);
    m["constraints"] = mating.constraints;
    m["solved"] = mating.solved;
    if (mating.status) m["status"] = *mating.status;
    j["mating"] = std::move(m);
}

bool load_component(const ordered_json& value, Object& object, const LoadContext& context,
                    std::string& error) {
    PayloadReader r(value, context, error);
    auto c = std::make_unique<Component>();
    c->child_file = r.file_name("child_file");
    c->refset_name = r.text("refset_name", "");
    c->instance_name = r.text("instance_name", "");
    c->origin = r.numbers<3>("origin", kOrigin);
    c->orientation = r.numbers<9>("orientation", kIdentityAxes);
    read_transform(r, c->transform);
    c->instance = r.ref("instance");
    c->parent = r.ref("parent");
    c->drafting_component = r.boolean("drafting_component", false);
    c->member_count = r.integer("member_count", 0);
    read_mating(r, *c);
    if (!r.ok()) return false;
    object.component = std::move(c);
    return true;
}

void save_component(const Object& object, ordered_json& entry, const SaveContext& context) {
    if (!object.component) return;
    const Component& c = *object.component;
    ordered_json j;
    j["child_file"] = c.child_file;  // a file name, kept as read
    j["refset_name"] = file_text(c.refset_name);
    j["instance_name"] = file_text(c.instance_name);
    j["origin"] = numbers_json(c.origin);
    j["orientation"] = numbers_json(c.orientation);
    ordered_json rows = ordered_json::array();
    for (const auto& row : c.transform) rows.push_back(numbers_json(row));
    j["transform"] = std::move(rows);
    put_ref(j, "instance", c.instance, context);
    put_ref(j, "parent", c.parent, context);
    if (c.drafting_component) j["drafting_component"] = true;
    j["member_count"] = c.member_count;
    if (c.mating) save_mating(*c.mating, j);
    entry["component"] = std::move(j);
}

struct Registration {
    Registration() {
        register_payload("point", load_point, save_point);
        register_payload("body", load_body, save_body);
        register_payload("feature", load_feature, save_feature);
        register_payload("reference_set", load_reference_set, save_reference_set);
        register_payload("expression", load_expression, save_expression);
        register_payload("family", load_family, save_family);
        register_payload("instance", load_instance, save_instance);
        register_payload("component", load_component, save_component);
    }
};
const Registration registration;

}  // namespace
}  // namespace standin
