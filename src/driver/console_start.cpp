// The console program from its command line to its exit code: defaults and
// start banner, option pass, run log with the argument echo, validation of the
// chosen mode, host session, batch driver, end banner.
#ifndef KAVOTALVEX_PLUGIN

#include "driver/console_start.hpp"

#include <rq/rq.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <type_traits>

#include "common/rulers.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/batch_driver.hpp"
#include "driver/cgm_import.hpp"
#include "driver/command_line.hpp"
#include "driver/usage_texts.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr int kLineLogin = 1921;

constexpr int kExitTooFewOrHelp = -1;
constexpr int kExitRunLog = -3;
constexpr int kExitBadInput = -4;
constexpr int kExitNothingToCheck = -5;
constexpr int kExitOutdir = -6;

void print_banner_ruler() {
    std::printf("\n%s", kBannerRuler.text);
}

void log_wide_ruler() {
    write_log(program_log_file, "\n%s\n", kWideRuler.text);
}

// A settings line: the option filled up with "_" to 30 characters, then the
// value between bars.
constexpr std::size_t kSettingLabelWidth = 30;

struct SettingLabel {
    char text[kSettingLabelWidth + 1];
    explicit SettingLabel(const char* option) {
        copy_text(text, option);
        const std::size_t length = std::strlen(text);
        std::memset(text + length, '_', kSettingLabelWidth - length);
        text[kSettingLabelWidth] = '\0';
    }
};

void log_setting(const char* option, const char* value) {
    write_log(program_log_file, "%s:|%s|", SettingLabel(option).text, value);
}

void log_setting(const char* option, int value) {
    write_log(program_log_file, "%s:|%d|", SettingLabel(option).text, value);
}

void log_setting(const char* option, double value) {
    write_log(program_log_file, "%s:|%lf|", SettingLabel(option).text, value);
}

bool ends_with_separator(const char* folder) {
    const std::size_t length = std::strlen(folder);
    return length > 0 && folder[length - 1] == '/';
}

void append_separator(char* folder, std::size_t size) {
    if (ends_with_separator(folder)) return;
    const std::size_t length = std::strlen(folder);
    if (length + 1 < size) {
        folder[length] = '/';
        folder[length + 1] = '\0';
    }
}

bool readable(const char* name) {
    return access(name, R_OK) == 0;
}

int complete_output_folder() {
    if (global_outdir[0] != '\0') {
        append_separator(global_outdir, sizeof global_outdir);
        return 0;
    }
    char current[1024];
    if (getcwd(current, sizeof current) != nullptr) {
        copy_text(global_outdir, current);
        append_separator(global_outdir, sizeof global_outdir);
    } else {
        copy_text(global_outdir, "/tmp/");
    }
    log_setting("-outdir", global_outdir);
    return 0;
}

