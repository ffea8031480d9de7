// Drafting calls: drawing sheets, their views and view data, view-dependent
// objects, legacy patterns, retained dimensions and the view update.
#include <cstring>
#include <string>

#include "drafting/sheet_index.hpp"
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

using namespace standin;

namespace {

constexpr std::size_t kPatternNameSize = 385;
constexpr std::size_t kFileNameSize = 3469;
constexpr std::size_t kViewsTextSize = 400;

Object* live(tag_t tag) {
    Object* o = find_object(tag);
    return o != nullptr && !o->erased ? o : nullptr;
}

View* view_of(tag_t tag) {
    Object* o = live(tag);
    return o != nullptr ? o->view.get() : nullptr;
}

// A sheet without drawing data in its file is a sheet without views.
const Sheet& empty_sheet() {
    static const Sheet sheet;
    return sheet;
}

const Sheet* sheet_of(tag_t tag) {
    const Object* o = live(tag);
    if (o == nullptr || o->type != RQ_drawing_type) return nullptr;
    return o->sheet ? o->sheet.get() : &empty_sheet();
}

// Tells each member view its sheet and counts the views out of date, once
// per sheet, so that a view update costs O(1).
void link_views(Object& sheet_object) {
    Sheet& sheet = *sheet_object.sheet;
    if (sheet.views_linked) return;
    sheet.views_linked = true;
    sheet.stale_views = 0;
    for (tag_t t : sheet.views) {
        View* v = view_of(t);
        if (v == nullptr) continue;
        v->sheet = sheet_object.tag;
        if (v->out_of_date) ++sheet.stale_views;
    }
}

// Hands out a copy of the live objects of a list; the caller frees it with
// RQ_free when the count is not 0.
int give_tags(const std::vector<tag_t>& tags, int* count, tag_t** out) {
    std::vector<tag_t> alive;
    alive.reserve(tags.size());
    for (tag_t t : tags) {
        if (live(t) != nullptr) alive.push_back(t);
    }
    *count = static_cast<int>(alive.size());
    *out = nullptr;
    if (alive.empty()) return 0;
    *out = host_array<tag_t>(alive.size());
    std::memcpy(*out, alive.data(), alive.size() * sizeof(tag_t));
    return 0;
}

// Common head of the view queries: fault, then the view.
int view_query(const char* call, tag_t view, const View** out) {
    if (int code = fault_code(call, view)) return code;
    *out = view_of(view);
    return *out == nullptr ? RQ_err_bad_tag : 0;
}

// The next live object of a view's list after `previous`; a cycle that goes
// through the list in order costs O(1) a step.
tag_t next_view_object(const View& view, tag_t previous) {
    const auto& list = view.objects;
    std::size_t from = 0;
    if (previous != NULL_TAG) {
        if (view.cursor > 0 && view.cursor <= list.size() && list[view.cursor - 1] == previous) {
            from = view.cursor;
        } else {
            from = list.size();
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (list[i] == previous) {
                    from = i + 1;
                    break;
                }
            }
        }
    }
    for (std::size_t i = from; i < list.size(); ++i) {
        if (live(list[i]) != nullptr) {
            view.cursor = i + 1;
            return list[i];
        }
    }
    view.cursor = 0;
    return NULL_TAG;
}

std::string member_view_names(const Sheet& sheet) {
    std::string text;
    for (tag_t t : sheet.views) {
        const Object* o = live(t);
        if (o == nullptr || !o->name) continue;
        if (!text.empty()) text += ',';
        text += *o->name;
    }
    return text;
}

}  // namespace

