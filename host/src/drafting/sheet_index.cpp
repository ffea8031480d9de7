// Sheet lookup by name: an index per part, rebuilt when its sheets change.

#include "drafting/sheet_index.hpp"

#include <string>
#include <unordered_map>

namespace standin {
namespace {

struct PartSheets {
    bool built = false;
    std::uint64_t generation = 0;
    std::unordered_map<std::string, tag_t> first_by_name;
};

std::unordered_map<tag_t, PartSheets>& indexes() {
    static std::unordered_map<tag_t, PartSheets> by_part;
    return by_part;
}

struct ResetRegistration {
    ResetRegistration() {
        add_reset_hook([] { indexes().clear(); });
    }
};
const ResetRegistration reset_registration;

bool is_live_sheet(const Object* o) {
    return o != nullptr && !o->erased && o->type == RQ_drawing_type;
}

// One pass over the part's sheets; rebuilt only after an object changed.
const PartSheets& sheets_of(const Part& part) {
    PartSheets& index = indexes()[part.tag];
    const std::uint64_t now = session().generation;
    if (index.built && index.generation == now) return index;
    index.first_by_name.clear();
    index.built = true;
    index.generation = now;
    for (tag_t t = next_of_type(part, RQ_drawing_type, NULL_TAG); t != NULL_TAG;
         t = next_of_type(part, RQ_drawing_type, t)) {
        const Object* o = find_object(t);
        if (is_live_sheet(o) && o->name) index.first_by_name.emplace(*o->name, t);
    }
    return index;
}

}  // namespace

const Object* find_sheet_by_name(const Part& part, std::string_view name) {
    const PartSheets& index = sheets_of(part);
    auto it = index.first_by_name.find(std::string(name));
    if (it == index.first_by_name.end()) return nullptr;
    const Object* o = find_object(it->second);
    return is_live_sheet(o) ? o : nullptr;
}

}  // namespace standin