// The part list must open as a file or a pipe; a folder or a device does not count.
bool part_list_opens(const char* name) {
    std::FILE* file = open_part_list(name);
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// Reads a CGM import number from its text: a layer or colour is a whole number
// from 1 to 256, an offset any number. Writes the text's line, then the
// number's line ("_Number" or "_number" after the option) or the error.
template <typename Number>
int read_cgm_number(const char* option, const char* name, const char* text, Number* number) {
    constexpr bool whole = std::is_same_v<Number, int>;
    log_setting(option, text);
    if (std::sscanf(text, whole ? "%d" : "%lf", number) != 1) {
        write_log(program_log_file, "Error: %s %s could not read as number", name, text);
        return kExitBadInput;
    }
    if (whole && (*number < 1 || *number > 256)) {
        write_log(program_log_file, "Error: %s %s is invalid", name, text);
        return kExitBadInput;
    }
    char number_option[kSettingLabelWidth + 1];
    format_text(number_option, sizeof number_option, whole ? "%s_Number" : "%s_number", option);
    log_setting(number_option, *number);
    return 0;
}

// A file that the CGM import needs: its line, and the error when it cannot be read.
int check_cgm_input(const char* option, const char* name, const char* file) {
    log_setting(option, file);
    if (readable(file)) return 0;
    write_log(program_log_file, "Error: %s %s could not be reached", name, file);
    return kExitBadInput;
}

void print_start_banner(int argc, const char* start_text) {
    std::printf("\n");
    print_banner_ruler();
    std::printf("\nStart of: %s %s <Build: %s> at %s", program_name, program_release,
                build_date_time, start_text);
    print_legal_notice();
    print_banner_ruler();
    std::printf("\n");
    std::printf("\n... Reading %d arguments", argc);
}

int create_run_log(const InputParameterList& input_parameter_list) {
    if (program_log_file[0] == '\0') return 0;
    std::printf("\nInfo: Init program logging\n");
    if (init_program_log_file(program_log_file) != 0) {
        std::printf("\nError: init_program_log_file %s", program_log_file);
        return kExitRunLog;
    }
    log_text(kParameterRuler.text);
    log_text("Input Parameter:");
    log_text(kParameterRuler.text);
    for (int i = 0; i < input_parameter_list.count; ++i) {
        log_text(input_parameter_list.entries[i]);
    }
    log_text(kParameterRuler.text);
    log_text("\n");
    return 0;
}

// The batch driver and the end lines, guarded; the host session is ended
// once on either path.
int run_batch_driver(const char* start_text) {
    int result = 0;
    try {
        result = run_start_of_program();
        log_wide_ruler();
        std::printf("\nEnd of: %s %s <Build: %s> at %s", program_name, program_release,
                    build_date_time, start_text);
    } catch (...) {
        log_wide_ruler();
        write_log(program_log_file, "\nError: General %d", kGeneralFault);
        std::printf("\nError: Catched General %d", kGeneralFault);
        write_log(program_log_file, "\nEnd of: %s %s <Build: %s> at %s", program_name,
                  program_release, build_date_time, start_text);
        result = kGeneralFault;
    }
    RQ_terminate();
    return result;
}

}  // namespace

void set_run_defaults() {
    debug_trace_on = 0;
    for (char* text :
         {log_file_option_text, program_log_file, single_part, part_list_file, part_list_path,
          result_file_option_text, program_result_file, global_outdir, action_list}) {
        text[0] = '\0';
    }
    copy_text(sheet_list, "_All_,_with_view_");
    cgm_extract_dir[0] = '\0';
    detail_option[0] = '\0';
    journal_file[0] = '\0';
    copy_text(cgm1_layer_text, "1");
    copy_text(cgm2_layer_text, "2");
    copy_text(cgm1_color_text, "1");
    copy_text(cgm2_color_text, "5");
    copy_text(cgm2_xoffset_text, "0.05");
    copy_text(cgm2_yoffset_text, "0.025");
    copy_text(cgm_def_color_option, "-1");
    GLOBAL_CALLBACK_MODUS = 0;
    pim_mode = 0;
    update_all_views = 0;
    update_all_features = 0;
    structure_sync = 0;
    update_all_views_result = -1;
    update_all_features_result = -1;
    structure_sync_result = -1;
    drawing_snapshot_create = 0;
    save_work_part = 0;
    body_calc_accuracy = 0.99;
    global_max_assembly_level = -1;
}

int validate_check_settings() {
    log_setting("-outdir", global_outdir);
    log_setting("-log", program_log_file);
    log_setting("-result", program_result_file);
    log_setting("-part", single_part);
    log_setting("-partList", part_list_path);
    log_setting("-UpdateAllFeatures", update_all_features);
    log_setting("-UpdateViaFeatutreReplay", updateviafeaturereplay);
    log_setting("-StruktureSync", structure_sync);
    log_setting("-UpdateAllViews", update_all_views);
    log_setting("-Sheet", sheet_list);
    log_setting("-ExtractCGM_toDir", cgm_extract_dir);
    log_setting("-Accuracy", body_calc_accuracy);

    complete_output_folder();

    if (part_list_path[0] != '\0') {
        if (!part_list_opens(part_list_path)) {
            write_log(program_log_file, "Error: Could not open %s", part_list_path);
            log_text("       Program exit");
            return kExitBadInput;
        }
    } else if (single_part[0] == '\0') {
        log_text("Error: Either inputlist nor single part specified");
        return kExitNothingToCheck;
    }

    if (!readable(global_outdir)) {
        write_log(program_log_file, "Error: outputdir %s could not be reached", global_outdir);
        return kExitOutdir;
    }
    return 0;
}

