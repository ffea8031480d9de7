// Assemblies: when a part file is read, the child part of each of its
// components is loaded as well; every body of the child is made an
// occurrence body of the assembly, placed by the component's transform, and
// every component of the child (of every level) a component occurrence of
// the assembly, with its placement composed and its parent linked.
// Conventions: docs/part-format.md, "Assemblies".
#include <algorithm>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "assembly/assembly.hpp"
#include "model/model.hpp"
#include "parts/parts.hpp"

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

template <typename Visit>
void for_each_of_type(const Part& part, int type, Visit visit) {
    std::vector<tag_t> tags;  // taken first: the visits add objects
    for (tag_t t = next_of_type(part, type, NULL_TAG); t != NULL_TAG;
         t = next_of_type(part, type, t))
        tags.push_back(t);
    for (tag_t t : tags) visit(t);
}

using Matrix4 = std::array<std::array<double, 4>, 4>;

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 product{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[r][k] * b[k][c];
            product[r][c] = sum;
        }
    }
    return product;
}

// The placement of `inner` (relative to the child part) seen from the
// assembly that places the child through `outer`. Transform, origin and
// orientation are composed each from their own kind, so a placement whose
// parts disagree at one level disagrees at every level below it.
void compose_placement(const Component& outer, Component& inner) {
    inner.transform = multiply(outer.transform, inner.transform);
    std::array<double, 3> origin = outer.origin;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) origin[j] += outer.orientation[3 * i + j] * inner.origin[i];
    }
    std::array<double, 9> orientation{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k)
                sum += inner.orientation[3 * i + k] * outer.orientation[3 * k + j];
            orientation[3 * i + j] = sum;
        }
    }
    inner.origin = origin;
    inner.orientation = orientation;
}

// An occurrence takes no object id of the assembly (it is not saved); its
// handle is "<component handle>/<prototype handle>", the same in every session.
Object& add_component_occurrence(Part& assembly, const Object& component, const Object& prototype) {
    Session& s = session();
    const std::int64_t next_id = assembly.next_object_id;
    Object& occurrence = add_object(assembly, RQ_component_type, prototype.subtype);
    s.tag_by_handle.erase(occurrence.handle);
    assembly.next_object_id = next_id;
    occurrence.id = 0;
    occurrence.handle = component.handle + "/" + prototype.handle;
    s.tag_by_handle[occurrence.handle] = occurrence.tag;
    occurrence.prototype_object = prototype.tag;
    occurrence.occurrence_component = component.tag;
    occurrence.name = prototype.name;
    occurrence.status = prototype.status;
    occurrence.color = prototype.color;
    occurrence.font = prototype.font;
    occurrence.line_width = prototype.line_width;
    occurrence.blank_status = prototype.blank_status;
    occurrence.layer = prototype.layer;
    occurrence.displayable = prototype.displayable;
    occurrence.attributes = prototype.attributes;
    occurrence.component = std::make_unique<Component>(*prototype.component);
    occurrence.component->parent = NULL_TAG;
    occurrence.component->placed_members = 0;
    occurrence.component->mating.reset();  // mated in its own assembly only
    compose_placement(*component.component, *occurrence.component);
    index_object(assembly, occurrence);  // lists skip the stale layer entry
    return occurrence;
}

// The child's components (its own and its occurrences) become occurrences
// under `component`; a child component of the first level gets `component`
// as parent, a deeper one the occurrence of its own parent.
int place_child_components(Part& assembly, Object& component, const Part& child) {
    std::unordered_map<tag_t, tag_t> occurrence_of;
    std::vector<std::pair<tag_t, tag_t>> placed;  // occurrence, prototype
    for_each_of_type(child, RQ_component_type, [&](tag_t tag) {
        const Object* prototype = component_object(tag);
        if (prototype == nullptr) return;
        Object& occurrence = add_component_occurrence(assembly, component, *prototype);
        occurrence_of[tag] = occurrence.tag;
        placed.emplace_back(occurrence.tag, tag);
    });
    for (const auto& [occurrence, prototype] : placed) {
        auto parent = occurrence_of.find(component_object(prototype)->component->parent);
        component_object(occurrence)->component->parent =
            parent != occurrence_of.end() ? parent->second : component.tag;
    }
    return static_cast<int>(placed.size());
}

