// Object calls: cycling, type, status, names, handles, versions, flags,
// layers, colours, display properties and highlight.
#include <cstring>

#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/highlights.hpp"
#include "session/memory.hpp"

using namespace standin;

namespace {

constexpr std::size_t max_object_name = 30;

Object* live_object(tag_t tag) {
    return find_object(tag);
}

}  // namespace

extern "C" {

int RQ_OBJ_cycle_objs_in_part(tag_t part_tag, int type, tag_t* object) {
    if (int code = fault_code("RQ_OBJ_cycle_objs_in_part", part_tag)) return code;
    if (object == nullptr) return RQ_err_bad_argument;
    const Part* part = find_part(part_tag);
    if (part == nullptr) {
        *object = NULL_TAG;
        return RQ_err_bad_tag;
    }
    bool lost = false;
    *object = next_of_type(*part, type, *object, &lost);
    return lost ? RQ_err_bad_tag : 0;
}

tag_t RQ_OBJ_cycle_all(tag_t part_tag, tag_t previous) {
    if (fault_code("RQ_OBJ_cycle_all", part_tag)) return NULL_TAG;  // the cycle ends
    const Part* part = find_part(part_tag);
    return part == nullptr ? NULL_TAG : next_in_part(*part, previous);
}

int RQ_OBJ_ask_type_and_subtype(tag_t tag, int* type, int* subtype) {
    if (int code = fault_code("RQ_OBJ_ask_type_and_subtype", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr) return RQ_err_bad_tag;
    if (type != nullptr) *type = o->type;
    if (subtype != nullptr) *subtype = o->subtype;
    return 0;
}

// A fault's code is given as the status.
int RQ_OBJ_ask_status(tag_t tag) {
    if (int code = fault_code("RQ_OBJ_ask_status", tag)) return code;
    if (const Object* o = live_object(tag)) return o->erased ? RQ_OBJ_DELETED : o->status;
    return find_part(tag) != nullptr ? RQ_OBJ_ALIVE : RQ_OBJ_DELETED;
}

// An object without a name leaves the buffer as it was.
int RQ_OBJ_ask_name(tag_t tag, char name[31]) {
    if (int code = fault_code("RQ_OBJ_ask_name", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr) return RQ_err_bad_tag;
    if (!o->name || o->name->empty()) return RQ_err_no_name;
    if (name == nullptr) return RQ_err_bad_argument;
    copy_out(name, max_object_name + 1, *o->name);
    return 0;
}

// An empty name removes the name; names longer than 30 characters are refused.
int RQ_OBJ_set_name(tag_t tag, const char* name) {
    if (int code = fault_code("RQ_OBJ_set_name", tag)) return code;
    Object* o = live_object(tag);
    if (o == nullptr || o->erased) return RQ_err_bad_tag;
    if (name == nullptr || std::strlen(name) > max_object_name) return RQ_err_bad_argument;
    if (o->refuse_rename) return RQ_err_bad_argument;
    if (*name == '\0') {
        o->name.reset();
    } else {
        o->name = name;
    }
    touch_object(*o);
    return 0;
}

int RQ_OBJ_delete_object(tag_t tag) {
    if (int code = fault_code("RQ_OBJ_delete_object", tag)) return code;
    Object* o = live_object(tag);
    if (o == nullptr || o->erased) return RQ_err_bad_tag;
    o->erased = true;
    o->status = RQ_OBJ_DELETED;
    touch_object(*o);
    return 0;
}

char* RQ_TAG_ask_handle_of_tag(tag_t tag) {
    if (fault_code("RQ_TAG_ask_handle_of_tag", tag)) return nullptr;
    Object* o = live_object(tag);
    return o == nullptr ? nullptr : o->handle.data();
}

tag_t RQ_TAG_ask_tag_of_handle(const char* handle) {
    if (handle == nullptr) return NULL_TAG;
    if (fault_code_for_name("RQ_TAG_ask_tag_of_handle", handle)) return NULL_TAG;
    const auto& map = session().tag_by_handle;
    auto it = map.find(handle);
    return it == map.end() ? NULL_TAG : it->second;
}

int RQ_OBJ_ask_owning_part(tag_t tag, tag_t* part) {
    if (int code = fault_code("RQ_OBJ_ask_owning_part", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr || part == nullptr) return RQ_err_bad_tag;
    *part = o->part;
    return 0;
}

int RQ_OBJ_ask_cre_mod_versions(tag_t tag, int* created, int* modified) {
    if (int code = fault_code("RQ_OBJ_ask_cre_mod_versions", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr) return RQ_err_bad_tag;
    if (created != nullptr) *created = o->created_version;
    if (modified != nullptr) *modified = o->modified_version;
    return 0;
}

int RQ_OBJ_is_displayable(tag_t tag, logical* flag) {
    if (int code = fault_code("RQ_OBJ_is_displayable", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr || flag == nullptr) return RQ_err_bad_tag;
    *flag = o->displayable ? 1 : 0;
    return 0;
}

int RQ_OBJ_is_transferable(tag_t tag, logical* flag) {
    if (int code = fault_code("RQ_OBJ_is_transferable", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr || flag == nullptr) return RQ_err_bad_tag;
    *flag = o->transferable ? 1 : 0;
    return 0;
}

logical RQ_ASSEM_is_occurrence(tag_t tag) {
    if (fault_code("RQ_ASSEM_is_occurrence", tag)) return 0;
    const Object* o = live_object(tag);
    return (o != nullptr && o->prototype_object != NULL_TAG) ? 1 : 0;
}

// Objects of the work part on a layer; any layer number is accepted.
int RQ_LAYER_cycle_by_layer(int layer, tag_t* object) {
    if (int code = fault_code("RQ_LAYER_cycle_by_layer")) return code;
    if (object == nullptr) return RQ_err_bad_argument;
    const Part* part = work_part();
    if (part == nullptr) {
        *object = NULL_TAG;
        return RQ_err_no_work_part;
    }
    bool lost = false;
    *object = next_on_layer(*part, layer, *object, &lost);
    return lost ? RQ_err_bad_tag : 0;
}

// Status 1 makes the layer the work layer; other statuses are accepted and
// change nothing the stand-in keeps.
int RQ_LAYER_set_status(int layer, int status) {
    if (int code = fault_code("RQ_LAYER_set_status")) return code;
    if (layer < 1 || layer > 256) return RQ_err_bad_argument;
    if (status == 1) session().work_layer = layer;
    return 0;
}

int RQ_OBJ_set_color(tag_t tag, int color) {
    if (int code = fault_code("RQ_OBJ_set_color", tag)) return code;
    Object* o = live_object(tag);
    if (o == nullptr || o->erased) return RQ_err_bad_tag;
    if (color < 1 || color > 256) return RQ_err_bad_argument;
    o->color = color;
    touch_object(*o);
    return 0;
}

int RQ_OBJ_ask_display_properties(tag_t tag, RQ_OBJ_disp_props_t* properties) {
    if (int code = fault_code("RQ_OBJ_ask_display_properties", tag)) return code;
    const Object* o = live_object(tag);
    if (o == nullptr) return RQ_err_bad_tag;
    if (properties == nullptr) return RQ_err_bad_argument;
    properties->layer = o->layer;
    properties->color = o->color;
    properties->blank_status = o->blank_status;
    properties->line_width = o->line_width;
    properties->font = o->font;
    return 0;
}

int RQ_DISP_set_highlight(tag_t tag, int on) {
    if (int code = fault_code("RQ_DISP_set_highlight", tag)) return code;
    Object* o = live_object(tag);
    if (o == nullptr) return RQ_err_bad_tag;
    o->highlighted = on != 0;
    record_highlight(*o, on);
    return 0;
}

}  // extern "C"
