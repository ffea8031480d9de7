// The check of one part: names its report (and the CGM prefix), runs the
// update steps, writes the report section by section under the action list's
// gates and the named timers, exports the sheets, logs the timer statistic
// and appends the part's result line.
#include "driver/check_run.hpp"

#include <rq/rq.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/host_release.hpp"
#include "common/rulers.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/assembly_data.hpp"
#include "utils/cgm_export.hpp"
#include "utils/drawing_data.hpp"
#include "utils/entity_section.hpp"
#include "utils/memory_status.hpp"
#include "utils/model_data.hpp"
#include "utils/named_timers.hpp"
#include "utils/part_header.hpp"
#include "utils/report_frame.hpp"
#include "utils/run_log.hpp"
#include "utils/update_operations.hpp"
#include "utils/xml_writer.hpp"

namespace {

// Source lines shown in the traces.
enum : int {
    kLinePartName = 2741,
    kLinePdmActive = 2770,
    kLineDecoded = 2774,
    kLineRepairingReport = 2801,
    kLineDoneReport = 2803,
    kLineRepairingPrefix = 2805,
    kLineDonePrefix = 2807,
    kLinePdmInfoPart = 2809,
    kLinePdmInfoXmlFile = 2810,
    kLineNativeInfoPart = 2849,
    kLineNativeInfoXmlFile = 2850,
    kLineGlobXmlFile = 2858,
    kLineCallbackModus = 2859,
    kLineGlobXmlFileTrace = 2882,
    kLineXmlFile = 2883,
    kLineStartUpdate = 2887,
    kLineDoneUpdate = 2889,
    kLineInitXmlFile = 2894,
    kLineInitXmlFilePassed = 2896,
    kLineXmlHeader = 2899,
    kLinePartHeader = 2905,
    kLineModelSection = 2911,
    kLineResultFile = 2985,
};

constexpr std::size_t kNameSize = 516;
constexpr std::size_t kMessageSize = 1024;

// The builds for hosts 4 to 7.5 have no callback modes: no callback suffixes
// or run log, no journal step, no console copies, and their trace texts carry
// no source line.
bool has_callback_modes() {
    return host_release().callback_modes;
}

// Logs a trace text: "\n[<source line>] <text>" where the build has callback
// modes, else the text alone.
__attribute__((format(printf, 2, 3))) void log_trace(int source_line, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    if (has_callback_modes()) {
        write_log(program_log_file, "\n[%d] %s", source_line, text.c_str());
    } else {
        log_text(text.c_str());
    }
}

void log_check_rule() {
    write_log(program_log_file, "%s\n", kCheckRule.text);
}

// Console copies of the run: on from the second check of a process, or when a
// callback action variable is present.
bool console_trace_switch() {
    if (!has_callback_modes()) return false;
    return debug_trace_on == 1 || std::getenv("TALVEX_CHANGE_WORKPART_ACTION") != nullptr ||
           std::getenv("TALVEX_SAVE_CALLBACK_ACTION") != nullptr;
}

const char* mode_suffix() {
    if (!has_callback_modes()) return ".xml";
    switch (GLOBAL_CALLBACK_MODUS) {
        case 1:
            return "_CB1-Pre.xml";
        case 2:
            return "_CB2-Post.xml";
        default:
            return ".xml";
    }
}

// Formats a name whole; one that does not fit is refused (left empty) rather
// than cut, since a cut name may be another part's report.
__attribute__((format(printf, 3, 4))) bool format_whole(char* out, std::size_t size,
                                                        const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(out, size, format, args);
    va_end(args);
    if (length >= 0 && static_cast<std::size_t>(length) < size) return true;
    out[0] = '\0';
    return false;
}

struct ReportNames {
    char report_name[kNameSize] = "";  // file name without folder
    char cgm_prefix[kNameSize] = "";
    char full_name[sizeof glob_xml_file] = "";  // with the output folder
    char failure[128] = "";                     // why there is no full name
};

constexpr char kNameTooLong[] = "the report name does not fit";
constexpr char kNoPartName[] = "the part has no name";

// No report for this part: the report's names empty, and the reason kept.
// The CGM files keep the part's own prefix: a part with a name loses none of
// them, and one without has none to name.
void refuse_report_names(ReportNames& names, const char* failure) {
    names.report_name[0] = '\0';
    names.full_name[0] = '\0';
    copy_text(names.failure, failure);
}

// The full report name as the host joins the output folder and the report
// name; refused when the host cannot join them.
void join_with_output_folder(ReportNames& names) {
    char joined[kNameSize] = "";
    const int join_code = uc4575(global_outdir, 0, names.report_name, joined);
    copy_text(names.full_name, joined);
    if (join_code != 0 || names.full_name[0] == '\0') {
        char failure[sizeof names.failure];
        format_text(failure, sizeof failure,
                    "the host cannot join the output folder and the report name (error %d)",
                    join_code);
        refuse_report_names(names, failure);
    }
}

void name_pdm_report(const char* part_name, ReportNames& names) {
    log_trace(kLinePdmActive, "PELK_Is_VrelManager_Active");
    char part_number[2701] = "";
    char rev_id[97] = "";
    char file_type[127] = "";
    char file_name[385] = "";
    const int decode_code =
        RQ_VRELMGR_decode_part_filename(part_name, part_number, rev_id, file_type, file_name);
    log_trace(kLineDecoded, "decoded = #%s#", file_name);

    const bool prefix_fits =
        file_name[0] != '\0'
            ? format_whole(names.cgm_prefix, kNameSize, "%s_%s_%s_%s", part_number, rev_id,
                           file_type, file_name)
            : format_whole(names.cgm_prefix, kNameSize, "%s_%s_%s", part_number, rev_id, file_type);
    if (!prefix_fits ||
        !format_whole(names.report_name, kNameSize, "%s%s", names.cgm_prefix, mode_suffix())) {
        names.cgm_prefix[0] = '\0';
        names.report_name[0] = '\0';
    }

    log_trace(kLineRepairingReport, "repairing fname2 = #%s#", names.report_name);
    repair_file_name(names.report_name);
    log_trace(kLineDoneReport, "done xml_file = #%s#", names.report_name);
    log_trace(kLineRepairingPrefix, "repairing cgm_prefix = #%s#", names.cgm_prefix);
    repair_file_name(names.cgm_prefix);
    log_trace(kLineDonePrefix, "done cgm_prefix = #%s#", names.cgm_prefix);
    log_trace(kLinePdmInfoPart, "Info: Part = %s/%s/%s/%s", part_number, rev_id, file_type,
              file_name);
    log_trace(kLinePdmInfoXmlFile, "Info: xml_file = %s", names.report_name);
    if (decode_code != 0) {
        // Empty fields would name "__.xml", which every such part overwrites.
        char failure[sizeof names.failure];
        format_text(failure, sizeof failure, "the host cannot decode the part name (error %d)",
                    decode_code);
        refuse_report_names(names, failure);
        names.cgm_prefix[0] = '\0';
    } else if (names.report_name[0] == '\0') {
        copy_text(names.failure, kNameTooLong);
    } else if (!has_callback_modes()) {
        join_with_output_folder(names);
    } else if (!format_whole(names.full_name, kNameSize, "%s%s", global_outdir,
                             names.report_name)) {
        names.full_name[0] = '\0';
        copy_text(names.failure, kNameTooLong);
    }
}

void name_native_report(const char* part_name, bool console_trace, ReportNames& names) {
    char leaf[kNameSize] = "";
    const int leaf_code = uc4574(part_name, 2, leaf);
    if (leaf_code != 0) leaf[0] = '\0';
    if (console_trace) {
        pelk_printf_nl("NATIVE GLOBAL_CALLBACK_MODUS=%d", GLOBAL_CALLBACK_MODUS);
        pelk_printf_nl("NATIVE fname1=%s", leaf);
        pelk_printf_nl("NATIVE xml_file=%s", names.full_name);
        pelk_printf_nl("NATIVE global_outdir=%s", global_outdir);
    }

    bool name_fits = true;
    if (!has_callback_modes()) {
        name_fits = format_whole(names.report_name, kNameSize, "%s.xml", leaf);
    } else if (GLOBAL_CALLBACK_MODUS == 1 || GLOBAL_CALLBACK_MODUS == 2) {
        name_fits = format_whole(names.report_name, kNameSize, "%s%s", leaf, mode_suffix());
    } else {
        // The host may write the part's own folder here; the report stays in
        // the configured output folder all the same.
        char folder[sizeof global_outdir];
        copy_text(folder, global_outdir);
        char unused_name[kNameSize] = "";
        uc4576(part_name, 0, folder, unused_name);
        name_fits = format_whole(names.report_name, kNameSize, "%s.xml", leaf);
    }
    copy_text(names.cgm_prefix, leaf);
    repair_file_name(names.report_name);
    repair_file_name(names.cgm_prefix);

    join_with_output_folder(names);
    if (leaf[0] == '\0') {
        refuse_report_names(names, kNoPartName);
    } else if (!name_fits) {
        refuse_report_names(names, kNameTooLong);
    }

    log_trace(kLineNativeInfoPart, "Info: Part = %s", part_name);
    if (has_callback_modes()) {
        write_log(program_log_file, "[%d] Info: xml_file = %s", kLineNativeInfoXmlFile,
                  names.full_name);
    } else {
        write_log(program_log_file, "Info: xml_file = %s", names.full_name);
    }
    if (console_trace) {
        pelk_printf_nl("Info: global_outdir = %s", global_outdir);
        pelk_printf_nl("Info: fname2 = %s", names.report_name);
        pelk_printf_nl("Info: xml_file = %s", names.full_name);
        pelk_printf_nl("GLOBAL_CALLBACK_MODUS = %d   fname2=%s", GLOBAL_CALLBACK_MODUS,
                       names.report_name);
    }
}

// A callback check without a report starts no run log either: its name
// would be ".log" in the host's working folder.
void start_callback_run_log(bool console_trace) {
    if (has_callback_modes() && (GLOBAL_CALLBACK_MODUS == 1 || GLOBAL_CALLBACK_MODUS == 2)) {
        if (glob_xml_file[0] == '\0') {
            program_log_file[0] = '\0';
            return;
        }
        format_text(program_log_file, sizeof program_log_file, "%s.log", glob_xml_file);
        if (init_program_log_file(program_log_file) != 0) {
            std::printf("\nError: init_program_log_file %s", program_log_file);
        } else {
            write_log(program_log_file, "Info: GLOBAL_CALLBACK_MODUS=%d", GLOBAL_CALLBACK_MODUS);
            write_log(program_log_file, "Info: xml_file = %s", glob_xml_file);
        }
        return;
    }
    log_text("No CAllback Modus_____________");
    if (console_trace)
        pelk_printf_nl("\nGLOBAL_CALLBACK_MODUS = 0 glob_xml_file=%s\n", glob_xml_file);
}

void run_update_steps() {
    get_current_time(start_update_date_time);
    if (debug_trace_on == 1)
        write_log(program_log_file, "[%d] Start do the update", kLineStartUpdate);
    run_updates();
    if (debug_trace_on == 1) {
        write_log(program_log_file, "[%d] done the update --> finished", kLineDoneUpdate);
    }
    get_current_time(end_update_date_time);
    log_text(kStepRuler.text);
}

bool action_selects(const char* keyword) {
    return action_list[0] == '\0' || std::strstr(action_list, keyword) != nullptr;
}

// One report section under its timer slot.
struct Section {
    const char* keyword;  // nullptr: the entity section, gated by the detail option
    int start_line;       // 0: the start text carries no source line
    const char* start_text;
    const char* start_console;
    const char* passed_text;
    bool console_passed;
    int (*writer)();
    const char* timer_name;
    int timer_slot;
};

void write_section(const Section& section, bool console_trace) {
    if (section.start_line != 0) {
        log_trace(section.start_line, "%s", section.start_text);
    } else {
        log_text(section.start_text);
    }
    if (console_trace) pelk_printf_nl("%s", section.start_console);
    set_timer_name(section.timer_name, section.timer_slot);
    start_named_timer(section.timer_name);
    section.writer();
    log_text(section.passed_text);
    if (console_trace && section.console_passed) pelk_printf_nl("%s", section.passed_text);
    stop_named_timer(section.timer_name);
}

// The slots that the entity section times itself.
void name_entity_timer_slots() {
    set_timer_name("CYCLE_ALL", 10);
    set_timer_name("CHECK_ENTITY_SPECIFICA", 11);
    set_timer_name("Entity_general_info", 15);
    set_timer_name("RQ_DRF_ask_draft_aid_text_info", 16);
    set_timer_name("RQ_DRF_ask_associativity_data", 17);
    set_timer_name("RQ_DRF_ask_draft_aid_text_info", 18);
    set_timer_name("RQ_SKET_ask_dim_status", 19);
}

void write_report_sections(bool console_trace) {
    static const Section model{"ModelGetData",
                               kLineModelSection,
                               "Info: Check_Model Section",
                               "\nInfo: Check_Model Section",
                               "\nInfo: Check_Model Section --> passed",
                               true,
                               write_model_data,
                               "CHECK_MODEL_SECTION",
                               0};
    static const Section assembly{"AssemblyGetData",
                                  0,
                                  "\nInfo: Check_Assembly Section",
                                  "\nInfo: Check_Assembly Section",
                                  "\nInfo: Check_Assembly Section --> passed",
                                  true,
                                  write_assembly_data,
                                  "CHECK_ASSEMBLY_SECTION",
                                  1};
    static const Section drawing{"DrawingGetData",
                                 0,
                                 "\nInfo: Check_Drawing Section",
                                 "\nInfo: Check_Drawing Section",
                                 "\nInfo: Check_Drawing Section --> passed",
                                 true,
                                 write_drawing_data,
                                 "CHECK_DRAWING_SECTION",
                                 2};
    static const Section entities{nullptr,
                                  0,
                                  "\nInfo: Check_Entities Section",
                                  "\nInfo: Check_Entities Section",
                                  "\nInfo: Check_Entities Section --> passed",
                                  false,
                                  write_entities,
                                  "CHECK_ENTITY_SECTION",
                                  3};

    for (const Section* section : {&model, &assembly, &drawing}) {
        if (action_selects(section->keyword)) write_section(*section, console_trace);
    }
    if (detail_option[0] != '\0') {
        name_entity_timer_slots();
        write_section(entities, console_trace);
    }
}

void write_report(bool console_trace) {
    log_trace(kLineInitXmlFile, "Info: init_xml_file");
    init_xml_file();
    log_trace(kLineInitXmlFilePassed, "Info: init_xml_file --> passed");
    if (console_trace) pelk_printf_nl("\ninit_xml_file=%s\n", glob_xml_file);

    log_trace(kLineXmlHeader, "Info: write_xml_header");
    if (console_trace) pelk_printf_nl("%s", "\nInfo: write_xml_header");
    write_xml_header();
    log_text("Info: write_xml_header --> passed");
    if (console_trace) pelk_printf_nl("%s", "\nInfo: write_xml_header --> passed");

    log_trace(kLinePartHeader, "Info: Part Header Section");
    write_part_header();
    log_text("Info: Part Header Section --> passed");

    write_report_sections(console_trace);

    log_text("\nInfo: write_xml_end Section");
    write_xml_end();
    log_text("\nInfo: write_xml_end Section --> passed");
}

}  // namespace

