// The drawing data section of the report: each drawing sheet of the work part
// with its legacy patterns, the counts of its view-dependent objects and
// retained dimensions, and each member view with its data.
#include "utils/drawing_data.hpp"

#include <rq/rq.h>

#include "common/run_settings.hpp"
#include "utils/run_log.hpp"
#include "utils/xml_writer.hpp"

namespace {

constexpr int kNameSize = 133;
constexpr int kPatternNameSize = 385;
constexpr int kFileNameSize = 3469;
constexpr int kPatternDataCount = 13;
constexpr int kVisibleObjects = 2;  // cycle code of the objects a view shows
constexpr int kLineSheetCycle = 3010;
constexpr int kLineViewObjectCycle = 3020;

struct SheetCounts {
    int view_dependent = 0;
    int retained = 0;
};

// Calls visit(object) for each object that the view's cycle gives. A view
// whose first step fails (a sheet without its view) gives nothing; a step
// that fails after the first object is recorded, as the counts miss the rest.
template <typename Visit>
void for_each_view_object(tag_t view, Visit visit) {
    tag_t object = NULL_TAG;
    int code = 0;
    bool any = false;
    while ((code = RQ_VIEW_cycle_objects(view, kVisibleObjects, &object)) == 0 &&
           object != NULL_TAG) {
        visit(object);
        any = true;
    }
    if (any) check_rq_result(code, kLineViewObjectCycle, kUtilsUnit);
}

// The element lines of the pattern's matrix values 0 to 8, in order.
constexpr const char* kMatrixLines[9] = {
    "               <X1>%lf</X1>", "               <Y1>%lf</Y1>", "               <Z1>%lf</Z1>",
    "               <X2>%lf</X2>", "               <Y2>%lf</Y2>", "               <Z2>%lf</Z2>",
    "               <X3>%lf</X3>", "               <Y3>%lf</Y3>", "               <Z3>%lf</Z3>",
};

void write_pattern(tag_t pattern) {
    char name[kPatternNameSize] = "";
    char file_name[kFileNameSize] = "";
    int unused = 0;
    int layer = 0;
    int retrieval_error = 0;
    double data[kPatternDataCount] = {};
    uc5822(pattern, name, file_name, &unused, &layer, &retrieval_error, data);

    write_xml_line(glob_xml_file, "           <Pattern>");
    write_xml_line(glob_xml_file, "            <PatternName>%s</PatternName>", name);
    write_xml_line(glob_xml_file, "            <PatternFileName>%s</PatternFileName>", file_name);
    write_xml_line(glob_xml_file, "            <PatternLayer>%d</PatternLayer>", layer);
    write_xml_line(glob_xml_file, "            <PatternRetrievalError>%d</PatternRetrievalError>",
                   retrieval_error);

    int origin_display = 0;
    int maxmin_display = 0;
    int control_point_display = 0;
    RQ_PATT_ask_params(pattern, &origin_display, &maxmin_display, &control_point_display);
    write_xml_line(glob_xml_file, "            <PatternOrginDisplay>%d</PatternOrginDisplay>",
                   origin_display);
    write_xml_line(glob_xml_file, "            <PatternMaxMinDisplay>%d</PatternMaxMinDisplay>",
                   maxmin_display);
    write_xml_line(glob_xml_file,
                   "            <PatternControlPtDisplay>%d</PatternControlPtDisplay>",
                   control_point_display);

    write_xml_line(glob_xml_file, "            <PatternTransformData>");
    write_xml_line(glob_xml_file, "             <Matrix>");
    for (int i = 0; i < 9; ++i) write_xml_line(glob_xml_file, kMatrixLines[i], data[i]);
    write_xml_line(glob_xml_file, "               <originX>%lf</originX>", data[9]);
    write_xml_line(glob_xml_file, "               <originY>%lf</originY>", data[10]);
    write_xml_line(glob_xml_file, "               <originZ>%lf</originZ>", data[11]);
    write_xml_line(glob_xml_file, "             </Matrix>");
    write_xml_line(glob_xml_file, "             <PatternScaleFactor>%lf</PatternScaleFactor>",
                   data[12]);
    write_xml_line(glob_xml_file, "            </PatternTransformData>");
    write_xml_line(glob_xml_file, "           </Pattern>");
}

// One view-dependent object of a sheet: counted, a retained dimension counted
// as such, a pattern written as a block.
void visit_view_dependent_object(tag_t object, SheetCounts& counts) {
    ++counts.view_dependent;
    int type = 0;
    int subtype = 0;
    RQ_OBJ_ask_type_and_subtype(object, &type, &subtype);
    if (type == RQ_dimension_type) {
        logical retained = 0;
        RQ_DRF_is_annotation_retained(object, &retained);
        if (retained) ++counts.retained;
    } else if (type == RQ_pattern_type && subtype == 0) {
        write_pattern(object);
    }
}

void write_view_anchor(tag_t view) {
    tag_t anchor = NULL_TAG;
    RQ_DRAW_ask_view_anchor(view, &anchor);
    if (anchor == NULL_TAG) return;
    double xyz[3] = {};
    RQ_CURVE_ask_point_data(anchor, xyz);
    write_xml_line(glob_xml_file, "            <ViewAnchorX>%lf</ViewAnchorX>", xyz[0]);
    write_xml_line(glob_xml_file, "            <ViewAnchorY>%lf</ViewAnchorY>", xyz[1]);
    write_xml_line(glob_xml_file, "            <ViewAnchorZ>%lf</ViewAnchorZ>", xyz[2]);
}

void write_view(tag_t view, char (&name)[kNameSize]) {
    RQ_OBJ_ask_name(view, name);
    write_xml_line(glob_xml_file, "           <View>");
    write_xml_line(glob_xml_file, "            <Name>%s</Name>", name);

    logical out_of_date = 0;
    RQ_DRAW_is_object_out_of_date(view, &out_of_date);
    write_xml_line(glob_xml_file, "            <OutOfDateStatus>%d</OutOfDateStatus>", out_of_date);

    double reference[2] = {};
    RQ_DRAW_ask_drawing_ref_pt(view, reference);
    write_xml_line(glob_xml_file, "            <ViewReferencePointX>%lf</ViewReferencePointX>",
                   reference[0]);
    write_xml_line(glob_xml_file, "            <ViewReferencePointY>%lf</ViewReferencePointY>",
                   reference[1]);

    write_view_anchor(view);

    int scale_unused = 0;
    double scale = 0.0;
    RQ_DRAW_ask_view_parm_scale(view, &scale_unused, &scale);
    write_xml_line(glob_xml_file, "            <ViewScale>%lf</ViewScale>", scale);

    double angle = 0.0;
    RQ_DRAW_ask_view_angle(view, &angle);
    write_xml_line(glob_xml_file, "            <ViewAngle>%lf</ViewAngle>", angle);

    double borders[4] = {};
    RQ_DRAW_ask_view_borders(view, borders);
    write_xml_line(glob_xml_file, "            <ViewBorderXmin>%lf</ViewBorderXmin>", borders[0]);
    write_xml_line(glob_xml_file, "            <ViewBorderYmin>%lf</ViewBorderYmin>", borders[1]);
    write_xml_line(glob_xml_file, "            <ViewBorderXmax>%lf</ViewBorderXmax>", borders[2]);
    write_xml_line(glob_xml_file, "            <ViewBorderYmax>%lf</ViewBorderYmax>", borders[3]);

    int view_type = 0;
    int view_subtype = 0;
    RQ_VIEW_ask_type(view, &view_type, &view_subtype);
    write_xml_line(glob_xml_file, "            <ViewType>%d</ViewType>", view_type);
    write_xml_line(glob_xml_file, "            <ViewSubType>%d</ViewSubType>", view_subtype);

    int note_count = 0;
    tag_t* notes = nullptr;
    RQ_DRAW_ask_view_notes(view, &note_count, &notes);
    write_xml_line(glob_xml_file, "            <ViewNotes_n>%d</ViewNotes_n>", note_count);
    if (note_count != 0) RQ_free(notes);

    int displayed = 0;
    for_each_view_object(view, [&displayed](tag_t) { ++displayed; });
    write_xml_line(glob_xml_file, "            <Displayed_Objs_n>%d</Displayed_Objs_n>", displayed);

    char part_name[kFileNameSize] = "";
    RQ_DRAW_get_view_model_view_part(view, part_name);
    write_xml_line(glob_xml_file, "            <ViewPartName>%s</ViewPartName>", part_name);
    write_xml_line(glob_xml_file, "           </View>");
}

void write_sheet(tag_t sheet, char (&name)[kNameSize]) {
    RQ_OBJ_ask_name(sheet, name);
    write_xml_line(glob_xml_file, "        <Drawing>");
    write_xml_line(glob_xml_file, "          <Name>%s</Name>", name);

    tag_t sheet_view = NULL_TAG;
    RQ_DRAW_ask_view_of_drawing(sheet, &sheet_view);
    write_xml_line(glob_xml_file, "          <Patterns>");
    SheetCounts counts;
    for_each_view_object(sheet_view,
                         [&counts](tag_t object) { visit_view_dependent_object(object, counts); });
    write_xml_line(glob_xml_file, "          </Patterns>");
    write_xml_line(glob_xml_file, "          <ViewDependentObjects_n>%d</ViewDependentObjects_n>",
                   counts.view_dependent);

    int view_count = 0;
    tag_t* views = nullptr;
    RQ_DRAW_ask_views(sheet, &view_count, &views);
    write_xml_line(glob_xml_file, "          <RetainedObjects_n>%d</RetainedObjects_n>",
                   counts.retained);
    write_xml_line(glob_xml_file, "          <Drawing_Views_n>%d</Drawing_Views_n>", view_count);
    if (view_count != 0) {
        write_xml_line(glob_xml_file, "          <Views>");
        for (int i = 0; i < view_count; ++i) write_view(views[i], name);
        RQ_free(views);
        write_xml_line(glob_xml_file, "          </Views>");
    }
    write_xml_line(glob_xml_file, "        </Drawing>");
}

}  // namespace

int write_drawing_data() {
    int result = append_line_to_file(glob_xml_file, "      <Drawings>");
    char name[kNameSize] = "";  // the sheet's name, then each view's name in turn
    const tag_t part = RQ_ASSEM_ask_work_part();
    // A cycle that fails ends the list; the failure is recorded, so that a
    // list cut short is not reported as complete.
    tag_t sheet = NULL_TAG;
    int code = 0;
    while ((code = RQ_OBJ_cycle_objs_in_part(part, RQ_drawing_type, &sheet)) == 0 &&
           sheet != NULL_TAG) {
        write_sheet(sheet, name);
    }
    check_rq_result(code, kLineSheetCycle, kUtilsUnit);
    result += append_line_to_file(glob_xml_file, "      </Drawings>");
    return result;
}
