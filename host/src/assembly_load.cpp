// Assemblies: when a part file is read, the child part of each of its
// components is loaded as well and every body of the child is made an
// occurrence body of the assembly, placed by the component's transform.
// Conventions: docs/part-format.md, "Assemblies".
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model.hpp"
#include "parts.hpp"

namespace standin {
namespace {

// Code reported for a component whose child is one of the parts it lies in.
constexpr int kComponentCycle = RQ_err_file_corrupt;

// The parts whose components are being loaded, outermost first.
std::vector<tag_t>& parts_in_progress() {
    static std::vector<tag_t> parts;
    return parts;
}

class InProgress {
  public:
    explicit InProgress(tag_t part) { parts_in_progress().push_back(part); }
    ~InProgress() { parts_in_progress().pop_back(); }
    InProgress(const InProgress&) = delete;
    InProgress& operator=(const InProgress&) = delete;
};

bool is_in_progress(tag_t part) {
    const auto& parts = parts_in_progress();
    return std::find(parts.begin(), parts.end(), part) != parts.end();
}

// A PDM name or an absolute path is taken as it stands; any other child file
// lies relative to the folder of the assembly's file.
std::string child_name(const Part& assembly, const std::string& child_file) {
    if (child_file.rfind("@DB/", 0) == 0) return child_file;
    const std::filesystem::path child(child_file);
    if (child.is_absolute()) return child_file;
    return (std::filesystem::path(assembly.path).parent_path() / child).lexically_normal().string();
}

template <typename Visit>
void for_each_of_type(const Part& part, int type, Visit visit) {
    std::vector<tag_t> tags;  // taken first: the visits add objects
    for (tag_t t = next_of_type(part, type, NULL_TAG); t != NULL_TAG;
         t = next_of_type(part, type, t))
        tags.push_back(t);
    for (tag_t t : tags) visit(t);
}

void place_child(Part& assembly, Object& component, const Part& child) {
    component.component->prototype = child.tag;
    for_each_of_type(child, RQ_solid_type,
                     [&](tag_t body) { add_occurrence_body(assembly, component.tag, body); });
}

// The part-loaded hook: loads the children of the part's components (their
// own components first, through the same hook) and places their bodies.
void load_components(Part& assembly, LoadReport& report) {
    InProgress guard(assembly.tag);
    for_each_of_type(assembly, RQ_component_type, [&](tag_t tag) {
        Object* component = find_object(tag);
        if (component == nullptr || !component->component) return;
        const std::string& child_file = component->component->child_file;
        if (child_file.empty()) return;
        const std::string name = child_name(assembly, child_file);
        Part* child = nullptr;
        int code = load_part(name, &child, &report);
        if (code == 0 && is_in_progress(child->tag)) code = kComponentCycle;
        if (code != 0) {
            report.failures.emplace_back(name, code);
            return;
        }
        place_child(assembly, *component, *child);
    });
}

[[maybe_unused]] const bool assembly_loading_registered =
    (set_part_loaded_hook(&load_components), true);

}  // namespace
}  // namespace standin
