// The batch driver: the CGM import mode, or the check of the single part and
// then of every part of the part list, with the snapshot and save steps, the
// result file, the run's host timer and the start and end banners.
#include "driver/batch_driver.hpp"

#include <rq/rq.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <kavoopen/kavoopen.hpp>
#include <string>
#include <vector>

#include "common/host_release.hpp"
#include "common/rulers.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/cgm_import.hpp"
#include "driver/check_run.hpp"
#include "driver/entry_guard.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/memory_status.hpp"
#include "utils/part_operations.hpp"
#include "utils/pdm_names.hpp"
#include "utils/run_log.hpp"

namespace {

// Source lines shown in the traces, and the check point of the save.
enum : int {
    kLineDoneResultFile = 2447,
    kLineSinglePart = 2451,
    kLineBuildPdmName = 2455,
    kLineGetCurrentTime = 2458,
    kLinePdmStartChecking = 2462,
    kLinePdmStartLoading = 2466,
    kLinePdmErrorLoading = 2469,
    kLinePdmOkLoading = 2475,
    kLinePdmDoChecks = 2477,
    kLineNativeStartChecking = 2491,
    kLineNativeStartLoading = 2495,
    kLineNativeErrorLoading = 2498,
    kLineNativeOkLoading = 2505,
    kLineNativeFinished = 2507,
    kLineListStartLoading = 2541,
    kLineListErrorLoading = 2545,
    kLineListOkLoading = 2550,
    kLineListFinished = 2552,
    kLineListDoChecks = 2553,
    kLineCloseAll = 2559,
    kLineDoneCloseAll = 2561,
    kLineSaveWorkPart = 2612,
};

constexpr int kPdmLoadFailure = -1001;
constexpr int kNativeLoadFailure = -1002;
constexpr int kPartListFailure = -1010;
constexpr int kResultFileFailure = -1020;
constexpr int kOverlongPartName = -1003;

constexpr std::size_t kOpeningNameSize = 516;
constexpr std::size_t kListLineSize = 1024;

// The builds for hosts 4 to 7.5 have no callback modes.
bool in_callback_mode() {
    return host_release().callback_modes && GLOBAL_CALLBACK_MODUS >= 1;
}

// The loading traces: the builds for hosts 4 to 7.5 write their own.
void log_start_loading(int source_line, const char* part_name) {
    if (host_release().callback_modes) {
        write_log(program_log_file, "[%d] ###> Start loading part: %s\n", source_line, part_name);
    } else {
        write_log(program_log_file, "[%d] Start loading part %s\n", source_line, part_name);
    }
}

void log_error_loading(const char* format, int source_line, const char* part_name) {
    if (host_release().callback_modes) {
        write_log(program_log_file, format, source_line, part_name);
    } else {
        write_log(program_log_file, "Error: error loading part %s\n", part_name);
    }
}

void print_load_failure(const char* part_name) {
    if (host_release().callback_modes) {
        pelk_printf_nl("Error: error loading part %s", part_name);
    } else {
        pelk_printf_nl("Error: Could not load the part %s\n", part_name);
    }
}

void log_ruler() {
    log_text(kStepRuler.text);
}

void write_load_error_line(const char* part_name) {
    write_result_line(program_result_file, "%s;-1001;error loading part;N.N", part_name);
}

// A part-list line beyond the line buffer names no part that can be opened:
// its result line gives the name's first characters and says why.
void write_overlong_name_line(const char* cut_name) {
    write_result_line(program_result_file, "%s;%d;part name too long;N.N", cut_name,
                      kOverlongPartName);
}

void run_snapshot_step() {
    if (drawing_snapshot_create != 1) return;
    log_ruler();
    log_text("Snapshot: Creating Snapshot");
    create_drawing_snapshot();
    log_text("Snapshot: Creating Snapshot ---> passed");
}

void run_save_step(bool opening_ruler, bool closing_ruler) {
    if (save_work_part != 1) return;
    if (opening_ruler) log_ruler();
    log_text("Save: Saving Workpart");
    if (std::getenv("TALVEX_MODIFY_PART") != nullptr) force_part_modification();
    log_part_history("Part History before Save");
    const int code = RQ_PART_save_work_only();
    if (code != 0) {
        check_rq_result(code, kLineSaveWorkPart, kDriverUnit);
        log_text("Error: Saving Workpart");
    } else {
        log_part_history("Part History after Save");
        log_text("Save: Saving Workpart ---> passed");
    }
    if (closing_ruler) log_ruler();
}

// What the single part's run does differently in a product-data-management
// session and under a native name.
struct SinglePartRun {
    bool pdm;
    int start_checking_line;
    int start_loading_line;
    int error_loading_line;
    int ok_loading_line;
    int failure;
};

constexpr SinglePartRun kPdmSinglePart{true,
                                       kLinePdmStartChecking,
                                       kLinePdmStartLoading,
                                       kLinePdmErrorLoading,
                                       kLinePdmOkLoading,
                                       kPdmLoadFailure};
constexpr SinglePartRun kNativeSinglePart{false,
                                          kLineNativeStartChecking,
                                          kLineNativeStartLoading,
                                          kLineNativeErrorLoading,
                                          kLineNativeOkLoading,
                                          kNativeLoadFailure};

// Opens (outside the callback modes) and checks the single part under the
// opening name; 0, or the run's failure code when the part cannot be opened.
int check_single_part_as(const SinglePartRun& run, const char* opening_name) {
    if (in_callback_mode())
        pelk_printf_nl("[%d] Start Checking part %s\n", run.start_checking_line, single_part);

    if (!in_callback_mode()) {
        log_start_loading(run.start_loading_line, single_part);
        if (open_part(opening_name) != 0) {
            log_error_loading(run.pdm ? "[%d] ###> Error loading part %s\n"
                                      : "[%d] ###> Error loading part: %s\n",
                              run.error_loading_line, single_part);
            if (!run.pdm) print_load_failure(single_part);
            write_load_error_line(single_part);
            return run.failure;
        }
    }
    write_log(program_log_file,
              run.pdm ? "[%d] ###> OK loading part %s\n" : "[%d] ###> OK loading part: %s\n",
              run.ok_loading_line, single_part);
    if (run.pdm) {
        if (debug_trace_on == 1)
            write_log(program_log_file, "[%d] do the checks", kLinePdmDoChecks);
    } else if (in_callback_mode()) {
        pelk_printf_nl("[%d] loading part %s --> finished\n", kLineNativeFinished, single_part);
    }
    check_one_part(single_part);
    run_snapshot_step();
    run_save_step(true, !run.pdm);
    return 0;
}

// The single part in a product-data-management session; 0 or -1001.
int check_single_pdm_part() {
    char opening_name[kOpeningNameSize] = "";
    if (debug_trace_on == 1)
        write_log(program_log_file, "[%d] build_vrelmgr_part_name\n", kLineBuildPdmName);
    build_vrelmgr_part_name(single_part, opening_name, sizeof opening_name);
    if (debug_trace_on == 1)
        write_log(program_log_file, "[%d] get_current_time", kLineGetCurrentTime);
    get_current_time(start_load_part_date_time);
    return check_single_part_as(kPdmSinglePart, opening_name);
}

// The single part under its native name; 0 or -1002.
int check_single_native_part() {
    get_current_time(start_load_part_date_time);
    return check_single_part_as(kNativeSinglePart, single_part);
}

int check_single_part() {
    if (debug_trace_on == 1)
        write_log(program_log_file, "[%d] single_part = #%s#\n", kLineSinglePart, single_part);
    if (in_callback_mode())
        pelk_printf_nl("[%d] single_part = #%s#\n", kLineSinglePart, single_part);
    return PELK_Is_VrelManager_Active() ? check_single_pdm_part() : check_single_native_part();
}

// The name under which a part-list line is opened; false when it does not fit.
bool make_opening_name(const char* line, char* opening_name, std::size_t size) {
    opening_name[0] = '\0';
    if (PELK_Is_VrelManager_Active()) {
        build_vrelmgr_part_name(line, opening_name, size);
        return true;
    }
    if (std::strlen(line) >= size) return false;
    copy_text(opening_name, size, line);
    return true;
}

void check_list_part(const char* line) {
    char opening_name[kOpeningNameSize];
    const bool fits = make_opening_name(line, opening_name, sizeof opening_name);
    get_current_time(start_load_part_date_time);
    ask_memory_status(start_load_part_memory, sizeof start_load_part_memory);

    log_start_loading(kLineListStartLoading, line);
    if (!fits || open_part(opening_name) != 0) {
        log_error_loading("[%d] ###> Error loading part: %s\n", kLineListErrorLoading, line);
        write_load_error_line(line);
        return;
    }
    write_log(program_log_file, "[%d] ###> OK loading part: %s\n", kLineListOkLoading, line);
    if (debug_trace_on == 1) {
        write_log(program_log_file, "[%d] loading part %s --> finished\n", kLineListFinished, line);
        write_log(program_log_file, "[%d] do the checks", kLineListDoChecks);
    }
    check_one_part(line);
    run_snapshot_step();
    run_save_step(false, false);
    if (debug_trace_on == 1) write_log(program_log_file, "[%d] close all parts", kLineCloseAll);
    RQ_PART_close_all();
    if (debug_trace_on == 1)
        write_log(program_log_file, "[%d] done close all parts", kLineDoneCloseAll);
}

// Reads one line of any length and keeps at most `keep` characters of it, so
// that an endless line takes no memory; false at the end of the file.
bool read_line(std::FILE* file, std::string& line, std::size_t keep) {
    line.clear();
    bool any = false;
    int character = 0;
    while ((character = std::fgetc(file)) != EOF) {
        any = true;
        if (character == '\n') return true;
        if (line.size() < keep) line.push_back(static_cast<char>(character));
    }
    return any;
}

}  // namespace

