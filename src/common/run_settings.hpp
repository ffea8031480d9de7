// Process-wide settings of one run. The command line (console program) or the
// environment variables (plug-in) fill them before any report code runs; the
// check utilities only read them.
#pragma once

// ---- program identity ------------------------------------------------------------
// The build's host release decides both (common/host_release.hpp).
extern const char* program_name;
extern const char* program_release;
extern char build_date_time[256];  // "date  time" of the build, set at the first check

// ---- run settings -----------------------------------------------------------------
extern char single_part[1024];
extern char part_list_file[1024];
extern char part_list_path[1024];
extern char global_outdir[1024];
extern char program_log_file[1024];
extern char program_result_file[1024];
extern char action_list[1024];
extern char detail_option[1024];
extern char sheet_list[1024];
extern char journal_file[1024];
extern char cgm_extract_dir[1024];
extern char cgm_topartfile[1024];
extern char cgm_part_template[1024];
extern char log_file_option_text[1024];
extern char result_file_option_text[1024];
extern char accuracy_option_text[1024];
extern char global_max_assembly_level_String[516];
extern char cgm_def_color_option[516];
extern char lorn_revision_rule_name[516];
extern int global_max_assembly_level;
extern double body_calc_accuracy;
extern int pim_mode;
extern int update_all_views;
extern int update_all_features;
extern int updateviafeaturereplay;
extern int structure_sync;
extern int drawing_snapshot_create;
extern int save_work_part;

// 0 batch or interactive check, 1 change-of-work-part check, 2 save check.
extern int GLOBAL_CALLBACK_MODUS;
// Trace flag of the check driver; set after the first part's journal step.
extern int debug_trace_on;

// ---- CGM import mode ----------------------------------------------------------------
extern char cgm1_file[516];
extern char cgm2_file[516];
extern char cgm1_layer_text[516];
extern char cgm2_layer_text[516];
extern char cgm1_color_text[516];
extern char cgm2_color_text[516];
extern char cgm2_xoffset_text[80];
extern char cgm2_yoffset_text[80];
extern int cgm1_layer_number;
extern int cgm2_layer_number;
extern int cgm1_color_number;
extern int cgm2_color_number;
extern double cgm2_xoffset;
extern double cgm2_yoffset;

// ---- run data of the current part -------------------------------------------------
constexpr int STAMP_BUFSIZE = 256;
extern char start_load_part_date_time[STAMP_BUFSIZE];
extern char end_load_part_date_time[STAMP_BUFSIZE];
extern char start_load_part_memory[STAMP_BUFSIZE];
extern char end_load_part_memory[STAMP_BUFSIZE];
extern char start_update_date_time[STAMP_BUFSIZE];
extern char end_update_date_time[STAMP_BUFSIZE];
extern int update_all_features_result;
extern int feature_replay_result;
extern int structure_sync_result;
extern int update_all_views_result;

// Full name of the current part's XML report; every section appends to it.
extern char glob_xml_file[1024];

// Source-unit names printed by the error reports.
inline constexpr const char kUtilsUnit[] = "kavotalvex_utils";
inline constexpr const char kDriverUnit[] = "KavoTalvex";

// Every setting above, the build stamp and the run data back to their values
// at program start.
void reset_run_settings();
