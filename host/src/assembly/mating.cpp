// Mating conditions of components. Placeholder answers: no component is
// mated until the part files carry mating data.
#include <cstring>

#include "rq/rq.h"
#include "session/faults.hpp"

RQ_API int RQ_ASSEM_init_mc(RQ_ASSEM_mc_record_t* record) {
    if (record == nullptr) return RQ_err_bad_argument;
    std::memset(record, 0, sizeof *record);
    return standin::fault_code("RQ_ASSEM_init_mc", NULL_TAG);
}

RQ_API int RQ_ASSEM_ask_mc_data_of_compnt(tag_t component, logical* is_mated,
                                          RQ_ASSEM_mc_record_t* record) {
    if (is_mated == nullptr || record == nullptr) return RQ_err_bad_argument;
    *is_mated = false;
    return standin::fault_code("RQ_ASSEM_ask_mc_data_of_compnt", component);
}

RQ_API int RQ_ASSEM_check_mc_structure(RQ_ASSEM_mc_record_t* record, int* status, int* other) {
    if (record == nullptr || status == nullptr || other == nullptr) return RQ_err_bad_argument;
    *status = 0;
    *other = 0;
    return standin::fault_code("RQ_ASSEM_check_mc_structure", NULL_TAG);
}
