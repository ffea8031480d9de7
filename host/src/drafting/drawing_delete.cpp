// Deleting a drawing sheet: the sheet, its own view, its member views and
// the objects that depend on them (the sheet view's objects and objects made
// dependent on one of the views, such as imported CGM content).
#include <unordered_set>

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

}  // namespace

extern "C" RQ_API int RQ_DRAW_delete_drawing(tag_t sheet_tag) {
    if (int code = fault_code("RQ_DRAW_delete_drawing", sheet_tag)) return code;
    Object* sheet = find_object(sheet_tag);
    if (sheet == nullptr || sheet->erased || sheet->type != RQ_drawing_type) return RQ_err_bad_tag;
    std::unordered_set<tag_t> views;
    if (sheet->sheet) {
        views.insert(sheet->sheet->views.begin(), sheet->sheet->views.end());
        views.insert(sheet->sheet->sheet_view);
        if (const Object* own = find_object(sheet->sheet->sheet_view); own && own->view)
            for (tag_t dependent : own->view->objects) erase(dependent);
    }
    views.erase(NULL_TAG);
    if (const Part* part = find_part(sheet->part); part != nullptr && !views.empty()) {
        for (tag_t tag : part->objects) {
            const Object* o = find_object(tag);
            if (o != nullptr && views.count(o->dependent_view) != 0) erase(tag);
        }
    }
    if (sheet->sheet) {
        for (tag_t view : sheet->sheet->views) erase(view);
        erase(sheet->sheet->sheet_view);
    }
    erase(sheet_tag);
    return 0;
}
