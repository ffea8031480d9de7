// Start values of the process-wide settings. The console program and the
// plug-in differ in the release label, the sheet list, the CGM colour option
// and the update results that the report shows before any update ran.
#include "common/run_settings.hpp"

// ---- program identity ------------------------------------------------------------
extern const char program_name[] = "TalvexForKavo";
#ifdef KAVOTALVEX_PLUGIN
extern const char program_release[] = "V3-001 (Kavo CR2212) (intern)";
#else
extern const char program_release[] = "V3-001 (Kavo CR2212)";
#endif
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
