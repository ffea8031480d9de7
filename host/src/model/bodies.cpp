// Bodies: body type, density, material, feature lists and occurrences.
#include "model/model.hpp"

#include <standin/model_testing.hpp>
#include "session/faults.hpp"

#include <cmath>
#include <new>
#include <vector>

// A feature list handed out by RQ_MODL_ask_body_feats; released with
// RQ_MODL_delete_list.
struct RQ_MODL_list_s {
    std::vector<tag_t> features;
};

namespace standin {
namespace {

// Density units the stand-in knows: 3 = mass per cubic unit of the part's length.
constexpr int kPartDensityUnits = 3;

int live_feature_lists = 0;

// An occurrence is not saved, so it takes no object id of the assembly (the
// saved next_object_id stays as it was); its handle is the path to the body,
// "<component handle>/<prototype handle>", the same in every session.
void give_occurrence_handle(Part& assembly, Object& occurrence, std::int64_t next_id) {
    Session& s = session();
    s.tag_by_handle.erase(occurrence.handle);
    assembly.next_object_id = next_id;
    occurrence.id = 0;
    const Object* component = find_object(occurrence.occurrence_component);
    const Object* prototype = find_object(occurrence.prototype_object);
    occurrence.handle = (component != nullptr ? component->handle : std::string()) + "/" +
                        (prototype != nullptr ? prototype->handle : std::string());
    s.tag_by_handle[occurrence.handle] = occurrence.tag;
}

}  // namespace

bool is_occurrence(const Object& object) {
    return object.prototype_object != NULL_TAG;
}

const Object* body_object(tag_t tag) {
    const Object* object = find_object(tag);
    for (int depth = 0; object != nullptr && depth <= 64; ++depth) {
        if (object->type != RQ_solid_type) return nullptr;
        if (object->prototype_object == NULL_TAG) return object->body ? object : nullptr;
        object = find_object(object->prototype_object);
    }
    return nullptr;
}

Body* body_data(tag_t tag) {
    const Object* object = body_object(tag);
    return object != nullptr ? object->body.get() : nullptr;
}

Object& add_occurrence_body(Part& assembly, tag_t component, tag_t prototype_body) {
    const Object* prototype = find_object(prototype_body);
    const int subtype = prototype != nullptr ? prototype->subtype : RQ_solid_body_subtype;
    const std::int64_t next_id = assembly.next_object_id;
    Object& occurrence = add_object(assembly, RQ_solid_type, subtype);
    occurrence.prototype_object = prototype_body;
    occurrence.occurrence_component = component;
    give_occurrence_handle(assembly, occurrence, next_id);
    if (prototype == nullptr) return occurrence;
    occurrence.name = prototype->name;
    occurrence.color = prototype->color;
    occurrence.font = prototype->font;
    occurrence.line_width = prototype->line_width;
    occurrence.blank_status = prototype->blank_status;
    // Lists skip stale entries, so refiling on the prototype's layer is enough.
    occurrence.layer = prototype->layer;
    occurrence.displayable = prototype->displayable;
    index_object(assembly, occurrence);
    return occurrence;
}

int open_feature_lists() {
    return live_feature_lists;
}

std::vector<tag_t> add_unit_blocks(tag_t part_tag, int count) {
    std::vector<tag_t> tags;
    Part* part = find_part(part_tag);
    if (part == nullptr) return tags;
    tags.reserve(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        Object& o = add_object(*part, RQ_solid_type, RQ_solid_body_subtype);
        o.body = std::make_unique<Body>();
        o.body->shape = Shape::block;
        o.body->size = {1, 1, 1};
        tags.push_back(o.tag);
    }
    return tags;
}

tag_t add_reference_set(tag_t part_tag, const std::vector<tag_t>& members) {
    Part* part = find_part(part_tag);
    if (part == nullptr) return NULL_TAG;
    Object& o = add_object(*part, RQ_reference_set_type, 0);
    o.displayable = false;
    o.refset = std::make_unique<ReferenceSet>();
    o.refset->members = members;
    return o.tag;
}

int set_listed_status(tag_t object, int status) {
    Object* o = find_object(object);
    if (o == nullptr) return RQ_err_bad_tag;
    o->status = status;
    o->erased = false;
    return 0;
}

tag_t make_occurrence_body(tag_t assembly, tag_t component, tag_t prototype_body) {
    Part* part = find_part(assembly);
    if (part == nullptr || find_object(prototype_body) == nullptr) return NULL_TAG;
    return add_occurrence_body(*part, component, prototype_body).tag;
}

}  // namespace standin

