// The texts objprobe shows for an object's type and status, indexed by the
// host's numbers.
#pragma once

namespace objprobe {

constexpr int object_status_count = 4;
constexpr int object_type_count = 131;

extern const char* const object_status_names[object_status_count];
extern const char* const object_type_names[object_type_count];

// The row for the number, or a text saying that the table has none.
const char* status_name(int status);
const char* type_name(int type);

}  // namespace objprobe
