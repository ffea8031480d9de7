// The CGM import mode: the two CGM files are laid over each other in a new
// part made from the template, each on its own layer in its own colour, the
// second moved by a small offset, and the part is saved under the new name.
#include "driver/cgm_import.hpp"

#include <rq/rq.h>

#include "common/run_settings.hpp"
#include "utils/part_operations.hpp"
#include "utils/pdm_names.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr int kImportFailed = -1002;
constexpr int kLineLayerCycle = 3705;
constexpr int kLineMoveMatrix = 3712;
constexpr int kLineCgm1Layer = 3718;
constexpr int kLineCgm1Import = 3721;
constexpr int kLineCgm2Layer = 3761;
constexpr int kLineCgm2Import = 3764;
constexpr int kLineSaveAs = 3809;
constexpr int kLineCloseAll = 3811;

// One of the two imports: which file, where it goes, and for the second the
// matrix that moves its objects.
struct ImportStep {
    const char* label;  // "Cgm1_File" or "Cgm2_File"
    const char* file;
    int layer;
    int color;
    int layer_check_point;
    int check_point;
    const double* move_matrix;  // nullptr: the objects stay where they are
};

void move_object(tag_t object, const double matrix[16]) {
    tag_t objects[1] = {object};
    tag_t copies[1] = {NULL_TAG};
    tag_t trace_curves = NULL_TAG;
    int status = 0;
    rq5947(matrix, objects, 1, 1, 0, 2, copies, &trace_curves, &status);
    if (status != 0) {
        char reason[133] = "";
        RQ_get_fail_message(status, reason);
        write_log(program_log_file, "Error: %d  = %s transforming Obj", status, reason);
    }
}

// Imports the file onto its layer, then gives every object of that layer
// its colour as a model object (and moves it). 0, or -1002 when the file
// could not be imported.
int import_step(const ImportStep& step) {
    write_log(program_log_file, "Info: Import %s %s to Layer [%d]", step.label, step.file,
              step.layer);
    // Without its work layer the file would land on another layer, unmoved.
    const int layer_code = RQ_LAYER_set_status(step.layer, 1);
    if (check_rq_result(layer_code, step.layer_check_point, kDriverUnit) != 0) {
        write_log(program_log_file, "CGM_Error: setting work layer [%d] for %s", step.layer,
                  step.label);
        return kImportFailed;
    }
    char message[256] = "";
    const int code = uc6411(step.file, message);
    check_rq_result(code, step.check_point, kDriverUnit);
    if (code != 0) {
        write_log(program_log_file, "CGM_Error: importing %s %s (%s)", step.label, step.file,
                  message);
        return kImportFailed;
    }
    tag_t work_view = NULL_TAG;
    RQ_VIEW_ask_work_view(&work_view);
    int count = 0;
    tag_t object = NULL_TAG;
    int cycle_code = 0;
    while ((cycle_code = RQ_LAYER_cycle_by_layer(step.layer, &object)) == 0 && object != NULL_TAG) {
        RQ_VIEW_convert_to_model(work_view, object);
        RQ_OBJ_set_color(object, step.color);
        if (step.move_matrix != nullptr) move_object(object, step.move_matrix);
        ++count;
    }
    // The objects after a failed step would stay unconverted and unmoved.
    if (check_rq_result(cycle_code, kLineLayerCycle, kDriverUnit) != 0) {
        write_log(program_log_file, "CGM_Error: walking layer [%d] of %s", step.layer, step.label);
        return kImportFailed;
    }
    write_log(program_log_file, "Info: Import %s (%d objects) --> passed", step.label, count);
    return 0;
}

}  // namespace

int cgm_import_to_part_file() {
    if (open_part(cgm_part_template) != 0) {
        write_log(program_log_file, "Error: error loading cgm template part %s", cgm_part_template);
        return kImportFailed;
    }
    const double offset[3] = {cgm2_xoffset, cgm2_yoffset, 0.0};
    double matrix[16] = {};
    // Without its matrix the second file's objects would all collapse to the origin.
    if (check_rq_result(rq5943(offset, matrix), kLineMoveMatrix, kDriverUnit) != 0) {
        write_log(program_log_file, "CGM_Error: making the move matrix for Cgm2_File");
        return kImportFailed;
    }

    const ImportStep first{
        "Cgm1_File",     cgm1_file, cgm1_layer_number, cgm1_color_number, kLineCgm1Layer,
        kLineCgm1Import, nullptr};
    const ImportStep second{
        "Cgm2_File",     cgm2_file, cgm2_layer_number, cgm2_color_number, kLineCgm2Layer,
        kLineCgm2Import, matrix};
    if (import_step(first) != 0) return kImportFailed;
    if (import_step(second) != 0) return kImportFailed;

    delete_all_drawings();
    const int saved = RQ_PART_save_as(cgm_topartfile);
    check_rq_result(saved, kLineSaveAs, kDriverUnit);
    const int closed = RQ_PART_close_all();
    check_rq_result(closed, kLineCloseAll, kDriverUnit);
    // Without the saved part the mode has made nothing: not a success.
    return saved == 0 ? 0 : kImportFailed;
}
