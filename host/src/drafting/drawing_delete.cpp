// Deleting a drawing sheet: the sheet, its own view and its member views.
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
    if (sheet->sheet) {
        for (tag_t view : sheet->sheet->views) erase(view);
        erase(sheet->sheet->sheet_view);
    }
    erase(sheet_tag);
    return 0;
}
