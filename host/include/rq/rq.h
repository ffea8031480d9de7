/*
 * Kavo procedural interface, as offered by the stand-in host.
 *
 * Every call returns an int result code (0 = success) unless its comment
 * says otherwise.  Texts that the host writes into caller buffers never
 * exceed the sizes listed in docs/standin-host.md; texts and arrays that the
 * host hands out are released by the caller with RQ_free (feature lists with
 * RQ_MODL_delete_list, family data with RQ_FAM_free_family_data).
 */
#ifndef RQ_RQ_H
#define RQ_RQ_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define RQ_API __attribute__((visibility("default")))
#else
#define RQ_API
#endif

typedef uint32_t tag_t;        /* object number within one session, 0 = none */
typedef unsigned char logical; /* one-byte flag, 0 = false */

#define NULL_TAG ((tag_t)0)

/* ---- object classes ---------------------------------------------------- */
enum {
    RQ_point_type = 2,
    RQ_line_type = 3,
    RQ_circle_type = 5, /* circular arcs and circles */
    RQ_pattern_type = 10,
    RQ_part_attribute_type = 11,
    RQ_drafting_entity_type = 25,
    RQ_dimension_type = 26,
    RQ_instance_type = 38,
    RQ_view_type = 60,
    RQ_drawing_type = 62,
    RQ_component_type = 63,
    RQ_reference_set_type = 64,
    RQ_solid_type = 70,
    RQ_feature_type = 205,
    RQ_material_type = 210,
    RQ_family_type = 211,
    RQ_arrangement_type = 212,
    RQ_expression_type = 213
};

enum { RQ_solid_body_subtype = 0 };
enum { RQ_MODL_SOLID_BODY = 5601, RQ_MODL_SHEET_BODY = 5602 };
enum { RQ_OBJ_DELETED = 0, RQ_OBJ_TEMPORARY = 1, RQ_OBJ_CONDEMNED = 2, RQ_OBJ_ALIVE = 3 };
enum { RQ_PART_METRIC = 1, RQ_PART_ENGLISH = 2 };

/* Result codes of the stand-in (texts through RQ_get_fail_message). */
enum {
    RQ_err_not_initialized = 1,
    RQ_err_bad_tag = 3,
    RQ_err_no_work_part = 5,
    RQ_err_bad_argument = 7,
    RQ_err_no_name = 9,
    RQ_err_not_found = 11,
    RQ_err_file_not_found = 641,
    RQ_err_file_unreadable = 642,
    RQ_err_file_corrupt = 643,
    RQ_err_file_write = 644,
    RQ_err_file_exists = 645,
    RQ_err_part_read_only = 646,
    RQ_err_out_of_date = 200,
    RQ_err_mass_props = 900,
    RQ_err_login = 3001,
    RQ_err_config_rule = 3002,
    RQ_err_pdm_unknown = 3003,
    RQ_err_pdm_encoding = 3004,
    RQ_err_attribute_missing = 4001,
    RQ_err_feature_update = 5001,
    RQ_err_replay = 5002,
    RQ_err_structure = 5101,
    RQ_err_view_update = 6001,
    RQ_err_drawing_delete = 6002,
    RQ_err_cgm_write = 7001,
    RQ_err_cgm_read = 7002,
    RQ_err_not_drafting = 8001,
    RQ_err_not_sketch_dimension = 8002
};

/* ---- A. session ---------------------------------------------------------- */
RQ_API int RQ_initialize(void);
RQ_API int RQ_terminate(void);
RQ_API int RQ_is_initialized(void); /* non-zero while the session is open */
RQ_API int RQ_get_release(char** release_text);
RQ_API int RQ_get_fail_message(int code, char message[133]);
RQ_API int RQ_PATT_is_archiving_on(logical* flag);
RQ_API int RQ_PATT_is_shading_on(logical* flag);

/* ---- B. parts ------------------------------------------------------------ */
typedef struct RQ_PART_load_status_s {
    int failed;        /* non-zero when a part could not be loaded */
    int n_parts;       /* number of entries below */
    char** file_names; /* host memory, stays with the session */
    int* statuses;
} RQ_PART_load_status_t;

