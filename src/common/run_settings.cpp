// Start values of the process-wide settings. The console program and the
// plug-in differ in the release label, the sheet list, the CGM colour option
// and the update results that the report shows before any update ran.
#include "common/run_settings.hpp"

#include <cstring>
#include <vector>

// ---- program identity ------------------------------------------------------------
// program_name and program_release follow the host release (host_release.cpp).
char build_date_time[256] = "";

// ---- run settings -----------------------------------------------------------------
char single_part[1024] = "";
char part_list_file[1024] = "";
char part_list_path[1024] = "";
char global_outdir[1024] = "";
char program_log_file[1024] = "";
char program_result_file[1024] = "";
char action_list[1024] = "";
char detail_option[1024] = "";
#ifdef KAVOTALVEX_PLUGIN
char sheet_list[1024] = "";
#else
char sheet_list[1024] = "_All_,_with_view_";
#endif
char journal_file[1024] = "";
char cgm_extract_dir[1024] = "";
char cgm_topartfile[1024] = "";
char cgm_part_template[1024] = "";
char log_file_option_text[1024] = "";
char result_file_option_text[1024] = "";
char accuracy_option_text[1024] = "";
char global_max_assembly_level_String[516] = "";
#ifdef KAVOTALVEX_PLUGIN
char cgm_def_color_option[516] = "";
#else
char cgm_def_color_option[516] = "-1";
#endif
char lorn_revision_rule_name[516] = "";
int global_max_assembly_level = -1;
double body_calc_accuracy = 0.99;
int pim_mode = 0;
int update_all_views = 0;
int update_all_features = 0;
int updateviafeaturereplay = 0;
int structure_sync = 0;
int drawing_snapshot_create = 0;
int save_work_part = 0;

int GLOBAL_CALLBACK_MODUS = 0;
int debug_trace_on = 0;

// ---- CGM import mode ----------------------------------------------------------------
char cgm1_file[516] = "";
char cgm2_file[516] = "";
char cgm1_layer_text[516] = "1";
char cgm2_layer_text[516] = "2";
char cgm1_color_text[516] = "1";
char cgm2_color_text[516] = "5";
char cgm2_xoffset_text[80] = "0.05";
char cgm2_yoffset_text[80] = "0.025";
int cgm1_layer_number = 1;
int cgm2_layer_number = 2;
int cgm1_color_number = 1;
int cgm2_color_number = 5;
double cgm2_xoffset = 0.05;
double cgm2_yoffset = 0.025;

// ---- run data of the current part -------------------------------------------------
char start_load_part_date_time[STAMP_BUFSIZE] = "";
char end_load_part_date_time[STAMP_BUFSIZE] = "";
char start_load_part_memory[STAMP_BUFSIZE] = "";
char end_load_part_memory[STAMP_BUFSIZE] = "";
char start_update_date_time[STAMP_BUFSIZE] = "";
char end_update_date_time[STAMP_BUFSIZE] = "";
// The console program shows -1 for an update step that did not run; the
// replay result and every result of the plug-in start at 0.
#ifdef KAVOTALVEX_PLUGIN
int update_all_features_result = 0;
int structure_sync_result = 0;
int update_all_views_result = 0;
#else
int update_all_features_result = -1;
int structure_sync_result = -1;
int update_all_views_result = -1;
#endif
int feature_replay_result = 0;

char glob_xml_file[1024] = "";

namespace {

// Where one setting lives.
struct SettingSlot {
    void* address;
    std::size_t size;
};

template <typename T>
SettingSlot slot_of(T& setting) {
    return {&setting, sizeof setting};
}

const SettingSlot kSettingSlots[] = {
    slot_of(build_date_time),
    slot_of(single_part),
    slot_of(part_list_file),
    slot_of(part_list_path),
    slot_of(global_outdir),
    slot_of(program_log_file),
    slot_of(program_result_file),
    slot_of(action_list),
    slot_of(detail_option),
    slot_of(sheet_list),
    slot_of(journal_file),
    slot_of(cgm_extract_dir),
    slot_of(cgm_topartfile),
    slot_of(cgm_part_template),
    slot_of(log_file_option_text),
    slot_of(result_file_option_text),
    slot_of(accuracy_option_text),
    slot_of(global_max_assembly_level_String),
    slot_of(cgm_def_color_option),
    slot_of(lorn_revision_rule_name),
    slot_of(global_max_assembly_level),
    slot_of(body_calc_accuracy),
    slot_of(pim_mode),
    slot_of(update_all_views),
    slot_of(update_all_features),
    slot_of(updateviafeaturereplay),
    slot_of(structure_sync),
    slot_of(drawing_snapshot_create),
    slot_of(save_work_part),
    slot_of(GLOBAL_CALLBACK_MODUS),
    slot_of(debug_trace_on),
    slot_of(cgm1_file),
    slot_of(cgm2_file),
    slot_of(cgm1_layer_text),
    slot_of(cgm2_layer_text),
    slot_of(cgm1_color_text),
    slot_of(cgm2_color_text),
    slot_of(cgm2_xoffset_text),
    slot_of(cgm2_yoffset_text),
    slot_of(cgm1_layer_number),
    slot_of(cgm2_layer_number),
    slot_of(cgm1_color_number),
    slot_of(cgm2_color_number),
    slot_of(cgm2_xoffset),
    slot_of(cgm2_yoffset),
    slot_of(start_load_part_date_time),
    slot_of(end_load_part_date_time),
    slot_of(start_load_part_memory),
    slot_of(end_load_part_memory),
    slot_of(start_update_date_time),
    slot_of(end_update_date_time),
    slot_of(update_all_features_result),
    slot_of(structure_sync_result),
    slot_of(update_all_views_result),
    slot_of(feature_replay_result),
    slot_of(glob_xml_file),
};

// The bytes of every setting as the program starts: the values above are
// fixed at compile time, so this copy is taken before any code changes one.
std::vector<unsigned char> copy_settings() {
    std::vector<unsigned char> bytes;
    for (const SettingSlot& slot : kSettingSlots) {
        const auto* first = static_cast<const unsigned char*>(slot.address);
        bytes.insert(bytes.end(), first, first + slot.size);
    }
    return bytes;
}

const std::vector<unsigned char> start_values = copy_settings();

}  // namespace

void reset_run_settings() {
    const unsigned char* from = start_values.data();
    for (const SettingSlot& slot : kSettingSlots) {
        std::memcpy(slot.address, from, slot.size);
        from += slot.size;
    }
}
