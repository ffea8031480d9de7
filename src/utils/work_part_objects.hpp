// A walk over the objects of one type in the work part.
#pragma once

#include <rq/rq.h>

// Calls visit(object) for each object of the type in the work part, in host
// order. Returns the code of a cycle step that failed and so ended the walk
// early (the caller records it, so that a cut list is not taken as whole), or 0.
template <typename Visit>
int for_each_in_work_part(int type, Visit visit) {
    const tag_t part = RQ_ASSEM_ask_work_part();
    tag_t object = NULL_TAG;
    int code = 0;
    while ((code = RQ_OBJ_cycle_objs_in_part(part, type, &object)) == 0 && object != NULL_TAG) {
        visit(object);
    }
    return code;
}