RQ_API int RQ_PART_open(const char* part_name, tag_t* part, RQ_PART_load_status_t* status);
RQ_API int RQ_PART_close_all(void);
RQ_API int RQ_PART_save_work_only(void);
RQ_API int RQ_PART_save_as(const char* new_file_spec);
RQ_API tag_t RQ_ASSEM_ask_work_part(void);
RQ_API int RQ_ASSEM_set_work_part(tag_t part);
RQ_API tag_t RQ_PART_ask_display_part(void);
RQ_API int RQ_PART_ask_part_name(tag_t part, char name[256]);
RQ_API int RQ_PART_ask_description(tag_t part, char** description);
RQ_API int RQ_CURVE_create_point(const double xyz[3], tag_t* point);

/* Text functions on file specifications. */
RQ_API int uc4574(const char* file_spec, int mode, char leaf[516]);
RQ_API int uc4575(const char* folder, int mode, const char* file_name, char joined[516]);
RQ_API int uc4576(const char* file_spec, int mode, char folder[1024], char name[516]);

/* ---- C. product data management (LORN) ---------------------------------- */
RQ_API int RQ_VRELMGR_initialize(int argc, char** argv);
RQ_API int RQ_VRELMGR_set_config_rule(const char* rule_name);
RQ_API int RQ_VRELMGR_ask_config_rule(char rule_name[516]);
RQ_API int RQ_is_vrelmanager_active(int* is_active);
RQ_API int RQ_VRELMGR_encode_part_filename(const char* part_number, const char* rev_id,
                                           const char* file_type, const char* file_name,
                                           char encoded[3469]);
RQ_API int RQ_VRELMGR_decode_part_filename(const char* encoded, char part_number[256],
                                           char rev_id[97], char file_type[127],
                                           char file_name[256]);
RQ_API int RQ_VRELMGR_ask_part_tag(const char* part_number, tag_t* item);
RQ_API int RQ_VRELMGR_ask_configured_rev(tag_t item, tag_t* revision);
RQ_API int RQ_VRELMGR_ask_part_revision_id(tag_t revision, char rev_id[97]);

/* ---- D. objects ------------------------------------------------------------ */
RQ_API int RQ_OBJ_cycle_objs_in_part(tag_t part, int type, tag_t* object);
RQ_API tag_t RQ_OBJ_cycle_all(tag_t part, tag_t previous);
RQ_API int RQ_OBJ_ask_type_and_subtype(tag_t object, int* type, int* subtype);
RQ_API int RQ_OBJ_ask_status(tag_t object); /* returns the status, 0 for unknown tags */
RQ_API int RQ_OBJ_ask_name(tag_t object, char name[31]);
RQ_API int RQ_OBJ_set_name(tag_t object, const char* name);
RQ_API int RQ_OBJ_delete_object(tag_t object);
RQ_API char* RQ_TAG_ask_handle_of_tag(tag_t object); /* session-owned text, NULL for 0 */
RQ_API tag_t RQ_TAG_ask_tag_of_handle(const char* handle);
RQ_API int RQ_OBJ_ask_owning_part(tag_t object, tag_t* part);
RQ_API int RQ_OBJ_ask_cre_mod_versions(tag_t object, int* created, int* modified);
RQ_API int RQ_OBJ_is_displayable(tag_t object, logical* flag);
RQ_API int RQ_OBJ_is_transferable(tag_t object, logical* flag);
RQ_API logical RQ_ASSEM_is_occurrence(tag_t object);

/* ---- E. attributes --------------------------------------------------------- */
enum {
    RQ_ATTR_integer = 1,
    RQ_ATTR_real = 2,
    RQ_ATTR_time = 3,
    RQ_ATTR_null = 4,
    RQ_ATTR_string = 5,
    RQ_ATTR_any = 6,
    RQ_ATTR_boolean = 8
};

typedef struct RQ_ATTR_value_s {
    int type;
    union {
        int integer;
        double real;
        int time[2];
        char* string; /* RQ_ATTR_cycle: session-owned; RQ_ATTR_read_value: caller's buffer */
        unsigned char byte;
    } value;
} RQ_ATTR_value_t;

RQ_API int RQ_ATTR_count_attributes(tag_t object, int type, int* count);
RQ_API int RQ_ATTR_cycle(tag_t object, int* index, int type, char title[256],
                         RQ_ATTR_value_t* value);
RQ_API int RQ_ATTR_ask_part_attribute(tag_t* part_attribute);
RQ_API int RQ_ATTR_ask_locked(tag_t part_attribute, const char* title, logical* locked);
RQ_API int RQ_ATTR_find_attribute(tag_t object, int type, const char* title, int* type_found);
RQ_API int RQ_ATTR_read_value(tag_t object, const char* title, int type, RQ_ATTR_value_t* value);