std::FILE* open_part_list(const char* name) {
    struct stat info {};
    if (stat(name, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode))) {
        return nullptr;
    }
    return std::fopen(name, "r");
}

namespace {

int check_part_list() {
    std::FILE* list = open_part_list(part_list_file);
    if (list == nullptr) {
        write_log(program_log_file, "Error: Could not open %s\n", part_list_file);
        return kPartListFailure;
    }
    // The whole list is read before the first part: a list that the run
    // writes to itself (named as result file or run log) cannot grow for ever.
    std::vector<std::string> lines;
    std::string line;
    // One character more than fits, and a CR before the line end, tell a
    // line that is too long from one that just fits.
    while (read_line(list, line, kListLineSize + 1)) lines.push_back(line);
    std::fclose(list);

    for (std::string& part_name : lines) {
        if (!part_name.empty() && part_name.back() == '\r') part_name.pop_back();  // CR LF
        if (part_name.size() < kListLineSize) {
            check_list_part(part_name.c_str());
            continue;
        }
        // A line beyond the line buffer is reported as a part that cannot be opened.
        char cut[kListLineSize];
        copy_text(cut, part_name.c_str());
        log_error_loading("[%d] ###> Error loading part: %s\n", kLineListErrorLoading, cut);
        write_overlong_name_line(cut);
    }
    return 0;
}

// The checks of the single part and the part list; 0 or the failure code.
int check_parts() {
    if (in_callback_mode()) pelk_printf_nl("init_program_result_file %s\n", program_result_file);
    // A result file that cannot be created would lose every part's result
    // line: the run ends before the first part is checked.
    if (init_program_result_file() != 0) {
        write_log(program_log_file, "Error: Could not create result file %s\n",
                  program_result_file);
        if (in_callback_mode())
            pelk_printf_nl("Error: Could not create result file %s\n", program_result_file);
        return kResultFileFailure;
    }
    if (in_callback_mode())
        pelk_printf_nl("init_program_result_file %s --> passed\n", program_result_file);
    if (debug_trace_on == 1) {
        write_log(program_log_file, "[%d] done init program result file\n", kLineDoneResultFile);
    }
    if (in_callback_mode()) {
        pelk_printf_nl("[%d] done init program result file\n", kLineDoneResultFile);
    }

    if (single_part[0] != '\0') {
        const int result = check_single_part();
        if (result != 0) return result;
    }
    if (part_list_file[0] != '\0') return check_part_list();
    return 0;
}

}  // namespace

