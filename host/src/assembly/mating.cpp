// Mating conditions of components: the set a first-level component carries
// in its part file ("mating" of the component entry, docs/part-format.md).
// Component occurrences and deeper components are never mated.
#include <cstring>

#include "assembly/assembly.hpp"
#include "rq/rq.h"
#include "session/faults.hpp"
#include "session/memory.hpp"

namespace standin {
namespace {

constexpr std::size_t kMatingNameSize = sizeof(RQ_ASSEM_mc_record_t::name);

// The mating set of a component of the part file, or null when it is not mated.
const Mating* mating_of(const Object& component) {
    if (component.prototype_object != NULL_TAG || is_root_component(component)) return nullptr;
    const auto& mating = component.component->mating;
    return mating ? &*mating : nullptr;
}

int structure_status(const Mating& mating) {
    if (mating.status) return *mating.status;
    if (mating.constraints == 0) return RQ_ASSEM_mc_no_constraints;
    return mating.solved ? RQ_ASSEM_mc_structure_ok : RQ_ASSEM_mc_not_solved;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

RQ_API int RQ_ASSEM_init_mc(RQ_ASSEM_mc_record_t* record) {
    if (int code = fault_code("RQ_ASSEM_init_mc")) return code;
    if (record == nullptr) return RQ_err_bad_argument;
    std::memset(record, 0, sizeof *record);
    return 0;
}

// A component without a set answers "not mated" and leaves the record as it is.
RQ_API int RQ_ASSEM_ask_mc_data_of_compnt(tag_t component, logical* is_mated,
                                          RQ_ASSEM_mc_record_t* record) {
    if (is_mated == nullptr || record == nullptr) return RQ_err_bad_argument;
    *is_mated = false;
    if (int code = fault_code("RQ_ASSEM_ask_mc_data_of_compnt", component)) return code;
    const Object* object = component_object(component);
    if (object == nullptr) return RQ_err_bad_tag;
    const Mating* mating = mating_of(*object);
    if (mating == nullptr) return 0;
    *is_mated = true;
    record->component = component;
    copy_out(record->name, kMatingNameSize, mating->name);
    record->constraint_count = mating->constraints;
    record->solved = mating->solved ? 1 : 0;
    return 0;
}

// Checks the set of the record's component: a record that names no mated
// component is refused.
RQ_API int RQ_ASSEM_check_mc_structure(RQ_ASSEM_mc_record_t* record, int* status, int* other) {
    if (record == nullptr || status == nullptr || other == nullptr) return RQ_err_bad_argument;
    *status = 0;
    *other = 0;
    if (int code = fault_code("RQ_ASSEM_check_mc_structure", record->component)) return code;
    if (record->component == NULL_TAG) return RQ_err_bad_argument;
    const Object* object = component_object(record->component);
    if (object == nullptr) return RQ_err_bad_tag;
    const Mating* mating = mating_of(*object);
    if (mating == nullptr) return RQ_err_bad_argument;
    *status = structure_status(*mating);
    *other = mating->solved ? 0 : mating->constraints;
    return 0;
}

}  // extern "C"
