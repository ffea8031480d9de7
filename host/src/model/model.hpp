// Bodies, their mass model and occurrences: the helpers behind the body,
// density, material, feature-list and mass-property calls.
#pragma once

#include "parts/store.hpp"

#include <array>

namespace standin {

// The object a body tag stands for: itself, or for an occurrence the body of
// its prototype (followed through every level). Null when the tag is no body.
const Object* body_object(tag_t tag);
Body* body_data(tag_t tag);

bool is_occurrence(const Object& object);

// Mass model of one body in the coordinates of the part that holds the tag,
// per unit density: volume, centroid and the inertia tensor about the centroid.
struct MassModel {
    double volume = 0.0;
    std::array<double, 3> centroid{0, 0, 0};
    std::array<double, 9> inertia{0, 0, 0, 0, 0, 0, 0, 0, 0};  // row after row
};

// Makes an occurrence of `prototype_body` in `assembly`, placed by the
// component `component` (an object of type 63 in `assembly`); returns it.
// Its handle is "<component handle>/<prototype handle>"; it takes no object id.
Object& add_occurrence_body(Part& assembly, tag_t component, tag_t prototype_body);

// Feature lists handed out and not yet deleted.
int open_feature_lists();

}  // namespace standin
