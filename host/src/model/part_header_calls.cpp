// Header data of a part: units, part families and save history.
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

#include <algorithm>
#include <climits>
#include <memory>
#include <unordered_map>
#include <vector>

// A history list: a copy of a part's entries taken by RQ_PART_ask_part_history.
struct RQ_PART_history_list_s {
    std::vector<standin::HistoryEntry> entries;
};

namespace standin {
namespace {

// History lists belong to the session: the caller never releases them.
std::unordered_map<RQ_PART_history_list_t, std::unique_ptr<RQ_PART_history_list_s>>& lists() {
    static auto* live =
        new std::unordered_map<RQ_PART_history_list_t, std::unique_ptr<RQ_PART_history_list_s>>();
    return *live;
}

RQ_PART_history_list_s* known_list(RQ_PART_history_list_t list) {
    auto it = lists().find(list);
    return it == lists().end() ? nullptr : it->second.get();
}

void drop_history_lists() {
    lists().clear();
}
[[maybe_unused]] const bool history_reset_registered = (add_reset_hook(&drop_history_lists), true);

const Family* family_of(tag_t tag) {
    const Object* object = find_object(tag);
    return object != nullptr && object->status != RQ_OBJ_DELETED ? object->family.get() : nullptr;
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// ---- units ------------------------------------------------------------------
RQ_API int RQ_PART_ask_units(tag_t part, int* units) {
    if (units == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_PART_ask_units", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    *units = p->units;
    return 0;
}

// ---- part families ------------------------------------------------------------
RQ_API int RQ_PART_is_family_template(tag_t part, logical* flag) {
    if (flag == nullptr) return RQ_err_bad_argument;
    *flag = 0;
    if (int code = fault_code("RQ_PART_is_family_template", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    *flag = p->family_template ? 1 : 0;
    return 0;
}

RQ_API int RQ_PART_is_family_instance(tag_t part, logical* flag) {
    if (flag == nullptr) return RQ_err_bad_argument;
    *flag = 0;
    if (int code = fault_code("RQ_PART_is_family_instance", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    *flag = p->family_instance ? 1 : 0;
    return 0;
}

// The array is host memory (RQ_free); none is given for no families.
RQ_API int RQ_PART_ask_families(tag_t part, int* count, tag_t** families) {
    if (count == nullptr || families == nullptr) return RQ_err_bad_argument;
    *count = 0;
    *families = nullptr;
    if (int code = fault_code("RQ_PART_ask_families", part)) return code;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    std::vector<tag_t> alive;
    for (tag_t family : p->families)
        if (family_of(family) != nullptr) alive.push_back(family);
    if (alive.empty()) return 0;
    *families = host_array<tag_t>(alive.size());
    std::copy(alive.begin(), alive.end(), *families);
    *count = static_cast<int>(alive.size());
    return 0;
}

RQ_API int RQ_FAM_ask_family_data(tag_t family, RQ_FAM_data_t* data) {
    if (data == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_FAM_ask_family_data", family)) return code;
    const Family* f = family_of(family);
    if (f == nullptr) return RQ_err_bad_tag;
    data->name = host_strdup(f->family_name);
    data->member_count = f->member_count;
    data->attribute_count = f->attribute_count;
    return 0;
}

RQ_API int RQ_FAM_free_family_data(RQ_FAM_data_t* data) {
    if (data == nullptr) return RQ_err_bad_argument;
    RQ_free(data->name);
    data->name = nullptr;
    return 0;
}

// ---- save history -------------------------------------------------------------
RQ_API int RQ_PART_create_history_list(RQ_PART_history_list_t* list) {
    if (list == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_PART_create_history_list")) return code;
    auto made = std::make_unique<RQ_PART_history_list_s>();
    *list = made.get();
    lists().emplace(made.get(), std::move(made));
    return 0;
}

RQ_API int RQ_PART_clear_history_list(RQ_PART_history_list_t list) {
    if (int code = fault_code("RQ_PART_clear_history_list")) return code;
    RQ_PART_history_list_s* l = known_list(list);
    if (l == nullptr) return RQ_err_bad_argument;
    l->entries.clear();
    return 0;
}

// Fills the list with the part's entries, oldest save first.
RQ_API int RQ_PART_ask_part_history(tag_t part, RQ_PART_history_list_t list) {
    if (int code = fault_code("RQ_PART_ask_part_history", part)) return code;
    RQ_PART_history_list_s* l = known_list(list);
    if (l == nullptr) return RQ_err_bad_argument;
    const Part* p = find_part(part);
    if (p == nullptr) return RQ_err_bad_tag;
    l->entries = p->history;
    return 0;
}

RQ_API int RQ_PART_ask_num_histories(RQ_PART_history_list_t list, int* count) {
    if (count == nullptr) return RQ_err_bad_argument;
    *count = 0;
    if (int code = fault_code("RQ_PART_ask_num_histories")) return code;
    const RQ_PART_history_list_s* l = known_list(list);
    if (l == nullptr) return RQ_err_bad_argument;
    *count = static_cast<int>(l->entries.size());
    return 0;
}

// The three texts are host memory (RQ_free).
RQ_API int RQ_PART_ask_nth_history(RQ_PART_history_list_t list, int index, char** program,
                                   char** user, char** machine, int* version, int* time) {
    if (!program || !user || !machine || !version || !time) return RQ_err_bad_argument;
    *program = *user = *machine = nullptr;
    if (int code = fault_code("RQ_PART_ask_nth_history")) return code;
    const RQ_PART_history_list_s* l = known_list(list);
    if (l == nullptr) return RQ_err_bad_argument;
    if (index < 0 || static_cast<std::size_t>(index) >= l->entries.size())
        return RQ_err_bad_argument;
    const HistoryEntry& e = l->entries[static_cast<std::size_t>(index)];
    *program = host_strdup(e.program);
    *user = host_strdup(e.user);
    *machine = host_strdup(e.machine);
    *version = e.version;
    *time = static_cast<int>(std::clamp<std::int64_t>(e.time, INT_MIN, INT_MAX));
    return 0;
}

}  // extern "C"
