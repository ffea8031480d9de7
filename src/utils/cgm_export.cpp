// CGM export of the work part's drawing sheets: one file per sheet in the
// export folder, written by the legacy export ("-1") or by the plot export in
// black on white ("3"). Every step goes to the run log.
#include "utils/cgm_export.hpp"

#include <rq/rq.h>

#include <cstring>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "utils/run_log.hpp"
#include "utils/work_part_objects.hpp"

namespace {

// Check points of the host calls.
enum : int {
    kLineSheetCycle = 3588,
    kLineCgmFileNameTooLong = 3590,
    kLineSheetNameLeavesFolder = 3591,
    kLineJoinPath = 3593,
    kLineLegacyExport = 3598,
    kLineAskJobOptions = 3605,
    kLineSetJobOptions = 3607,
};

// A sheet that gets no file is a failure of the part's check.
constexpr int kSheetNotExported = -1;
constexpr std::size_t kSheetNameSize = 385;
constexpr std::size_t kFileNameSize = 516;
constexpr std::size_t kViewsTextSize = 400;
constexpr char kWithViewKey[] = "_with_view_";
constexpr char kLegacyOption[] = "-1";
constexpr char kBlackOnWhiteOption[] = "3";
constexpr char kPlotJobName[] = "Refile";
constexpr int kLegacyFormat = 2;
constexpr int kLegacyMode = 2;
constexpr int kLegacyColourTable[15] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

void export_legacy(const char* sheet_name, const char* path) {
    write_log(log_file_in_use, "CGM: old mode");
    check_rq_result(uc6410(sheet_name, path, kLegacyFormat, kLegacyMode, kLegacyColourTable),
                    kLineLegacyExport, kUtilsUnit);
    write_log(log_file_in_use, "CGM: old mode --> passed");
}

void export_black_on_white(tag_t sheet, const char* path) {
    write_log(log_file_in_use, "CGM: Cgm_Def_Color_Option = RQ_PLOT_BLACK_ON_WHITE");
    RQ_PLOT_job_options_t options{};
    check_rq_result(RQ_PLOT_ask_session_job_options(&options), kLineAskJobOptions, kUtilsUnit);
    options.colors = RQ_PLOT_BLACK_ON_WHITE;
    check_rq_result(RQ_PLOT_set_session_job_options(&options), kLineSetJobOptions, kUtilsUnit);
    RQ_PLOT_save_cgm(sheet, &options, kPlotJobName, nullptr, path);
    write_log(log_file_in_use, "CGM: Cgm_Def_Color_Option = RQ_PLOT_BLACK_ON_WHITE --> passed");
}

void export_sheet(tag_t sheet, const char* sheet_name, const char* cgm_prefix) {
    write_log(log_file_in_use, "CGM: drawing_name (%s)", sheet_name);
    write_log(log_file_in_use, "CGM: cgm_prefix (%s)", cgm_prefix);
    char cgm_file[kFileNameSize] = "";
    format_text(cgm_file, sizeof cgm_file, "%s_%s.cgm", cgm_prefix, sheet_name);
    write_log(log_file_in_use, "CGM: cgm_file (%s)", cgm_file);
    if (std::strlen(cgm_prefix) + std::strlen(sheet_name) + std::strlen("_.cgm") >=
        sizeof cgm_file) {
        // A cut name would lose ".cgm" and could name another file.
        write_log(log_file_in_use, "Error: CGM file name too long for %s", sheet_name);
        check_rq_result(kSheetNotExported, kLineCgmFileNameTooLong, kUtilsUnit);
        return;
    }
    if (std::strchr(sheet_name, '/') != nullptr) {
        // The sheet name would carry the file out of the export folder.
        write_log(log_file_in_use, "Error: CGM file name of %s leaves the export folder",
                  sheet_name);
        check_rq_result(kSheetNotExported, kLineSheetNameLeavesFolder, kUtilsUnit);
        return;
    }
    write_log(log_file_in_use, "CGM: cgm_extract_dir (%s)", cgm_extract_dir);
    char path[kFileNameSize] = "";
    check_rq_result(uc4575(cgm_extract_dir, 0, cgm_file, path), kLineJoinPath, kUtilsUnit);
    write_log(log_file_in_use, "CGM: Output (%s) to [%s]", sheet_name, path);
    if (std::strcmp(cgm_def_color_option, kLegacyOption) == 0) {
        export_legacy(sheet_name, path);
    } else if (std::strcmp(cgm_def_color_option, kBlackOnWhiteOption) == 0) {
        export_black_on_white(sheet, path);
    }
}

}  // namespace

int sheet_has_views(const char* sheet_name) {
    char views_text[kViewsTextSize];
    views_text[0] = '\0';
    uc6499(sheet_name, views_text);
    return views_text[0] != '\0' ? 1 : 0;
}

int export_sheets_to_cgm(const char* cgm_prefix, int with_view) {
    const char* prefix = cgm_prefix != nullptr ? cgm_prefix : "";
    // A cycle step that fails is recorded: the sheets after it get no file.
    const int code = for_each_in_work_part(RQ_drawing_type, [&](tag_t sheet) {
        char sheet_name[kSheetNameSize] = "";
        RQ_OBJ_ask_name(sheet, sheet_name);
        if (with_view != 0 && sheet_has_views(sheet_name) == 0) return;
        export_sheet(sheet, sheet_name, prefix);
    });
    check_rq_result(code, kLineSheetCycle, kUtilsUnit);
    return 0;
}

int extract_cgm_files(const char* cgm_prefix) {
    const int with_view = std::strstr(sheet_list, kWithViewKey) != nullptr ? 1 : 0;
    export_sheets_to_cgm(cgm_prefix, with_view);
    return 0;
}
