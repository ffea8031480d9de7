// The option pass of the console program. Each argument is held against the
// option table in the table's order; the first row that matches decides. A
// "contained" row matches when its text occurs anywhere in the argument, an
// "equal" row only when the argument is its text. Values are taken from the
// argument's start, behind as many characters as the option text has.
#ifndef KAVOTALVEX_PLUGIN

#include "driver/command_line.hpp"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/cgm_import.hpp"
#include "driver/usage_texts.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/text_fields.hpp"

namespace {

constexpr int kGoOn = 0;
constexpr int kHelpExit = -1;
constexpr int kPartListExit = -2;

constexpr std::size_t kWorkSize = 1024;

enum class Match { contained, equal };

struct OptionRow;
using Effect = int (*)(const OptionRow& row, const char* argument,
                       InputParameterList& input_parameter_list);

struct OptionRow {
    const char* text;
    Match match;
    Effect effect;
    char* target = nullptr;  // the setting a value goes into
    std::size_t target_size = 0;
    int* flag = nullptr;  // the switch an option sets
};

void add_echo_entry(InputParameterList& list, const char* text) {
    if (list.count >= INPUT_PARAMETER_ENTRIES) return;  // beyond the list: not echoed
    copy_text(list.entries[list.count], INPUT_PARAMETER_SIZE, text);
    ++list.count;
}

// The argument followed by a note, such as " (unknown)".
void add_echo_entry_with_note(InputParameterList& list, const char* argument, const char* note) {
    if (list.count >= INPUT_PARAMETER_ENTRIES) return;
    format_text(list.entries[list.count], INPUT_PARAMETER_SIZE, "%s%s", argument, note);
    ++list.count;
}

// The option's value: the argument behind the length of the option text.
void take_value(const OptionRow& row, const char* argument, char* out, std::size_t out_size) {
    char work[kWorkSize];
    copy_text(work, argument);
    char value[kWorkSize];
    copy_from_position(work, value, static_cast<int>(std::strlen(row.text)));
    copy_text(out, out_size, value);
}

int set_switch(const OptionRow& row, const char* argument, InputParameterList& list) {
    *row.flag = 1;
    add_echo_entry(list, argument);
    return kGoOn;
}

int store_value(const OptionRow& row, const char* argument, InputParameterList& list) {
    take_value(row, argument, row.target, row.target_size);
    add_echo_entry(list, argument);
    return kGoOn;
}

// -log= and -result=: the value, or the readable file that the search finds.
int store_file_name(char* option_text, char* file_name, const OptionRow& row, const char* argument,
                    InputParameterList& list) {
    take_value(row, argument, option_text, 1024);
    pelk_find_file(option_text, file_name, 1024);
    if (file_name[0] == '\0') copy_text(file_name, 1024, option_text);
    add_echo_entry(list, argument);
    return kGoOn;
}

int store_log_file(const OptionRow& row, const char* argument, InputParameterList& list) {
    return store_file_name(log_file_option_text, program_log_file, row, argument, list);
}

int store_result_file(const OptionRow& row, const char* argument, InputParameterList& list) {
    return store_file_name(result_file_option_text, program_result_file, row, argument, list);
}

int store_part_list(const OptionRow& row, const char* argument, InputParameterList& list) {
    take_value(row, argument, part_list_file, sizeof part_list_file);
    if (pelk_find_file(part_list_file, part_list_path) == 0) {
        std::printf("\n Inputlist not found");
        std::printf("\n-inputlist____________________:|%s|", part_list_file);
        std::printf("\n-inputlist with path__________:|%s|", part_list_path);
        return kPartListExit;
    }
    add_echo_entry(list, argument);
    return kGoOn;
}

int store_single_part(const OptionRow& row, const char* argument, InputParameterList& list) {
    take_value(row, argument, single_part, sizeof single_part);
    for (const char* marker : {"@db/", "@DB/", "@Db/", "@dB/"}) {
        if (std::strstr(single_part, marker) != nullptr) pim_mode = 1;
    }
    add_echo_entry(list, argument);
    return kGoOn;
}

int store_action_list(const OptionRow&, const char* argument, InputParameterList& list) {
    copy_text(action_list, argument);
    if (std::strstr(action_list, kCgmImportAction) != nullptr)
        copy_text(action_list, kCgmImportAction);
    add_echo_entry(list, argument);
    return kGoOn;
}

int store_color_option(const OptionRow& row, const char* argument, InputParameterList& list) {
    take_value(row, argument, cgm_def_color_option, sizeof cgm_def_color_option);
    const bool one_digit = cgm_def_color_option[0] >= '0' && cgm_def_color_option[0] <= '5' &&
                           cgm_def_color_option[1] == '\0';
    if (one_digit) {
        add_echo_entry(list, argument);
    } else {
        copy_text(cgm_def_color_option, "-1");
        add_echo_entry_with_note(list, argument, " --> set to -1");
    }
    return kGoOn;
}

int store_accuracy(const OptionRow& row, const char* argument, InputParameterList& list) {
    take_value(row, argument, accuracy_option_text, sizeof accuracy_option_text);
    double accuracy = 0.0;
    if (std::sscanf(accuracy_option_text, "%lf", &accuracy) == 1 && accuracy > 0.0 &&
        accuracy <= 1.0) {
        body_calc_accuracy = accuracy;
    } else {
        body_calc_accuracy = 0.99;
    }
    add_echo_entry(list, argument);
    return kGoOn;
}

int store_max_assembly_level(const OptionRow& row, const char* argument, InputParameterList& list) {
    take_value(row, argument, global_max_assembly_level_String,
               sizeof global_max_assembly_level_String);
    int level = 0;
    global_max_assembly_level =
        std::sscanf(global_max_assembly_level_String, "%d", &level) == 1 ? level : -1;
    add_echo_entry(list, argument);
    return kGoOn;
}

int echo_only(const OptionRow&, const char* argument, InputParameterList& list) {
    add_echo_entry(list, argument);
    return kGoOn;
}

int echo_password(const OptionRow&, const char*, InputParameterList& list) {
    add_echo_entry(list, "-p=*");
    return kGoOn;
}

int show_help(const OptionRow&, const char*, InputParameterList&) {
    if (std::strcmp(action_list, kCgmImportAction) == 0) {
        print_usage_cgm_import();
    } else {
        print_usage_check_actions();
    }
    return kHelpExit;
}

template <std::size_t N>
OptionRow value_row(const char* text, char (&target)[N]) {
    return {text, Match::contained, store_value, target, N, nullptr};
}

OptionRow switch_row(const char* text, Match match, int& flag) {
    return {text, match, set_switch, nullptr, 0, &flag};
}

OptionRow effect_row(const char* text, Match match, Effect effect) {
    return {text, match, effect, nullptr, 0, nullptr};
}

const OptionRow* option_table(std::size_t* count) {
    static const OptionRow rows[] = {
        switch_row("-pim=yes", Match::contained, pim_mode),
        value_row("-outdir=", global_outdir),
        effect_row("-log=", Match::contained, store_log_file),
        effect_row("-result=", Match::contained, store_result_file),
        effect_row("-partList=", Match::contained, store_part_list),
        effect_row("-part=", Match::contained, store_single_part),
        effect_row("-Action=", Match::contained, store_action_list),
        value_row("-CgmtoPartFile=", cgm_topartfile),
        value_row("-Cgm1_File=", cgm1_file),
        value_row("-Cgm2_File=", cgm2_file),
        value_row("-Cgm1_Color=", cgm1_color_text),
        value_row("-Cgm2_Color=", cgm2_color_text),
        value_row("-Cgm1_Layer=", cgm1_layer_text),
        value_row("-Cgm2_Layer=", cgm2_layer_text),
        value_row("-Cgm2_xOffset=", cgm2_xoffset_text),
        value_row("-Cgm2_yOffset=", cgm2_yoffset_text),
        effect_row("-Cgm_Def_Color_Option=", Match::contained, store_color_option),
        value_row("-PartTemplate=", cgm_part_template),
        switch_row("-UpdateAllViews", Match::contained, update_all_views),
        switch_row("-UpdateAllFeatures", Match::contained, update_all_features),
        switch_row("-UpdateViaFeatureReplay", Match::contained, updateviafeaturereplay),
        value_row("-Sheet=", sheet_list),
        value_row("-ExtractCGM_toDir=", cgm_extract_dir),
        switch_row("-StruktureSync", Match::contained, structure_sync),
        effect_row("-u=", Match::contained, echo_only),
        effect_row("-g=", Match::contained, echo_only),
        effect_row("-p=", Match::contained, echo_password),
        effect_row("-help", Match::equal, show_help),
        effect_row("-h", Match::equal, show_help),
        effect_row("-?", Match::equal, show_help),
        value_row("-DetailOption=", detail_option),
        switch_row("-DrawingSnapShotCreate", Match::equal, drawing_snapshot_create),
        switch_row("-SaveWorkPart", Match::equal, save_work_part),
        effect_row("-Accuracy=", Match::contained, store_accuracy),
        value_row("-journal=", journal_file),
        effect_row("-MaxAssemblyLevel=", Match::contained, store_max_assembly_level),
        value_row("-LORN_revision_rule_name=", lorn_revision_rule_name),
    };
    *count = sizeof rows / sizeof rows[0];
    return rows;
}

bool row_matches(const OptionRow& row, const char* argument) {
    if (row.match == Match::equal) return std::strcmp(argument, row.text) == 0;
    return std::strstr(argument, row.text) != nullptr;
}

}  // namespace

int read_command_line(int argc, char** argv, InputParameterList& input_parameter_list) {
    std::size_t row_count = 0;
    const OptionRow* rows = option_table(&row_count);
    for (int index = 0; index < argc; ++index) {
        const char* argument = argv[index] != nullptr ? argv[index] : "";
        const OptionRow* found = nullptr;
        for (std::size_t r = 0; r < row_count && found == nullptr; ++r) {
            if (row_matches(rows[r], argument)) found = &rows[r];
        }
        if (found == nullptr) {
            // The program's own path is not echoed when nothing knows it.
            if (index > 0) add_echo_entry_with_note(input_parameter_list, argument, " (unknown)");
            continue;
        }
        const int status = found->effect(*found, argument, input_parameter_list);
        if (status != kGoOn) return status;
    }
    return kGoOn;
}

#endif  // KAVOTALVEX_PLUGIN
