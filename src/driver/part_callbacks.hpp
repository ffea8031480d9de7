// The plug-in's start-up entry (rqsta, declared in <rq/rq_entry.h>), the nine
// part-event callbacks it registers, and the callback actions they run.
#pragma once

#include <rq/rq.h>
#include <rq/rq_entry.h>

constexpr int kPartEventCount = 9;
// Registration ids of the callbacks, in reason order; never used again.
extern RQ_registration_id_t callback_registration_ids[kPartEventCount];

void register_part_callbacks();

// Runs the actions whose TALVEX_CALLBACK_* variable holds the reason code
// ("CREAP", "SAVEP", ...); returns 0.
int run_callback_actions(const char* reason_code);

// The deepest assembly level of a KVTX_MAXASSEMBLYLEVEL text: the decimal
// number at its start, or -1 when there is none (or it does not fit an int).
int parse_assembly_level(const char* text);

extern "C" {
int my_create_callback(int reason, const void* application_data, void* user_data);
int my_open_callback(int reason, const void* application_data, void* user_data);
int my_save_callback(int reason, const void* application_data, void* user_data);
int my_save_as_callback(int reason, const void* application_data, void* user_data);
int my_close_callback(int reason, const void* application_data, void* user_data);
int my_modify_callback(int reason, const void* application_data, void* user_data);
int my_rename_callback(int reason, const void* application_data, void* user_data);
int my_cwp_callback(int reason, const void* application_data, void* user_data);
int my_post_save_as_callback(int reason, const void* application_data, void* user_data);
}
