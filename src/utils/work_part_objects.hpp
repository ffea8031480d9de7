// A walk over the objects of one type in the work part.
#pragma once

#include <rq/rq.h>

// Calls visit(object) for each object of the type in the work part, in host order.
template <typename Visit>
void for_each_in_work_part(int type, Visit visit) {
    const tag_t part = RQ_ASSEM_ask_work_part();
    tag_t object = NULL_TAG;
    while (RQ_OBJ_cycle_objs_in_part(part, type, &object) == 0 && object != NULL_TAG) {
        visit(object);
    }
}