/* ---- F. expressions --------------------------------------------------------- */
RQ_API int RQ_MODL_ask_exps_of_part(tag_t part, int* count, tag_t** expressions);
RQ_API int RQ_MODL_ask_exp_tag_string(tag_t expression, char** text);
RQ_API int RQ_MODL_ask_exp_tag_value(tag_t expression, double* value);

/* ---- G. part families --------------------------------------------------------- */
typedef struct RQ_FAM_data_s {
    char* name;
    int member_count;
    int attribute_count;
} RQ_FAM_data_t;

RQ_API int RQ_PART_is_family_template(tag_t part, logical* flag);
RQ_API int RQ_PART_is_family_instance(tag_t part, logical* flag);
RQ_API int RQ_PART_ask_families(tag_t part, int* count, tag_t** families);
RQ_API int RQ_FAM_ask_family_data(tag_t family, RQ_FAM_data_t* data);
RQ_API int RQ_FAM_free_family_data(RQ_FAM_data_t* data);

/* ---- H. part history ----------------------------------------------------------- */
typedef struct RQ_PART_history_list_s* RQ_PART_history_list_t;

RQ_API int RQ_PART_create_history_list(RQ_PART_history_list_t* list);
RQ_API int RQ_PART_clear_history_list(RQ_PART_history_list_t list);
RQ_API int RQ_PART_ask_part_history(tag_t part, RQ_PART_history_list_t list);
RQ_API int RQ_PART_ask_num_histories(RQ_PART_history_list_t list, int* count);
RQ_API int RQ_PART_ask_nth_history(RQ_PART_history_list_t list, int index, char** program,
                                   char** user, char** machine, int* version, int* time);

/* ---- I. units -------------------------------------------------------------------- */
RQ_API int RQ_PART_ask_units(tag_t part, int* units);

/* ---- J. bodies and mass properties ---------------------------------------------- */
typedef struct RQ_MODL_list_s* RQ_MODL_feature_list_t;

RQ_API int RQ_MODL_ask_body_type(tag_t body, int* body_type);
RQ_API int RQ_MODL_ask_body_feats(tag_t body, RQ_MODL_feature_list_t* features);
RQ_API int RQ_MODL_ask_list_count(RQ_MODL_feature_list_t list, int* count);
RQ_API int RQ_MODL_delete_list(RQ_MODL_feature_list_t* list);
/*
 * results[1] volume, results[3..5] centre of gravity, results[9..11] moments of
 * inertia about the axes through the centre of gravity parallel to X, Y, Z.
 * statistics holds at least 13 doubles.
 */
RQ_API int RQ_MODL_ask_mass_props_3d(const tag_t* bodies, int n_bodies, int body_kind, int units,
                                     double density, int accuracy_kind, double accuracy[11],
                                     double results[47], double statistics[13]);
RQ_API int RQ_MODL_ask_body_density(tag_t body, int units, double* density);
RQ_API int RQ_MODL_set_body_density(tag_t body, int units, double density);
RQ_API int RQ_SF_locate_material(tag_t body, tag_t* material);

/* ---- K. features and updates --------------------------------------------------- */
RQ_API int RQ_MODL_ask_feat_name(tag_t feature, char** name);
RQ_API int RQ_MODL_ask_feat_type(tag_t feature, char** type);
RQ_API int RQ_MODL_ask_feat_display_name(tag_t feature, char** name);
RQ_API int RQ_MODL_is_browseable_feature(tag_t feature, int option1, int option2, logical* flag);
RQ_API int RQ_MODL_ask_suppress_feature(tag_t feature, int* suppressed);
RQ_API int RQ_MODL_set_update_fail_option(int option);
RQ_API int RQ_MODL_update_all_features(void);
RQ_API int RQ_MODL_ask_current_feature(tag_t part, tag_t* feature);
RQ_API int RQ_MODL_set_current_feature(tag_t feature);

/* ---- L. assemblies --------------------------------------------------------------- */
typedef struct RQ_ASSEM_options_s {
    int load_options;
    int parts_list;
    int update;
    int emphasize;
    int emphasize_color;
    int failure_action;
    int maintain_work_part;
    int load_latest;
    int load_components;
    int load_fully;
#ifndef KAVOHOST_LEGACY_RECORDS
    int load_interpart_data; /* hosts 4 to 7.5 have no such field: 14 fields */
#endif
    int load_substitution;
    int apply_to_all_levels;
    int load_wave_data;
    int load_wave_parents;
} RQ_ASSEM_options_t;

