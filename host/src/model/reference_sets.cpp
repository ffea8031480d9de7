// Reference sets and their members.
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

#include <cstring>

using namespace standin;

// Gives the members that still exist, in stored order, as host memory the
// caller releases with RQ_free; a set without members gives no array.
extern "C" RQ_API int RQ_ASSEM_ask_ref_set_members(tag_t reference_set, int* count,
                                                   tag_t** members) {
    if (count == nullptr || members == nullptr) return RQ_err_bad_argument;
    *count = 0;
    *members = nullptr;
    if (int code = fault_code("RQ_ASSEM_ask_ref_set_members", reference_set)) return code;
    const Object* set = find_object(reference_set);
    if (set == nullptr || !set->refset) return RQ_err_bad_tag;

    std::size_t live = 0;
    for (tag_t member : set->refset->members) {
        const Object* object = find_object(member);
        if (object != nullptr && !object->erased) ++live;
    }
    if (live == 0) return 0;
    tag_t* out = host_array<tag_t>(live);
    std::size_t n = 0;
    for (tag_t member : set->refset->members) {
        const Object* object = find_object(member);
        if (object != nullptr && !object->erased) out[n++] = member;
    }
    *count = static_cast<int>(n);
    *members = out;
    return 0;
}
