// Components of an assembly: the root component of a part, component
// occurrences of sub-assemblies, and the helpers behind the component calls.
// Conventions: docs/part-format.md, "Assemblies".
#pragma once

#include <string>

#include "parts/store.hpp"

namespace standin {

// The object id of a root component: it has no entry in the part file.
constexpr std::int64_t kRootComponentId = -1;

// The component data of a tag (an object of type 63 with its data), or null.
Object* component_object(tag_t tag);

bool is_root_component(const Object& component);

// The part's root component, made on first use: the parent of the part's
// first-level components. No cycle gives it, it is never saved, and its own
// parent is 0. Its handle is "<part id>:root".
Object& root_component(Part& part);

// The structure refresh: the parts below `assembly` are read again from their
// files (those with unsaved changes, the work part and the display part stay
// as they are loaded) and the assembly's occurrences are placed afresh, so a
// child file changed on disk adds or removes occurrences. Returns 0, or the
// code of the first child that cannot be read (its component then has no
// occurrences).
int refresh_structure(Part& assembly);

// Where a component's child file lies: a PDM name or an absolute path as it
// stands, any other relative to the folder of the assembly's file.
std::string child_name(const Part& assembly, const std::string& child_file);

// The name of the component's part: the loaded child part's name, else its
// child file as the assembly resolves it (empty without a child file).
std::string component_part_name(const Object& component);

// Members of a component: the stored count plus the occurrences placed for
// it; an occurrence of a component counts what its prototype counts.
int component_member_count(const Object& component);

}  // namespace standin