using namespace standin;

extern "C" {

RQ_API int RQ_MODL_ask_body_type(tag_t body, int* body_type) {
    if (body_type == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_MODL_ask_body_type", body)) return code;
    const Body* data = body_data(body);
    if (data == nullptr) return RQ_err_bad_tag;
    *body_type = data->body_type;
    return 0;
}

RQ_API int RQ_MODL_ask_body_density(tag_t body, int units, double* density) {
    if (density == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_MODL_ask_body_density", body)) return code;
    const Body* data = body_data(body);
    if (data == nullptr) return RQ_err_bad_tag;
    if (units != kPartDensityUnits) return RQ_err_bad_argument;
    *density = data->density;
    return 0;
}

// A change marks the part that owns the body (the prototype's part for an
// occurrence) modified; setting the density it already has changes nothing.
RQ_API int RQ_MODL_set_body_density(tag_t body, int units, double density) {
    if (int code = fault_code("RQ_MODL_set_body_density", body)) return code;
    const Object* owner = body_object(body);
    if (owner == nullptr) return RQ_err_bad_tag;
    if (units != kPartDensityUnits || !std::isfinite(density) || density < 0.0) {
        return RQ_err_bad_argument;
    }
    if (owner->body->density == density) return 0;
    owner->body->density = density;
    touch_object(*find_object(owner->tag));
    return 0;
}

RQ_API int RQ_SF_locate_material(tag_t body, tag_t* material) {
    if (material == nullptr) return RQ_err_bad_argument;
    *material = NULL_TAG;
    if (int code = fault_code("RQ_SF_locate_material", body)) return code;
    const Body* data = body_data(body);
    if (data == nullptr) return RQ_err_bad_tag;
    const Object* found = find_object(data->material);
    if (found != nullptr && !found->erased) *material = data->material;
    return 0;
}

// Occurrences carry no features of their own: their list is empty.
RQ_API int RQ_MODL_ask_body_feats(tag_t body, RQ_MODL_feature_list_t* features) {
    if (features == nullptr) return RQ_err_bad_argument;
    *features = nullptr;
    if (int code = fault_code("RQ_MODL_ask_body_feats", body)) return code;
    const Object* object = find_object(body);
    if (object == nullptr || object->type != RQ_solid_type) return RQ_err_bad_tag;
    auto* list = new (std::nothrow) RQ_MODL_list_s;
    if (list == nullptr) return RQ_err_bad_argument;
    if (!is_occurrence(*object) && object->body) {
        for (tag_t feature : object->body->features) {
            const Object* f = find_object(feature);
            if (f != nullptr && !f->erased) list->features.push_back(feature);
        }
    }
    ++live_feature_lists;
    *features = list;
    return 0;
}

RQ_API int RQ_MODL_ask_list_count(RQ_MODL_feature_list_t list, int* count) {
    if (count == nullptr) return RQ_err_bad_argument;
    if (list == nullptr) {
        *count = 0;
        return RQ_err_bad_argument;
    }
    *count = static_cast<int>(list->features.size());
    return 0;
}

RQ_API int RQ_MODL_delete_list(RQ_MODL_feature_list_t* list) {
    if (list == nullptr || *list == nullptr) return RQ_err_bad_argument;
    delete *list;
    *list = nullptr;
    --live_feature_lists;
    return 0;
}

}  // extern "C"