int create_drawing_snapshot() {
    if (!host_release().drawing_snapshot) {
        log_text("Snapshot: Drawing snapshot not supported");
        return 0;
    }
    KavoOpen::PartCollection* parts = KavoOpen::Session::GetSession()->Parts();
    KavoOpen::BasePart* work_part = parts->Work();
    parts->Display();

    log_text("Snapshot: Drawing snapshot");
    tag_t sheet = NULL_TAG;
    RQ_OBJ_cycle_objs_in_part(RQ_ASSEM_ask_work_part(), RQ_drawing_type, &sheet);
    auto* part = dynamic_cast<KavoOpen::Part*>(work_part);
    if (sheet != NULL_TAG && part != nullptr) {
        part->DrawingCompare()->CreateSnapshot();
    } else {
        log_text("Snapshot: Warning no drawings found");
    }
    log_text("Snapshot: Drawing snapshot ---> passed");
    return 0;
}

int run_start_of_program() {
    const std::time_t now = std::time(nullptr);
    char time_text[26] = "";
    if (ctime_r(&now, time_text) == nullptr) time_text[0] = '\0';
    pelk_syslog_printf("######## Start of: %s %s <Build: %s> at %s\n", program_name,
                       program_release, build_date_time, time_text);
    if (in_callback_mode()) {
        pelk_printf_nl("\n######## Start of: %s %s <Build: %s> at %s\n", program_name,
                       program_release, build_date_time, time_text);
    }

    pelk_syslog_prefix_on();
    unsigned short timer = 0;
    RQ_begin_timer(&timer);
    set_save_work_part_mode();
    set_mass_props_accuracy();
#ifndef KAVOTALVEX_PLUGIN
    pelk_syslog_printf_if_on("Start of Work\n");
#endif
    if (in_callback_mode()) pelk_printf_nl("\nStart of Work\n");

    int result = 0;
    if (std::strcmp(action_list, kCgmImportAction) == 0) {
        result = cgm_import_to_part_file();
    } else {
        result = check_parts();
        // A part that cannot be loaded, a part list that cannot be read or a
        // result file that cannot be created ends the run at once, without
        // the end lines.
        if (result != 0) return result;
    }

#ifndef KAVOTALVEX_PLUGIN
    pelk_syslog_printf_if_on("End of Work\n");
#endif
    double values[2] = {0.0, 0.0};
    RQ_end_timer(timer, values);
    pelk_list_printf("\nEnd of: %s Real Time = %lf\n", program_name, values[1]);
    pelk_syslog_prefix_off();
    pelk_syslog_printf("\n######## End of: %s Real Time = %lf\n", program_name, values[1]);
    return result;
}

// The exported form lets no exception out: it is logged, and the run ends
// with the general fault code.
extern "C" int StartOfProgram() {
    int result = kGeneralFault;
    run_guarded("StartOfProgram", [&] { result = run_start_of_program(); });
    return result;
}
