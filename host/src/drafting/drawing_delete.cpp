// Deleting a drawing sheet: the sheet, its own view, its member views and
// the objects that depend on them (the sheet view's objects and objects made
// dependent on one of the views, such as imported CGM content).
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "parts/store.hpp"
#include "session/faults.hpp"

using namespace standin;

namespace {

void erase(tag_t tag) {
    Object* o = find_object(tag);
    if (o == nullptr || o->erased) return;
    o->erased = true;
    o->status = RQ_OBJ_DELETED;
    touch_object(*o);
}

// The objects made dependent on each view, per part. Built on first use and
// again when the part's number of objects changes (an import adds objects);
// an object no longer dependent on the view is passed over. Deleting every
// sheet of a part so costs O(part) once, not once a sheet.
struct DependentIndex {
    std::size_t object_count = static_cast<std::size_t>(-1);
    std::unordered_map<tag_t, std::vector<tag_t>> by_view;
};

// Dropped with the session: the hook is registered at the first use.
std::unordered_map<tag_t, DependentIndex>& dependent_indexes() {
    static auto* indexes = [] {
        add_reset_hook([] { dependent_indexes().clear(); });
        return new std::unordered_map<tag_t, DependentIndex>();
    }();
    return *indexes;
}

const DependentIndex& dependents_of(const Part& part) {
    DependentIndex& index = dependent_indexes()[part.tag];
    if (index.object_count != part.objects.size()) {
        index.by_view.clear();
        for (tag_t tag : part.objects) {
            const Object* o = find_object(tag);
            if (o != nullptr && o->dependent_view != NULL_TAG)
                index.by_view[o->dependent_view].push_back(tag);
        }
        index.object_count = part.objects.size();
    }
    return index;
}

void erase_dependents(const Part& part, const std::vector<tag_t>& views) {
    const DependentIndex& index = dependents_of(part);
    for (tag_t view : views) {
        auto it = index.by_view.find(view);
        if (it == index.by_view.end()) continue;
        for (tag_t tag : it->second) {
            const Object* o = find_object(tag);
            if (o != nullptr && o->dependent_view == view) erase(tag);
        }
    }
}

}  // namespace

extern "C" RQ_API int RQ_DRAW_delete_drawing(tag_t sheet_tag) {
    if (int code = fault_code("RQ_DRAW_delete_drawing", sheet_tag)) return code;
    Object* sheet = find_object(sheet_tag);
    if (sheet == nullptr || sheet->erased || sheet->type != RQ_drawing_type) return RQ_err_bad_tag;
    std::vector<tag_t> views;  // member views, then the sheet's own, each once
    if (sheet->sheet) {
        std::unordered_set<tag_t> seen{NULL_TAG};
        for (tag_t view : sheet->sheet->views)
            if (seen.insert(view).second) views.push_back(view);
        if (seen.insert(sheet->sheet->sheet_view).second) views.push_back(sheet->sheet->sheet_view);
        if (const Object* own = find_object(sheet->sheet->sheet_view); own && own->view)
            for (tag_t dependent : own->view->objects) erase(dependent);
    }
    if (const Part* part = find_part(sheet->part); part != nullptr && !views.empty()) {
        erase_dependents(*part, views);
    }
    if (sheet->sheet) {
        for (tag_t view : sheet->sheet->views) erase(view);
        erase(sheet->sheet->sheet_view);
    }
    erase(sheet_tag);
    return 0;
}