extern "C" {

RQ_API int RQ_DRAW_ask_view_of_drawing(tag_t sheet_tag, tag_t* sheet_view) {
    if (sheet_view == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRAW_ask_view_of_drawing", sheet_tag)) return code;
    const Sheet* sheet = sheet_of(sheet_tag);
    if (sheet == nullptr) return RQ_err_bad_tag;
    if (sheet->sheet_view == NULL_TAG || view_of(sheet->sheet_view) == nullptr) {
        *sheet_view = NULL_TAG;
        return RQ_err_not_found;
    }
    *sheet_view = sheet->sheet_view;
    return 0;
}

// Only cycle code 2 (the objects shown in the view) is known to this host.
RQ_API int RQ_VIEW_cycle_objects(tag_t view_tag, int cycle_code, tag_t* object) {
    if (object == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_VIEW_cycle_objects", view_tag)) {
        *object = NULL_TAG;
        return code;
    }
    const View* view = view_of(view_tag);
    if (view == nullptr || cycle_code != 2) {
        *object = NULL_TAG;
        return view == nullptr ? RQ_err_bad_tag : RQ_err_bad_argument;
    }
    *object = next_view_object(*view, *object);
    return 0;
}

RQ_API int RQ_DRF_is_annotation_retained(tag_t annotation, logical* retained) {
    if (retained == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRF_is_annotation_retained", annotation)) return code;
    const Object* o = live(annotation);
    if (o == nullptr) return RQ_err_bad_tag;
    *retained = (o->dimension && o->dimension->retained) ? 1 : 0;
    return 0;
}

RQ_API int uc5822(tag_t pattern_tag, char name[385], char file_name[3469], int* unused, int* layer,
                  int* retrieval_error, double data[13]) {
    if (int code = fault_code("uc5822", pattern_tag)) return code;
    const Object* o = live(pattern_tag);
    if (o == nullptr || !o->pattern) return RQ_err_bad_tag;
    const Pattern& p = *o->pattern;
    const std::string& shown = p.pattern_name ? *p.pattern_name : o->name.value_or("");
    if (name != nullptr) copy_out(name, kPatternNameSize, shown);
    if (file_name != nullptr) copy_out(file_name, kFileNameSize, p.file_name);
    if (unused != nullptr) *unused = p.unused;
    if (layer != nullptr) *layer = o->layer;
    if (retrieval_error != nullptr) *retrieval_error = p.retrieval_error;
    if (data != nullptr) {
        for (std::size_t i = 0; i < p.data.size(); ++i) data[i] = p.data[i];
    }
    return 0;
}

RQ_API int RQ_PATT_ask_params(tag_t pattern_tag, int* origin_display, int* maxmin_display,
                              int* control_point_display) {
    if (int code = fault_code("RQ_PATT_ask_params", pattern_tag)) return code;
    const Object* o = live(pattern_tag);
    if (o == nullptr || !o->pattern) return RQ_err_bad_tag;
    if (origin_display != nullptr) *origin_display = o->pattern->origin_display;
    if (maxmin_display != nullptr) *maxmin_display = o->pattern->maxmin_display;
    if (control_point_display != nullptr) {
        *control_point_display = o->pattern->control_point_display;
    }
    return 0;
}

RQ_API int RQ_DRAW_ask_views(tag_t sheet_tag, int* count, tag_t** views) {
    if (count == nullptr || views == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRAW_ask_views", sheet_tag)) return code;
    const Sheet* sheet = sheet_of(sheet_tag);
    if (sheet == nullptr) return RQ_err_bad_tag;
    return give_tags(sheet->views, count, views);
}

// A sheet and each of its views have a flag of their own.
RQ_API int RQ_DRAW_is_object_out_of_date(tag_t object, logical* out_of_date) {
    if (out_of_date == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_DRAW_is_object_out_of_date", object)) return code;
    if (const View* view = view_of(object)) {
        *out_of_date = view->out_of_date ? 1 : 0;
        return 0;
    }
    const Sheet* sheet = sheet_of(object);
    if (sheet == nullptr) return RQ_err_bad_tag;
    *out_of_date = sheet->out_of_date ? 1 : 0;
    return 0;
}

RQ_API int RQ_DRAW_ask_drawing_ref_pt(tag_t view_tag, double reference_point[2]) {
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_ask_drawing_ref_pt", view_tag, &view)) return code;
    if (reference_point == nullptr) return RQ_err_bad_argument;
    reference_point[0] = view->reference_point[0];
    reference_point[1] = view->reference_point[1];
    return 0;
}

RQ_API int RQ_DRAW_ask_view_anchor(tag_t view_tag, tag_t* anchor) {
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_ask_view_anchor", view_tag, &view)) return code;
    if (anchor == nullptr) return RQ_err_bad_argument;
    *anchor = live(view->anchor) != nullptr ? view->anchor : NULL_TAG;
    return 0;
}

RQ_API int RQ_CURVE_ask_point_data(tag_t point, double xyz[3]) {
    if (int code = fault_code("RQ_CURVE_ask_point_data", point)) return code;
    const Object* o = live(point);
    if (o == nullptr || !o->point) return RQ_err_bad_tag;
    if (xyz == nullptr) return RQ_err_bad_argument;
    for (std::size_t i = 0; i < 3; ++i) xyz[i] = o->point->xyz[i];
    return 0;
}

RQ_API int RQ_DRAW_ask_view_parm_scale(tag_t view_tag, int* unused, double* scale) {
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_ask_view_parm_scale", view_tag, &view)) return code;
    if (unused != nullptr) *unused = view->scale_unused;
    if (scale != nullptr) *scale = view->scale;
    return 0;
}

RQ_API int RQ_DRAW_ask_view_angle(tag_t view_tag, double* angle) {
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_ask_view_angle", view_tag, &view)) return code;
    if (angle == nullptr) return RQ_err_bad_argument;
    *angle = view->angle;
    return 0;
}

RQ_API int RQ_DRAW_ask_view_borders(tag_t view_tag, double borders[4]) {
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_ask_view_borders", view_tag, &view)) return code;
    if (borders == nullptr) return RQ_err_bad_argument;
    for (std::size_t i = 0; i < 4; ++i) borders[i] = view->borders[i];
    return 0;
}

RQ_API int RQ_VIEW_ask_type(tag_t view_tag, int* type, int* subtype) {
    const View* view = nullptr;
    if (int code = view_query("RQ_VIEW_ask_type", view_tag, &view)) return code;
    if (type != nullptr) *type = view->view_type;
    if (subtype != nullptr) *subtype = view->view_subtype;
    return 0;
}

RQ_API int RQ_DRAW_ask_view_notes(tag_t view_tag, int* count, tag_t** notes) {
    if (count == nullptr || notes == nullptr) return RQ_err_bad_argument;
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_ask_view_notes", view_tag, &view)) return code;
    return give_tags(view->notes, count, notes);
}

RQ_API int RQ_DRAW_get_view_model_view_part(tag_t view_tag, char part_name[3469]) {
    const View* view = nullptr;
    if (int code = view_query("RQ_DRAW_get_view_model_view_part", view_tag, &view)) return code;
    if (part_name == nullptr) return RQ_err_bad_argument;
    copy_out(part_name, kFileNameSize, view->model_part);
    return 0;
}

// Updates one member view of a sheet: the view's scripted code is the result;
// 0 clears its flag, and the sheet's flag once all its views are up to date,
// unless the sheet stays out of date.
RQ_API int RQ_DRAW_update_one_view(tag_t sheet_tag, tag_t view_tag) {
    if (int code = fault_code("RQ_DRAW_update_one_view", view_tag)) return code;
    Object* sheet_object = live(sheet_tag);
    Object* view_object = live(view_tag);
    if (sheet_object == nullptr || view_object == nullptr || !view_object->view) {
        return RQ_err_bad_tag;
    }
    if (!sheet_object->sheet) return RQ_err_bad_argument;
    link_views(*sheet_object);
    View& view = *view_object->view;
    Sheet& sheet = *sheet_object->sheet;
    if (view.sheet != sheet_tag) return RQ_err_bad_argument;  // not a view of this sheet
    if (view.update_code != 0) return view.update_code;
    if (view.out_of_date) {
        view.out_of_date = false;
        --sheet.stale_views;
        touch_object(*view_object);
    }
    if (sheet.out_of_date && sheet.stale_views <= 0 && !sheet.stays_out_of_date) {
        sheet.out_of_date = false;
        touch_object(*sheet_object);
    }
    return 0;
}

// The views text of the work part's sheet of that name: the names of its
// member views joined by ",", or the text its file gives.
RQ_API int uc6499(const char* sheet_name, char views_text[400]) {
    if (views_text != nullptr) views_text[0] = '\0';
    if (sheet_name == nullptr || views_text == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code_for_name("uc6499", sheet_name)) return code;
    const Part* part = work_part();
    if (part == nullptr) return RQ_err_no_work_part;
    const Object* o = find_sheet_by_name(*part, sheet_name);
    const Sheet* sheet = o != nullptr ? sheet_of(o->tag) : nullptr;
    if (sheet == nullptr) return RQ_err_not_found;
    copy_out(views_text, kViewsTextSize,
             sheet->views_text ? *sheet->views_text : member_view_names(*sheet));
    return 0;
}

}  // extern "C"
