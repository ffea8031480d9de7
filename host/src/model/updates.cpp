// Feature update, rollback and replay through the current feature, and the
// assembly structure refresh.
#include <vector>

#include "assembly/assembly.hpp"
#include "parts/store.hpp"
#include "session/faults.hpp"

using namespace standin;

namespace {

// The update fail option that marks failed features condemned and goes on.
constexpr int kMarkFailedAndGoOn = 5;

bool is_feature(const Object* o) {
    return o != nullptr && !o->erased && o->feature && o->status != RQ_OBJ_DELETED;
}

// The features of a part in host order.
std::vector<Object*> features_of(const Part& part) {
    std::vector<Object*> features;
    for (tag_t t = next_of_type(part, RQ_feature_type, NULL_TAG); t != NULL_TAG;
         t = next_of_type(part, RQ_feature_type, t)) {
        Object* o = find_object(t);
        if (is_feature(o)) features.push_back(o);
    }
    return features;
}

std::size_t position_of(const std::vector<Object*>& features, tag_t feature) {
    for (std::size_t i = 0; i < features.size(); ++i) {
        if (features[i]->tag == feature) return i;
    }
    return features.size();
}

}  // namespace

extern "C" {

RQ_API int RQ_MODL_set_update_fail_option(int option) {
    if (int code = fault_code("RQ_MODL_set_update_fail_option")) return code;
    if (option < 0) return RQ_err_bad_argument;
    session().update_fail_option = option;
    return 0;
}

// Updates the features of the work part in host order. A feature whose update
// fails gives its code; with fail option 5 it is marked condemned and the
// update goes on, otherwise the update stops there. The first code is returned.
RQ_API int RQ_MODL_update_all_features(void) {
    Part* part = work_part();
    if (int code = fault_code("RQ_MODL_update_all_features", part ? part->tag : NULL_TAG)) {
        return code;
    }
    if (part == nullptr) return RQ_err_no_work_part;
    const bool go_on = session().update_fail_option == kMarkFailedAndGoOn;
    int first_code = 0;
    for (Object* feature : features_of(*part)) {
        const int code = feature->feature->update_code;
        if (code == 0) continue;
        if (first_code == 0) first_code = code;
        if (!go_on) break;
        if (feature->status != RQ_OBJ_CONDEMNED) {
            feature->status = RQ_OBJ_CONDEMNED;
            touch_object(*feature);
        }
    }
    return first_code;
}

RQ_API int RQ_MODL_ask_current_feature(tag_t part_tag, tag_t* feature) {
    if (feature == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_MODL_ask_current_feature", part_tag)) return code;
    const Part* part = find_part(part_tag);
    if (part == nullptr) return RQ_err_bad_tag;
    *feature = is_feature(find_object(part->current_feature)) ? part->current_feature : NULL_TAG;
    return 0;
}

// Makes a feature the current one of its part. Going back rolls the later
// features back; going forward replays them in order, and a feature whose
// replay fails stops the replay: the feature before it stays current and
// its code is returned.
RQ_API int RQ_MODL_set_current_feature(tag_t feature_tag) {
    if (int code = fault_code("RQ_MODL_set_current_feature", feature_tag)) return code;
    Object* target = find_object(feature_tag);
    if (!is_feature(target)) return RQ_err_bad_tag;
    Part* part = find_part(target->part);
    if (part == nullptr) return RQ_err_bad_tag;

    const std::vector<Object*> features = features_of(*part);
    const std::size_t to = position_of(features, feature_tag);
    if (to == features.size()) return RQ_err_bad_tag;  // not among the part's features
    std::size_t from = position_of(features, part->current_feature);
    if (from == features.size()) from = features.size() - 1;  // none current: all are active

    tag_t reached = feature_tag;
    int result = 0;
    for (std::size_t i = from + 1; i <= to; ++i) {
        if (int code = features[i]->feature->replay_code) {
            reached = features[i - 1]->tag;
            result = code;
            break;
        }
    }
    if (part->current_feature != reached) {
        part->current_feature = reached;
        mark_modified(*part);
    }
    return result;
}

// The structure refresh reads the assembly's component parts again from
// their files and places their occurrences afresh (assembly/assembly.hpp).
RQ_API int RQ_FLTR_update_structure(tag_t part_tag) {
    if (int code = fault_code("RQ_FLTR_update_structure", part_tag)) return code;
    Part* part = find_part(part_tag);
    return part == nullptr ? RQ_err_bad_tag : refresh_structure(*part);
}

}  // extern "C"