int validate_cgm_import_settings() {
    if (readable(cgm_topartfile)) {
        write_log(program_log_file, "Error: cgm_topartfile %s exists", cgm_topartfile);
        return kExitBadInput;
    }
    pim_mode = 0;

    log_setting("-log", program_log_file);
    log_setting("-CgmtoPartFile", cgm_topartfile);
    if (check_cgm_input("-PartTemplate", "cgm_part_template", cgm_part_template) != 0 ||
        check_cgm_input("-Cgm1_File", "cgm1_file", cgm1_file) != 0 ||
        check_cgm_input("-Cgm2_File", "cgm2_file", cgm2_file) != 0) {
        return kExitBadInput;
    }
    if (read_cgm_number("-Cgm1_Layer", "cgm1_layer_number", cgm1_layer_text, &cgm1_layer_number) !=
            0 ||
        read_cgm_number("-Cgm2_Layer", "cgm2_layer_number", cgm2_layer_text, &cgm2_layer_number) !=
            0 ||
        read_cgm_number("-Cgm1_Color", "cgm1_color_number", cgm1_color_text, &cgm1_color_number) !=
            0 ||
        read_cgm_number("-Cgm2_Color", "cgm2_color_number", cgm2_color_text, &cgm2_color_number) !=
            0) {
        return kExitBadInput;
    }
    if (read_cgm_number("-Cgm2_xOffset", "cgm2_xoffset", cgm2_xoffset_text, &cgm2_xoffset) != 0 ||
        read_cgm_number("-Cgm2_yOffset", "cgm2_yoffset", cgm2_yoffset_text, &cgm2_yoffset) != 0) {
        return kExitBadInput;
    }
    return 0;
}

int start_host_session(int argc, char** argv) {
    if (pim_mode == 1) {
        log_text("Info: Starting RQ_VRELMGR_initialize");
        const int code = RQ_VRELMGR_initialize(argc, argv);
        if (code != 0) return check_rq_result(code, kLineLogin, kDriverUnit);
        if (lorn_revision_rule_name[0] != '\0') {
            write_log(program_log_file, "\nInfo: setting Revision Rule Name: |%s|\n",
                      lorn_revision_rule_name);
            const bool accepted = RQ_VRELMGR_set_config_rule(lorn_revision_rule_name) == 0;
            write_log(program_log_file, "\nInfo: setting LORN Revision Rule Name: |%s|  --> %s\n",
                      lorn_revision_rule_name, accepted ? "passed" : "not passed");
        }
        char rule_name[516] = "";
        RQ_VRELMGR_ask_config_rule(rule_name);
        write_log(program_log_file, "\nInfo: Current LORN Config Rule Name: |%s|\n", rule_name);
        return 0;
    }
    const int code = RQ_initialize();
    if (RQ_is_initialized() != 0) return 0;
    // Without a session the run ends; a session that did not open although
    // its start reported success must not end the run with 0.
    return code != 0 ? code : RQ_err_not_initialized;
}

int kavotalvex_main(int argc, char** argv) {
    set_run_defaults();
    const std::time_t start_time = std::time(nullptr);
    char start_text[256] = "";
    char ctime_text[26];
    if (ctime_r(&start_time, ctime_text) != nullptr) copy_text(start_text, ctime_text);

    pelk_set_output_on();
    print_start_banner(argc, start_text);

    if (argc < 2) {
        std::printf("\nInfo: Too few arguments for kavotalvex");
        print_usage();
        return kExitTooFewOrHelp;
    }

    static InputParameterList input_parameter_list;
    input_parameter_list.count = 0;
    int status = read_command_line(argc, argv, input_parameter_list);
    if (status != 0) return status;
    status = create_run_log(input_parameter_list);
    if (status != 0) return status;

    const bool cgm_import = std::strcmp(action_list, kCgmImportAction) == 0;
    status = cgm_import ? validate_cgm_import_settings() : validate_check_settings();
    if (status != 0) return status;

    // A failed start gives no session to end.
    status = start_host_session(argc, argv);
    if (status != 0) return status;

    log_wide_ruler();
    return run_batch_driver(start_text);
}

#endif  // KAVOTALVEX_PLUGIN
