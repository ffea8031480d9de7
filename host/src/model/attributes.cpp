// User attributes of parts and objects through the procedural interface.
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"
#include "session/text_out.hpp"

#include <string>
#include <unordered_set>
#include <vector>

namespace standin {
namespace {

constexpr std::size_t kTitleMax = 255;
constexpr std::size_t kStringValueMax = 255;

int procedural_type(AttrKind kind) {
    switch (kind) {
        case AttrKind::integer:
            return RQ_ATTR_integer;
        case AttrKind::real:
            return RQ_ATTR_real;
        case AttrKind::time:
            return RQ_ATTR_time;
        case AttrKind::null:
            return RQ_ATTR_null;
        case AttrKind::string:
            return RQ_ATTR_string;
        case AttrKind::boolean:
            return RQ_ATTR_boolean;
    }
    return 0;
}

bool type_selects(int type, const Attribute& attribute) {
    return type == RQ_ATTR_any || type == procedural_type(attribute.kind);
}

// The attribute list of a part tag or an object tag; null for unknown tags.
std::vector<Attribute>* attributes_of(tag_t tag) {
    if (Part* part = find_part(tag)) return &part->attributes;
    Object* object = find_object(tag);
    if (object == nullptr || object->status == RQ_OBJ_DELETED) return nullptr;
    return &object->attributes;
}

Attribute* find_titled(std::vector<Attribute>& list, const char* title) {
    for (Attribute& a : list)
        if (a.title == title) return &a;
    return nullptr;
}

// String values handed out by RQ_ATTR_cycle stay valid for the process: the
// caller never releases them. Equal texts share one copy.
const char* session_text(const std::string& text) {
    static auto* pool = new std::unordered_set<std::string>();
    return pool->insert(text).first->c_str();
}

void fill_value(const Attribute& a, RQ_ATTR_value_t& value, bool string_into_buffer) {
    value.type = procedural_type(a.kind);
    switch (a.kind) {
        case AttrKind::integer:
            value.value.integer = a.integer;
            break;
        case AttrKind::real:
            value.value.real = a.real;
            break;
        case AttrKind::time:
            value.value.time[0] = a.time[0];
            value.value.time[1] = a.time[1];
            break;
        case AttrKind::null:
            break;
        case AttrKind::boolean:
            value.value.byte = a.boolean;
            break;
        case AttrKind::string:
            if (string_into_buffer)
                write_text(value.value.string, kStringValueMax + 1, a.text);
            else
                value.value.string = const_cast<char*>(session_text(a.text));
            break;
    }
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

RQ_API int RQ_ATTR_count_attributes(tag_t object, int type, int* count) {
    if (count == nullptr) return RQ_err_bad_argument;
    *count = 0;
    if (int code = fault_code("RQ_ATTR_count_attributes", object)) return code;
    std::vector<Attribute>* list = attributes_of(object);
    if (list == nullptr) return RQ_err_bad_tag;
    for (const Attribute& a : *list)
        if (type_selects(type, a)) ++*count;
    return 0;
}

// The index names the position after the attribute last given; the call
// gives the next attribute of the type and its position + 1, or sets the
// index to 0 when none is left.
RQ_API int RQ_ATTR_cycle(tag_t object, int* index, int type, char title[256],
                         RQ_ATTR_value_t* value) {
    if (index == nullptr || title == nullptr || value == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_ATTR_cycle", object)) return code;
    std::vector<Attribute>* list = attributes_of(object);
    if (list == nullptr || *index < 0) {
        *index = 0;
        return list == nullptr ? RQ_err_bad_tag : RQ_err_bad_argument;
    }
    for (std::size_t i = static_cast<std::size_t>(*index); i < list->size(); ++i) {
        const Attribute& a = (*list)[i];
        if (!type_selects(type, a)) continue;
        write_text(title, kTitleMax + 1, a.title);
        fill_value(a, *value, false);
        *index = static_cast<int>(i + 1);
        return 0;
    }
    *index = 0;
    return 0;
}

// The work part's part-attribute object (made when first asked for).
RQ_API int RQ_ATTR_ask_part_attribute(tag_t* part_attribute) {
    if (part_attribute == nullptr) return RQ_err_bad_argument;
    *part_attribute = NULL_TAG;
    Part* part = work_part();
    if (part == nullptr) return RQ_err_no_work_part;
    if (int code = fault_code("RQ_ATTR_ask_part_attribute", part->tag)) return code;
    Object* existing = find_object(part->part_attribute_object);
    if (existing == nullptr || existing->part != part->tag ||
        existing->type != RQ_part_attribute_type || existing->status == RQ_OBJ_DELETED) {
        Object& made = add_object(*part, RQ_part_attribute_type, 0);
        made.displayable = false;
        part->part_attribute_object = made.tag;
    }
    *part_attribute = part->part_attribute_object;
    return 0;
}

RQ_API int RQ_ATTR_ask_locked(tag_t part_attribute, const char* title, logical* locked) {
    if (title == nullptr || locked == nullptr) return RQ_err_bad_argument;
    *locked = 0;
    if (int code = fault_code("RQ_ATTR_ask_locked", part_attribute)) return code;
    Object* holder = find_object(part_attribute);
    if (holder == nullptr || holder->type != RQ_part_attribute_type) return RQ_err_bad_tag;
    Part* part = find_part(holder->part);
    if (part == nullptr) return RQ_err_bad_tag;
    const Attribute* a = find_titled(part->attributes, title);
    if (a == nullptr) return RQ_err_attribute_missing;
    *locked = a->locked ? 1 : 0;
    return 0;
}

// An absent attribute is no failure: the type found is 0.
RQ_API int RQ_ATTR_find_attribute(tag_t object, int type, const char* title, int* type_found) {
    if (title == nullptr || type_found == nullptr) return RQ_err_bad_argument;
    *type_found = 0;
    if (int code = fault_code("RQ_ATTR_find_attribute", object)) return code;
    std::vector<Attribute>* list = attributes_of(object);
    if (list == nullptr) return RQ_err_bad_tag;
    const Attribute* a = find_titled(*list, title);
    if (a != nullptr && type_selects(type, *a)) *type_found = procedural_type(a->kind);
    return 0;
}

// A string value goes into the caller's buffer value->value.string (256
// bytes, at most 255 characters written); other kinds fill the record.
RQ_API int RQ_ATTR_read_value(tag_t object, const char* title, int type, RQ_ATTR_value_t* value) {
    if (title == nullptr || value == nullptr) return RQ_err_bad_argument;
    const bool wants_text = type == RQ_ATTR_string || value->type == RQ_ATTR_string;
    if (wants_text && value->value.string == nullptr) return RQ_err_bad_argument;
    if (wants_text) value->value.string[0] = '\0';
    if (int code = fault_code("RQ_ATTR_read_value", object)) return code;
    std::vector<Attribute>* list = attributes_of(object);
    if (list == nullptr) return RQ_err_bad_tag;
    const Attribute* a = find_titled(*list, title);
    if (a == nullptr || !type_selects(type, *a)) return RQ_err_attribute_missing;
    if (a->kind == AttrKind::string && value->value.string == nullptr) return RQ_err_bad_argument;
    fill_value(*a, *value, true);
    return 0;
}

}  // extern "C"