void place_child(Part& assembly, Object& component, const Part& child) {
    component.component->prototype = child.tag;
    int placed = 0;
    for_each_of_type(child, RQ_solid_type, [&](tag_t body) {
        add_occurrence_body(assembly, component.tag, body);
        ++placed;
    });
    placed += place_child_components(assembly, component, child);
    component.component->placed_members = placed;
}

// Parent links of the part file that run in a circle are cut where the circle
// closes, so that every chain of parents ends. O(1) a component.
void cut_parent_circles(const Part& assembly) {
    enum : int { on_path = 1, done = 2 };
    std::unordered_map<tag_t, int> state;
    for_each_of_type(assembly, RQ_component_type, [&](tag_t start) {
        std::vector<Object*> path;
        Object* current = component_object(start);
        while (current != nullptr && current->part == assembly.tag && state[current->tag] == 0) {
            state[current->tag] = on_path;
            path.push_back(current);
            current = component_object(current->component->parent);
        }
        if (current != nullptr && state[current->tag] == on_path) {
            path.back()->component->parent = NULL_TAG;
        }
        for (Object* visited : path) state[visited->tag] = done;
    });
}

// The part-loaded hook: loads the children of the part's components (their
// own components first, through the same hook) and places their bodies.
void load_components(Part& assembly, LoadReport& report) {
    InProgress guard(assembly.tag);
    cut_parent_circles(assembly);
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

// The parts placed below `assembly` at every level, each once, nearest first.
std::vector<tag_t> parts_below(const Part& assembly) {
    std::vector<tag_t> found;
    std::unordered_map<tag_t, bool> seen{{assembly.tag, true}};
    for (std::size_t next = 0, pass = 0; pass == 0 || next < found.size(); ++pass) {
        const Part* part = pass == 0 ? &assembly : find_part(found[next++]);
        if (part == nullptr) continue;
        for_each_of_type(*part, RQ_component_type, [&](tag_t tag) {
            const Object* c = component_object(tag);
            if (c == nullptr || c->prototype_object != NULL_TAG) return;  // own components only
            const tag_t child = c->component->prototype;
            if (child != NULL_TAG && !seen[child]) {
                seen[child] = true;
                found.push_back(child);
            }
        });
    }
    return found;
}

void retire_object(Object& o) {
    Session& s = session();
    o.erased = true;
    o.status = RQ_OBJ_DELETED;
    if (auto it = s.tag_by_handle.find(o.handle);
        it != s.tag_by_handle.end() && it->second == o.tag)
        s.tag_by_handle.erase(it);
}

// Takes a part out of the session so that the next load reads its file; its
// objects keep their tags as deleted objects.
void drop_part(tag_t tag) {
    Session& s = session();
    Part* part = find_part(tag);
    if (part == nullptr) return;
    for (tag_t t : part->objects)
        if (Object* o = find_object(t)) retire_object(*o);
    std::erase_if(s.parts, [tag](const std::unique_ptr<Part>& p) { return p->tag == tag; });
}

bool may_read_again(const Part& part) {
    const Session& s = session();
    return !part.modified && part.tag != s.work_part && part.tag != s.display_part;
}

}  // namespace

int refresh_structure(Part& assembly) {
    for (tag_t below : parts_below(assembly)) {
        const Part* part = find_part(below);
        if (part != nullptr && may_read_again(*part)) drop_part(below);
    }
    std::vector<tag_t> retired;
    for (tag_t t : assembly.objects) {
        Object* o = find_object(t);
        if (o == nullptr || o->erased) continue;
        if (o->occurrence_component != NULL_TAG) {
            retire_object(*o);
            retired.push_back(t);
        } else if (o->component) {
            o->component->prototype = NULL_TAG;
            o->component->placed_members = 0;
        }
    }
    // The retired occurrences leave the lists, so that the lists and every
    // later walk over them do not grow with each refresh.
    drop_from_lists(assembly, retired);
    ++session().generation;
    LoadReport report;
    load_components(assembly, report);
    return report.failures.empty() ? 0 : report.failures.front().second;
}

namespace {

[[maybe_unused]] const bool assembly_loading_registered =
    (set_part_loaded_hook(&load_components), true);

}  // namespace

// A PDM name or an absolute path is taken as it stands; any other child file
// lies relative to the folder of the assembly's file.
std::string child_name(const Part& assembly, const std::string& child_file) {
    if (child_file.rfind("@DB/", 0) == 0) return child_file;
    const std::filesystem::path child(child_file);
    if (child.is_absolute()) return child_file;
    return (std::filesystem::path(assembly.path).parent_path() / child).lexically_normal().string();
}

}  // namespace standin