RQ_API int RQ_ASSEM_ask_assem_options(RQ_ASSEM_options_t* options);
/* Mating conditions of a level-1 component (the hosts 4 to 7.5 use them).
   RQ_ASSEM_init_mc clears the record; RQ_ASSEM_ask_mc_data_of_compnt fills it
   for a mated first-level component; RQ_ASSEM_check_mc_structure checks the
   set the record names: its status (below) and, as the second int, the
   number of constraints the set leaves unsolved. */
typedef struct RQ_ASSEM_mc_record_s {
    tag_t component;      /* the mated component; 0 when cleared */
    char name[133];       /* name of the mating condition set; empty when cleared */
    int constraint_count; /* constraints in the set */
    int solved;           /* 1 when the host solved the set */
} RQ_ASSEM_mc_record_t;

enum {
    RQ_ASSEM_mc_structure_ok = 0,  /* solved, with constraints */
    RQ_ASSEM_mc_not_solved = 1,    /* the constraints are not all met */
    RQ_ASSEM_mc_no_constraints = 2 /* the set holds no constraint */
};

RQ_API int RQ_ASSEM_init_mc(RQ_ASSEM_mc_record_t* record);
RQ_API int RQ_ASSEM_ask_mc_data_of_compnt(tag_t component, logical* is_mated,
                                          RQ_ASSEM_mc_record_t* record);
RQ_API int RQ_ASSEM_check_mc_structure(RQ_ASSEM_mc_record_t* record, int* status, int* other);
RQ_API int RQ_ASSEM_ask_component_data(tag_t component, char part_name[3469], char refset_name[385],
                                       char instance_name[3445], double origin[3],
                                       double orientation[9], double transform[4][4]);
RQ_API tag_t RQ_ASSEM_ask_inst_of_part_occ(tag_t component);
RQ_API int RQ_ASSEM_ask_parent_component(tag_t component, tag_t* parent);
RQ_API tag_t RQ_ASSEM_ask_prototype_of_occ(tag_t occurrence);
RQ_API int RQ_ASSEM_ask_suppress_state(tag_t instance, int* state);
RQ_API int RQ_ASSEM_ask_suppression_exp(tag_t instance, tag_t* expression);
RQ_API int RQ_ASSEM_count_objs_in_comp(tag_t component, int* count);
RQ_API int RQ_ASSEM_ask_active_arrangement(tag_t part, tag_t* arrangement);
RQ_API int RQ_ASSEM_ask_arrangements_in_part(tag_t part, int* count, tag_t** arrangements);
RQ_API int RQ_ASSEM_ask_name_of_arrangement(tag_t arrangement, char** name);
RQ_API int RQ_ASSEM_ask_ref_set_members(tag_t reference_set, int* count, tag_t** members);
RQ_API int RQ_FLTR_update_structure(tag_t part);
RQ_API int RQ_DRAW_is_drafting_component(tag_t component, logical* flag);

/* ---- O. layers and display ------------------------------------------------------- */
typedef struct RQ_OBJ_disp_props_s {
    int layer;
    int color;
    int blank_status;
    int line_width;
    int font;
} RQ_OBJ_disp_props_t;

RQ_API int RQ_LAYER_cycle_by_layer(int layer, tag_t* object);
RQ_API int RQ_LAYER_set_status(int layer, int status);
RQ_API int RQ_OBJ_set_color(tag_t object, int color);
RQ_API int RQ_OBJ_ask_display_properties(tag_t object, RQ_OBJ_disp_props_t* properties);
RQ_API int RQ_DISP_set_highlight(tag_t object, int on);

/* ---- R. timers ---------------------------------------------------------------------- */
RQ_API int RQ_begin_timer(unsigned short* timer);
RQ_API int RQ_end_timer(unsigned short timer, double values[2]);

/* ---- S/T. syslog and listing window --------------------------------------------- */
RQ_API int RQ_print_syslog(const char* text, int flag);
RQ_API int RQ_ask_syslog_filename(char** file_name);
RQ_API int RQ_UI_is_listing_window_open(logical* is_open);
RQ_API int RQ_UI_open_listing_window(void);
RQ_API int RQ_UI_write_listing_window(const char* text);

/* ---- X/Y. host variables and memory ---------------------------------------------- */
RQ_API int RQ_translate_variable(const char* name, char** value);
RQ_API void RQ_free(void* data);