int run_updates() {
    std::printf("\n update_all_features = %d", update_all_features);
    std::printf("\n updateviafeaturereplay = %d", updateviafeaturereplay);
    std::printf("\n structure_sync = %d", structure_sync);
    std::printf("\n update_all_views = %d", update_all_views);

    struct Step {
        int switched_on;
        const char* start_text;
        int (*operation)();
        int* result;
        const char* passed_text;
    };
    const Step steps[] = {
        {update_all_features, "Update: All Features", run_update_all_features,
         &update_all_features_result, "Update: All Features ---> passed"},
        {updateviafeaturereplay, "Update: Via Feature Replay", run_feature_replay,
         &feature_replay_result, "Update: Update: Via Feature Replay ---> passed"},
        {structure_sync, "Update: Structure Sync", run_structure_sync, &structure_sync_result,
         "Update: Structure Sync ---> passed"},
        {update_all_views, "Update: Drawing views", run_update_all_views, &update_all_views_result,
         "Update: Drawing views ---> passed"},
    };
    for (const Step& step : steps) {
        if (!step.switched_on) continue;
        log_text(step.start_text);
        *step.result = step.operation();
        log_text(step.passed_text);
    }
    return 0;
}

int check_one_part(const char* part_name) {
    const char* caller_name = part_name != nullptr ? part_name : "";

    get_current_time(end_load_part_date_time);
    ask_memory_status(end_load_part_memory, sizeof end_load_part_memory);
    format_text(build_date_time, sizeof build_date_time, "%s  %s", __DATE__, __TIME__);

    log_text("\n");
    log_check_rule();
    log_time_stamp("Start Check at ");
    pelk_printf_nl("\n%s\n", kCheckRule.text);

    const bool console_trace = console_trace_switch();
    reset_result_status();

    // A name the host could not give is no name: it cannot name a report.
    char work_part_name[kNameSize] = "";
    if (RQ_PART_ask_part_name(RQ_ASSEM_ask_work_part(), work_part_name) != 0)
        work_part_name[0] = '\0';
    if (debug_trace_on == 1) {
        write_log(program_log_file, "[%d] partname = #%s#", kLinePartName, work_part_name);
    }
    if (console_trace) pelk_printf_nl("[%d] partname = #%s#", kLinePartName, work_part_name);

    if (has_callback_modes()) {
        if (journal_file[0] != '\0' && access(journal_file, R_OK) == 0) {
            pelk_syslog_printf("\nrun a journal");
        }
        debug_trace_on = 1;
    }

    ReportNames names;
    if (PELK_Is_VrelManager_Active()) {
        name_pdm_report(work_part_name, names);
    } else {
        name_native_report(work_part_name, console_trace, names);
    }
    if (work_part_name[0] == '\0') {
        refuse_report_names(names, kNoPartName);
        names.cgm_prefix[0] = '\0';
    }

    copy_text(glob_xml_file, names.full_name);
    log_trace(kLineGlobXmlFile, "Info: glob_xml_file = %s", glob_xml_file);
    // A part whose report cannot be named gets no report, and its result
    // line must not read "OK".
    if (glob_xml_file[0] == '\0') {
        check_rq_result(-1, kLineGlobXmlFile, kDriverUnit);
        write_log(program_log_file, "Error: no report written: %s", names.failure);
    }
    log_trace(kLineCallbackModus, "Info: GLOBAL_CALLBACK_MODUS___:|%d|", GLOBAL_CALLBACK_MODUS);
    start_callback_run_log(console_trace);

    write_log(program_log_file, "\nglob_xml_file=%s\n", glob_xml_file);
    log_trace(kLineGlobXmlFileTrace, "glob_xml_file = #%s#", glob_xml_file);
    pelk_printf_nl("\n[%d] xmlfile = #%s#", kLineXmlFile, glob_xml_file);
    log_text(kStepRuler.text);

    run_update_steps();
    write_report(console_trace);

    int code = 0;
    char message[kMessageSize] = "";
    ask_result_status(&code, message, sizeof message);

    if (cgm_extract_dir[0] != '\0') {
        log_text(kStepRuler.text);
        // Without a prefix every sheet file would be "_<sheet>.cgm", and each
        // such part would overwrite the last one's.
        if (names.cgm_prefix[0] != '\0') {
            extract_cgm_files(names.cgm_prefix);
        } else {
            log_text("Error: no CGM files written: the part has no name");
        }
        log_text(kStepRuler.text);
        // A sheet the export could not write is the part's first error when
        // the check itself had none.
        ask_result_status(&code, message, sizeof message);
    }
    log_timer_statistic();

    pelk_printf_nl("\n[%d] resultfile=%s   %s;%d;%s;%s", kLineResultFile, program_result_file,
                   caller_name, code, message, glob_xml_file);
    write_result_line(program_result_file, "%s;%d;%s;%s", caller_name, code, message,
                      glob_xml_file);

    log_time_stamp("Finished checking at ");
    log_check_rule();
    return code;
}
