// Plotting and CGM export: the session's plot job options, the plot export
// of a sheet and the legacy export of a sheet named in the work part. Both
// exports write binary CGM files (cgm/).
#include <exception>
#include <string>

#include "drafting/cgm/cgm_writer.hpp"
#include "drafting/cgm/sheet_picture.hpp"
#include "drafting/sheet_index.hpp"
#include "parts/store.hpp"
#include "session/faults.hpp"

using namespace standin;

namespace {

constexpr RQ_PLOT_job_options_t kDefaultJobOptions{RQ_PLOT_COLORS_AS_DISPLAYED, 0, 0.01};
constexpr int kLegacyTableSize = 15;
constexpr int kBlack = 1;

RQ_PLOT_job_options_t& job_options() {
    static RQ_PLOT_job_options_t options = kDefaultJobOptions;
    return options;
}

struct ResetRegistration {
    ResetRegistration() {
        add_reset_hook([] { job_options() = kDefaultJobOptions; });
    }
};
const ResetRegistration reset_registration;

const Object* live_sheet(tag_t tag) {
    const Object* o = find_object(tag);
    return o != nullptr && !o->erased && o->type == RQ_drawing_type ? o : nullptr;
}

// Out of memory while drawing a large sheet fails the export, not the host.
int export_sheet(const Object& sheet, const char* metafile_name, const char* path,
                 const cgm::ColourRule& colour) {
    try {
        return cgm::write_metafile(path, cgm::sheet_metafile(sheet, metafile_name, colour));
    } catch (const std::exception&) {
        return RQ_err_cgm_write;
    }
}

}  // namespace

extern "C" {

RQ_API int RQ_PLOT_ask_session_job_options(RQ_PLOT_job_options_t* options) {
    if (options == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_PLOT_ask_session_job_options")) return code;
    *options = job_options();
    return 0;
}

RQ_API int RQ_PLOT_set_session_job_options(const RQ_PLOT_job_options_t* options) {
    if (options == nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_PLOT_set_session_job_options")) return code;
    job_options() = *options;
    return 0;
}

// Black on white draws every colour as index 1; any other mode writes the
// host's colour numbers as they are.
RQ_API int RQ_PLOT_save_cgm(tag_t sheet_tag, const RQ_PLOT_job_options_t* options,
                            const char* job_name, const void* reserved, const char* path) {
    if (path == nullptr || path[0] == '\0' || reserved != nullptr) return RQ_err_bad_argument;
    if (int code = fault_code("RQ_PLOT_save_cgm", sheet_tag)) return code;
    const Object* sheet = live_sheet(sheet_tag);
    if (sheet == nullptr) return RQ_err_bad_tag;
    const int mode = (options != nullptr ? *options : job_options()).colors;
    cgm::ColourRule colour = [mode](int c) { return mode == RQ_PLOT_BLACK_ON_WHITE ? kBlack : c; };
    return export_sheet(*sheet, job_name != nullptr ? job_name : "", path, colour);
}

RQ_API int uc6410(const char* sheet_name, const char* path, int /*format*/, int /*mode*/,
                  const int colour_table[15]) {
    if (sheet_name == nullptr || path == nullptr || path[0] == '\0') return RQ_err_bad_argument;
    if (int code = fault_code_for_name("uc6410", sheet_name)) return code;
    const Part* part = work_part();
    if (part == nullptr) return RQ_err_no_work_part;
    const Object* sheet = find_sheet_by_name(*part, sheet_name);
    if (sheet == nullptr) return RQ_err_not_found;
    cgm::ColourRule colour = [colour_table](int c) {
        return colour_table != nullptr && c >= 1 && c <= kLegacyTableSize ? colour_table[c - 1] : c;
    };
    return export_sheet(*sheet, sheet_name, path, colour);
}

}  // extern "C"
