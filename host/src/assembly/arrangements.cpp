// Arrangements of a part: the active one, all of them in the part's order,
// and their names.
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

#include <vector>

using namespace standin;

namespace {

bool is_arrangement(tag_t tag) {
    const Object* object = find_object(tag);
    return object != nullptr && !object->erased && object->type == RQ_arrangement_type &&
           object->status != RQ_OBJ_DELETED;
}

}  // namespace

extern "C" {

// 0 when the part has no active arrangement (or it was deleted).
RQ_API int RQ_ASSEM_ask_active_arrangement(tag_t part, tag_t* arrangement) {
    if (arrangement == nullptr) return RQ_err_bad_argument;
    *arrangement = NULL_TAG;
    if (int code = fault_code("RQ_ASSEM_ask_active_arrangement", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    if (is_arrangement(p->active_arrangement)) *arrangement = p->active_arrangement;
    return 0;
}

// Host memory released with RQ_free; no array when the count is 0.
RQ_API int RQ_ASSEM_ask_arrangements_in_part(tag_t part, int* count, tag_t** arrangements) {
    if (count == nullptr || arrangements == nullptr) return RQ_err_bad_argument;
    *count = 0;
    *arrangements = nullptr;
    if (int code = fault_code("RQ_ASSEM_ask_arrangements_in_part", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    std::vector<tag_t> alive;
    for (tag_t arrangement : p->arrangements)
        if (is_arrangement(arrangement)) alive.push_back(arrangement);
    if (alive.empty()) return 0;
    tag_t* out = host_array<tag_t>(alive.size());
    for (std::size_t i = 0; i < alive.size(); ++i) out[i] = alive[i];
    *count = static_cast<int>(alive.size());
    *arrangements = out;
    return 0;
}

// The arrangement's name as host memory (RQ_free); an unnamed one gives "".
RQ_API int RQ_ASSEM_ask_name_of_arrangement(tag_t arrangement, char** name) {
    if (name == nullptr) return RQ_err_bad_argument;
    *name = nullptr;
    if (int code = fault_code("RQ_ASSEM_ask_name_of_arrangement", arrangement)) return code;
    if (!is_arrangement(arrangement)) return RQ_err_bad_tag;
    const Object* object = find_object(arrangement);
    *name = host_strdup(object->name ? *object->name : std::string());
    return 0;
}

}  // extern "C"
