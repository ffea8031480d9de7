// Component calls: component data, instance, parent, prototype, suppression,
// member count and the drafting flag; root components.
#include "assembly/assembly.hpp"

#include "session/faults.hpp"
#include "session/memory.hpp"

#include <memory>

namespace standin {
namespace {

constexpr std::size_t kPartNameSize = 3469;
constexpr std::size_t kRefsetNameSize = 385;
constexpr std::size_t kInstanceNameSize = 3445;
// Occurrences of occurrences are followed at most this deep.
constexpr int kMaxNesting = 4096;

const Object* live(tag_t tag) {
    const Object* object = find_object(tag);
    return object != nullptr && !object->erased ? object : nullptr;
}

const Instance* instance_data(tag_t tag) {
    const Object* object = live(tag);
    return object != nullptr ? object->instance.get() : nullptr;
}

// The component of the part file an occurrence stands for, through every level.
const Object* source_component(const Object& component) {
    const Object* source = &component;
    for (int depth = 0; source->prototype_object != NULL_TAG && depth < kMaxNesting; ++depth) {
        const Object* next = component_object(source->prototype_object);
        if (next == nullptr) break;
        source = next;
    }
    return source;
}

std::string root_handle(const Part& part) {
    return part.part_id + ":root";
}

}  // namespace

Object* component_object(tag_t tag) {
    Object* object = find_object(tag);
    if (object == nullptr || object->erased || object->type != RQ_component_type) return nullptr;
    return object->component ? object : nullptr;
}

bool is_root_component(const Object& component) {
    return component.id == kRootComponentId;
}

Object& root_component(Part& part) {
    Session& s = session();
    auto found = s.tag_by_handle.find(root_handle(part));
    if (found != s.tag_by_handle.end()) {
        if (Object* root = component_object(found->second)) return *root;
    }
    auto root = std::make_unique<Object>();
    root->tag = s.next_tag++;
    root->part = part.tag;
    root->type = RQ_component_type;
    root->id = kRootComponentId;
    root->handle = root_handle(part);
    root->displayable = false;
    root->component = std::make_unique<Component>();
    // Entered in the session's tables only: no list of the part holds it.
    if (s.tag_table.size() <= root->tag) s.tag_table.resize(root->tag + 1, nullptr);
    s.tag_table[root->tag] = root.get();
    s.tag_by_handle[root->handle] = root->tag;
    s.objects.push_back(std::move(root));
    return *s.objects.back();
}

std::string component_part_name(const Object& component) {
    const Object& source = *source_component(component);
    const Component& data = *source.component;
    if (const Part* child = find_part(data.prototype)) return child->name;
    if (data.child_file.empty()) return {};
    const Part* assembly = find_part(source.part);
    return assembly != nullptr ? child_name(*assembly, data.child_file) : data.child_file;
}

int component_member_count(const Object& component) {
    const Component& data = *source_component(component)->component;
    return data.member_count + data.placed_members;
}

}  // namespace standin

using namespace standin;