/* ---- U. dialogs --------------------------------------------------------------------- */
/* Response codes of the text dialog: 2 or less leaves, above 2 goes on. */
enum { RQ_UI_BACK = 1, RQ_UI_CANCEL = 2, RQ_UI_OK = 3 };

/*
 * Text dialog: shows the cue (at most 80 characters) and the text (in/out, at
 * most 132 characters, *length its length) and returns the response code.
 * The answered text replaces the text only on a response above 2.
 */
RQ_API int uc1600(const char* cue, char text[133], int* length);

/* ---- V. part-event callbacks ---------------------------------------------------------- */
enum {
    RQ_create_part_reason = 0,
    RQ_open_part_reason = 1,
    RQ_save_part_reason = 2,
    RQ_save_as_part_reason = 3,
    RQ_close_part_reason = 4,
    RQ_modified_part_reason = 5,
    RQ_rename_part_reason = 6,
    RQ_change_work_part_reason = 7,
    RQ_post_save_as_part_reason = 8
};

/* application_data points to the tag of the part concerned. */
typedef int (*RQ_callback_fn_t)(int reason, const void* application_data, void* user_data);
typedef unsigned int RQ_registration_id_t; /* 1, 2, ... in order of registration */

/* Registers fn for the reason (0..8); callbacks stay registered for the session. */
RQ_API int RQ_add_callback_function(int reason, RQ_callback_fn_t fn, void* user_data,
                                    RQ_registration_id_t* id);

/* ---- M. drafting: sheets, views, patterns, retained dimensions ------------------- */
RQ_API int RQ_DRAW_ask_view_of_drawing(tag_t sheet, tag_t* sheet_view);
/* cycle_code 2: the objects shown in the view (a sheet's own view: its
 * view-dependent objects); *object starts at 0 and comes back 0 after the last. */
RQ_API int RQ_VIEW_cycle_objects(tag_t view, int cycle_code, tag_t* object);
RQ_API int RQ_DRF_is_annotation_retained(tag_t annotation, logical* retained);
/* Legacy pattern: name, file name, an unused int, layer, retrieval error and
 * 13 doubles (3x3 matrix in stored order, origin, scale factor). */
RQ_API int uc5822(tag_t pattern, char name[385], char file_name[3469], int* unused, int* layer,
                  int* retrieval_error, double data[13]);
RQ_API int RQ_PATT_ask_params(tag_t pattern, int* origin_display, int* maxmin_display,
                              int* control_point_display);
RQ_API int RQ_DRAW_ask_views(tag_t sheet, int* count, tag_t** views); /* RQ_free when count != 0 */
RQ_API int RQ_DRAW_is_object_out_of_date(tag_t sheet_or_view, logical* out_of_date);
RQ_API int RQ_DRAW_ask_drawing_ref_pt(tag_t view, double reference_point[2]);
RQ_API int RQ_DRAW_ask_view_anchor(tag_t view, tag_t* anchor_point); /* 0: none */
RQ_API int RQ_CURVE_ask_point_data(tag_t point, double xyz[3]);
RQ_API int RQ_DRAW_ask_view_parm_scale(tag_t view, int* unused, double* scale);
RQ_API int RQ_DRAW_ask_view_angle(tag_t view, double* angle);
RQ_API int RQ_DRAW_ask_view_borders(tag_t view, double borders[4]); /* x/y min, x/y max */
RQ_API int RQ_VIEW_ask_type(tag_t view, int* type, int* subtype);
RQ_API int RQ_DRAW_ask_view_notes(tag_t view, int* count,
                                  tag_t** notes); /* RQ_free when count != 0 */
RQ_API int RQ_DRAW_get_view_model_view_part(tag_t view, char part_name[3469]);
RQ_API int RQ_DRAW_update_one_view(tag_t sheet, tag_t view);
/* The views text of the work part's sheet of that name (at most 399 characters). */
RQ_API int uc6499(const char* sheet_name, char views_text[400]);

/* ---- M. drafting objects and dimensions ------------------------------------------ */
/* Origin of a drafting object (type 25) or dimension (type 26). */
RQ_API int RQ_DRF_ask_origin(tag_t drafting_object, double origin[3]);

typedef struct RQ_DRF_assoc_data_s {
    tag_t first_object;  /* first associated object, 0 for none */
    tag_t second_object; /* second associated object, 0 for none */
} RQ_DRF_assoc_data_t;
/* *records: one RQ_free releases them; NULL when *count is 0. */
RQ_API int RQ_DRF_ask_associativity_data(tag_t drafting_object, int* count,
                                         RQ_DRF_assoc_data_t** records);

