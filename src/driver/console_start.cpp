// The console program from its command line to its exit code: defaults and
// start banner, option pass, run log with the argument echo, validation of the
// chosen mode, host session, batch driver, end banner.
#ifndef KAVOTALVEX_PLUGIN

#include "driver/console_start.hpp"

#include <rq/rq.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/batch_driver.hpp"
#include "driver/command_line.hpp"
#include "driver/usage_texts.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr int kLoginCheckPoint = 1921;
constexpr int kGeneralFault = -4711;

constexpr int kExitTooFewOrHelp = -1;
constexpr int kExitRunLog = -3;
constexpr int kExitBadInput = -4;
constexpr int kExitNothingToCheck = -5;
constexpr int kExitOutdir = -6;

constexpr char kShortDashes[] = "----------------";  // 16

void print_dash_line() {  // a newline and 82 hyphens
    std::printf(
        "\n%s",
        "----------------------------------------------------------------------------------");
}

const char* long_dash_line() {  // a newline, 119 hyphens and a newline
    static char line[122] = "";
    if (line[0] == '\0') {
        line[0] = '\n';
        std::memset(line + 1, '-', 119);
        line[120] = '\n';
        line[121] = '\0';
    }
    return line;
}

void log_line(const char* text) {
    write_log(program_log_file, "%s", text);
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

// The system's temporary folder, used when the current folder cannot be had.
void take_temporary_folder(char* folder, std::size_t size) {
    const char* tmpdir = std::getenv("TMPDIR");
    copy_text(folder, size, tmpdir != nullptr && tmpdir[0] != '\0' ? tmpdir : "/tmp");
}

int complete_output_folder() {
    if (global_outdir[0] != '\0') {
        append_separator(global_outdir, sizeof global_outdir);
        return 0;
    }
    char current[1024];
    if (getcwd(current, sizeof current) != nullptr) {
        copy_text(global_outdir, current);
    } else {
        take_temporary_folder(global_outdir, sizeof global_outdir);
    }
    append_separator(global_outdir, sizeof global_outdir);
    write_log(program_log_file, "-outdir_______________________:|%s|", global_outdir);
    return 0;
}

// The part list must open as a file; a folder does not count.
bool part_list_opens(const char* name) {
    struct stat info {};
    if (stat(name, &info) == 0 && S_ISDIR(info.st_mode)) return false;
    std::FILE* file = std::fopen(name, "r");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// Reads a whole number from 1 to 256; writes the line of the number or the error.
int read_layer_or_color(const char* label, const char* name, const char* text, int* number) {
    write_log(program_log_file, "%s:|%s|", label, text);
    if (std::sscanf(text, "%d", number) != 1) {
        write_log(program_log_file, "Error: %s %s could not read as number", name, text);
        return kExitBadInput;
    }
    if (*number < 1 || *number > 256) {
        write_log(program_log_file, "Error: %s %s is invalid", name, text);
        return kExitBadInput;
    }
    return 0;
}

int read_offset(const char* label, const char* name, const char* text, double* number) {
    write_log(program_log_file, "%s:|%s|", label, text);
    if (std::sscanf(text, "%lf", number) != 1) {
        write_log(program_log_file, "Error: %s %s could not read as number", name, text);
        return kExitBadInput;
    }
    return 0;
}

void print_start_banner(int argc, const char* start_text) {
    std::printf("\n");
    print_dash_line();
    std::printf("\nStart of: %s %s <Build: %s> at %s", program_name, program_release,
                build_date_time, start_text);
    print_legal_notice();
    print_dash_line();
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
    log_line(kShortDashes);
    log_line("Input Parameter:");
    log_line(kShortDashes);
    for (int i = 0; i < input_parameter_list.count; ++i) {
        log_line(input_parameter_list.entries[i]);
    }
    log_line(kShortDashes);
    log_line("\n");
    return 0;
}

int run_batch_driver(const char* start_text) {
    try {
        const int result = StartOfProgram();
        log_line(long_dash_line());
        std::printf("\nEnd of: %s %s <Build: %s> at %s", program_name, program_release,
                    build_date_time, start_text);
        RQ_terminate();
        return result;
    } catch (...) {
        log_line(long_dash_line());
        write_log(program_log_file, "\nError: General %d", kGeneralFault);
        std::printf("\nError: Catched General %d", kGeneralFault);
        write_log(program_log_file, "\nEnd of: %s %s <Build: %s> at %s", program_name,
                  program_release, build_date_time, start_text);
        RQ_terminate();
        return kGeneralFault;
    }
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
    write_log(program_log_file, "-outdir_______________________:|%s|", global_outdir);
    write_log(program_log_file, "-log__________________________:|%s|", program_log_file);
    write_log(program_log_file, "-result_______________________:|%s|", program_result_file);
    write_log(program_log_file, "-part_________________________:|%s|", single_part);
    write_log(program_log_file, "-partList_____________________:|%s|", part_list_path);
    write_log(program_log_file, "-UpdateAllFeatures____________:|%d|", update_all_features);
    write_log(program_log_file, "-UpdateViaFeatutreReplay______:|%d|", updateviafeaturereplay);
    write_log(program_log_file, "-StruktureSync________________:|%d|", structure_sync);
    write_log(program_log_file, "-UpdateAllViews_______________:|%d|", update_all_views);
    write_log(program_log_file, "-Sheet________________________:|%s|", sheet_list);
    write_log(program_log_file, "-ExtractCGM_toDir_____________:|%s|", cgm_extract_dir);
    write_log(program_log_file, "-Accuracy_____________________:|%lf|", body_calc_accuracy);

    complete_output_folder();

    if (part_list_path[0] != '\0') {
        if (!part_list_opens(part_list_path)) {
            write_log(program_log_file, "Error: Could not open %s", part_list_path);
            log_line("       Program exit");
            return kExitBadInput;
        }
    } else if (single_part[0] == '\0') {
        log_line("Error: Either inputlist nor single part specified");
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

    write_log(program_log_file, "-log__________________________:|%s|", program_log_file);
    write_log(program_log_file, "-CgmtoPartFile________________:|%s|", cgm_topartfile);
    write_log(program_log_file, "-PartTemplate_________________:|%s|", cgm_part_template);
    if (!readable(cgm_part_template)) {
        write_log(program_log_file, "Error: cgm_part_template %s could not be reached",
                  cgm_part_template);
        return kExitBadInput;
    }
    write_log(program_log_file, "-Cgm1_File____________________:|%s|", cgm1_file);
    if (!readable(cgm1_file)) {
        write_log(program_log_file, "Error: cgm1_file %s could not be reached", cgm1_file);
        return kExitBadInput;
    }
    write_log(program_log_file, "-Cgm2_File____________________:|%s|", cgm2_file);
    if (!readable(cgm2_file)) {
        write_log(program_log_file, "Error: cgm2_file %s could not be reached", cgm2_file);
        return kExitBadInput;
    }

    struct Number {
        const char* label;
        const char* name;
        const char* text;
        int* number;
        const char* result_label;
    };
    const Number numbers[] = {
        {"-Cgm1_Layer___________________", "cgm1_layer_number", cgm1_layer_text, &cgm1_layer_number,
         "-Cgm1_Layer_Number____________"},
        {"-Cgm2_Layer___________________", "cgm2_layer_number", cgm2_layer_text, &cgm2_layer_number,
         "-Cgm2_Layer_Number____________"},
        {"-Cgm1_Color___________________", "cgm1_color_number", cgm1_color_text, &cgm1_color_number,
         "-Cgm1_Color_Number____________"},
        {"-Cgm2_Color___________________", "cgm2_color_number", cgm2_color_text, &cgm2_color_number,
         "-Cgm2_Color_Number____________"},
    };
    for (const Number& number : numbers) {
        if (read_layer_or_color(number.label, number.name, number.text, number.number) != 0) {
            return kExitBadInput;
        }
        write_log(program_log_file, "%s:|%d|", number.result_label, *number.number);
    }

    if (read_offset("-Cgm2_xOffset_________________", "cgm2_xoffset", cgm2_xoffset_text,
                    &cgm2_xoffset) != 0) {
        return kExitBadInput;
    }
    write_log(program_log_file, "-Cgm2_xOffset_number__________:|%lf|", cgm2_xoffset);
    if (read_offset("-Cgm2_yOffset_________________", "cgm2_yoffset", cgm2_yoffset_text,
                    &cgm2_yoffset) != 0) {
        return kExitBadInput;
    }
    write_log(program_log_file, "-Cgm2_yOffset_number__________:|%lf|", cgm2_yoffset);
    return 0;
}

int start_host_session(int argc, char** argv) {
    if (pim_mode == 1) {
        log_line("Info: Starting RQ_VRELMGR_initialize");
        const int code = RQ_VRELMGR_initialize(argc, argv);
        if (code != 0) return check_rq_result(code, kLoginCheckPoint, kDriverUnit);
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
    if (RQ_is_initialized() == 0) return code;
    return 0;
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

    log_line(long_dash_line());
    return run_batch_driver(start_text);
}

#endif  // KAVOTALVEX_PLUGIN