extern "C" {

RQ_API int RQ_ASSEM_ask_component_data(tag_t component, char part_name[3469], char refset_name[385],
                                       char instance_name[3445], double origin[3],
                                       double orientation[9], double transform[4][4]) {
    if (int code = fault_code("RQ_ASSEM_ask_component_data", component)) return code;
    const Object* object = component_object(component);
    if (object == nullptr) return RQ_err_bad_tag;
    const Component& data = *object->component;
    if (part_name != nullptr) copy_out(part_name, kPartNameSize, component_part_name(*object));
    if (refset_name != nullptr) copy_out(refset_name, kRefsetNameSize, data.refset_name);
    if (instance_name != nullptr) copy_out(instance_name, kInstanceNameSize, data.instance_name);
    for (int i = 0; i < 3 && origin != nullptr; ++i) origin[i] = data.origin[i];
    for (int i = 0; i < 9 && orientation != nullptr; ++i) orientation[i] = data.orientation[i];
    for (int r = 0; r < 4 && transform != nullptr; ++r) {
        for (int c = 0; c < 4; ++c) transform[r][c] = data.transform[r][c];
    }
    return 0;
}

// The instance of a component (0 for none); an occurrence shares the
// instance of the component it stands for, which lies in the sub-assembly.
RQ_API tag_t RQ_ASSEM_ask_inst_of_part_occ(tag_t component) {
    const Object* object = component_object(component);
    if (object == nullptr) return NULL_TAG;
    const tag_t instance = object->component->instance;
    return instance_data(instance) != nullptr ? instance : NULL_TAG;
}

// First-level components have the part's root component as parent, the root
// has none (0).
RQ_API int RQ_ASSEM_ask_parent_component(tag_t component, tag_t* parent) {
    if (parent == nullptr) return RQ_err_bad_argument;
    *parent = NULL_TAG;
    if (int code = fault_code("RQ_ASSEM_ask_parent_component", component)) return code;
    const Object* object = component_object(component);
    if (object == nullptr) return RQ_err_bad_tag;
    if (is_root_component(*object)) return 0;
    const Object* stored = component_object(object->component->parent);
    if (stored != nullptr && stored->part == object->part && !is_root_component(*stored)) {
        *parent = stored->tag;
        return 0;
    }
    Part* part = find_part(object->part);
    if (part == nullptr) return RQ_err_bad_tag;
    *parent = root_component(*part).tag;
    return 0;
}

// The child part of a component; the prototype object of any other occurrence.
RQ_API tag_t RQ_ASSEM_ask_prototype_of_occ(tag_t occurrence) {
    if (const Object* component = component_object(occurrence)) {
        return find_part(component->component->prototype) != nullptr
                   ? component->component->prototype
                   : NULL_TAG;
    }
    const Object* object = live(occurrence);
    return object != nullptr ? object->prototype_object : NULL_TAG;
}

// The 0 tag (a component without instance) is not suppressed.
RQ_API int RQ_ASSEM_ask_suppress_state(tag_t instance, int* state) {
    if (state == nullptr) return RQ_err_bad_argument;
    *state = 0;
    if (int code = fault_code("RQ_ASSEM_ask_suppress_state", instance)) return code;
    if (instance == NULL_TAG) return 0;
    const Instance* data = instance_data(instance);
    if (data == nullptr) return RQ_err_bad_tag;
    *state = data->suppress_state;
    return 0;
}

// The expression that controls the suppression, 0 for none (and for the 0 tag).
RQ_API int RQ_ASSEM_ask_suppression_exp(tag_t instance, tag_t* expression) {
    if (expression == nullptr) return RQ_err_bad_argument;
    *expression = NULL_TAG;
    if (int code = fault_code("RQ_ASSEM_ask_suppression_exp", instance)) return code;
    if (instance == NULL_TAG) return 0;
    const Instance* data = instance_data(instance);
    if (data == nullptr) return RQ_err_bad_tag;
    const Object* exp = live(data->suppression_expression);
    if (exp != nullptr && exp->expression && exp->status != RQ_OBJ_DELETED) *expression = exp->tag;
    return 0;
}

// The count goes through the out parameter; the result is a code.
RQ_API int RQ_ASSEM_count_objs_in_comp(tag_t component, int* count) {
    if (count == nullptr) return RQ_err_bad_argument;
    *count = 0;
    if (int code = fault_code("RQ_ASSEM_count_objs_in_comp", component)) return code;
    const Object* object = component_object(component);
    if (object == nullptr) return RQ_err_bad_tag;
    *count = component_member_count(*object);
    return 0;
}

RQ_API int RQ_DRAW_is_drafting_component(tag_t component, logical* flag) {
    if (flag == nullptr) return RQ_err_bad_argument;
    *flag = 0;
    if (int code = fault_code("RQ_DRAW_is_drafting_component", component)) return code;
    const Object* object = component_object(component);
    if (object == nullptr) return RQ_err_bad_tag;
    *flag = object->component->drafting_component ? 1 : 0;
    return 0;
}

}  // extern "C"