typedef struct RQ_DRF_text_line_s {
    char* text;
} RQ_DRF_text_line_t;
typedef struct RQ_DRF_text_block_s {
    int text_type;
    int text_font;
    double text_size;
    double text_angle;
    double char_space_factor; /* 1.0 */
    double aspect_ratio;      /* 1.0 */
    int num_lines;
    RQ_DRF_text_line_t* lines;
} RQ_DRF_text_block_t;
/* *blocks, with their lines and texts, is one allocation: one RQ_free
 * releases all of it; NULL when *count is 0. */
RQ_API int RQ_DRF_ask_draft_aid_text_info(tag_t drafting_object, int* count,
                                          RQ_DRF_text_block_t** blocks);

/* Sketch-dimension data of the object; RQ_err_not_sketch_dimension for every
 * object that is no sketch dimension (outputs untouched). The expression text
 * is at most 9999 characters. */
RQ_API int RQ_SKET_ask_dim_status(tag_t object, tag_t* expression, char expression_text[10000],
                                  double* value, int* status);

/* View dependency: the name of the view (at most 255 characters) whose
 * view-dependent objects include the object, and *dependent 1; an object that
 * depends on no view gives "" and 0. */
RQ_API int uc6409(tag_t object, int* dependent, char view_name[256]);
/* Deletes a drawing sheet with its member views and its own view. */
RQ_API int RQ_DRAW_delete_drawing(tag_t sheet);

/* ---- N. plotting and CGM export --------------------------------------------------- */
/* Colour modes of a plot job. */
enum { RQ_PLOT_COLORS_AS_DISPLAYED = 1, RQ_PLOT_BLACK_ON_WHITE = 3 };
/* The session's plot job options; the first int is the colour mode. */
typedef struct RQ_PLOT_job_options_s {
    int colors;       /* colour mode (RQ_PLOT_COLORS_AS_DISPLAYED at session start) */
    int widths;       /* line widths: 0 as displayed */
    double tolerance; /* chord tolerance in sheet units */
} RQ_PLOT_job_options_t;
RQ_API int RQ_PLOT_ask_session_job_options(RQ_PLOT_job_options_t* options);
/* The options stay in force for the rest of the session. */
RQ_API int RQ_PLOT_set_session_job_options(const RQ_PLOT_job_options_t* options);
/* Writes the sheet as a binary CGM file at path; options NULL: the session's.
 * reserved must be NULL. */
RQ_API int RQ_PLOT_save_cgm(tag_t sheet, const RQ_PLOT_job_options_t* options, const char* job_name,
                            const void* reserved, const char* path);
/* Legacy export of the work part's sheet of that name as a binary CGM file;
 * colour c (1..15) is written as colour_table[c - 1]. */
RQ_API int uc6410(const char* sheet_name, const char* path, int format, int mode,
                  const int colour_table[15]);

/* ---- N. CGM import ------------------------------------------------------------------ */
/* Reads a binary CGM file into the work part: its lines, arcs and texts become
 * objects on the work layer, dependent on the work view. Non-zero (and a
 * reason of at most 255 characters in message) when the file cannot be read;
 * then nothing is created. */
RQ_API int uc6411(const char* cgm_file, char message[256]);
/* The 4x4 matrix (row after row, translation in elements 3, 7 and 11) that
 * moves by the vector. */
RQ_API int rq5943(const double vector[3], double matrix[16]);
/* Moves the objects' geometry by the matrix. move 1 moves (copies are not
 * made), layer 0 keeps the objects' layers, trace 2 makes no trace curves;
 * copies (n_objects tags) and trace_curves may be NULL and come back 0.
 * *status is 0, or the code of the first object that could not be moved. */
RQ_API int rq5947(const double matrix[16], const tag_t objects[], int n_objects, int move,
                  int layer, int trace, tag_t copies[], tag_t* trace_curves, int* status);
/* The work view of the work part (a modelling view named "TOP", made when the
 * part has none). */
RQ_API int RQ_VIEW_ask_work_view(tag_t* view);
/* Makes a view-dependent object of the view a model object. */
RQ_API int RQ_VIEW_convert_to_model(tag_t view, tag_t object);

#ifdef __cplusplus
}
#endif

#endif /* RQ_RQ_H */
