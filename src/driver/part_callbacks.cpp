// Start-up entry of the plug-in and the part-event callbacks: each callback
// traces its event and, with a work part, runs the callback actions that the
// TALVEX_CALLBACK_* variables choose for it; on save and on change of work
// part it can also check the work part through the batch driver.
#include "driver/part_callbacks.hpp"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/host_release.hpp"
#include "common/rulers.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/batch_driver.hpp"
#include "driver/entry_guard.hpp"
#include "driver/host_bracket.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/callback_actions.hpp"
#include "utils/run_log.hpp"
#include "utils/update_operations.hpp"

RQ_registration_id_t callback_registration_ids[kPartEventCount] = {};

namespace {

// Source lines of the action traces.
enum : int {
    kLineActionsSkipped = 3361,
    kLineDeleteAttributes = 3368,
    kLineDeleteReason = 3369,
    kLineDeletePassed = 3371,
    kLineDeleteSkipped = 3374,
    kLineLineWidths = 3378,
    kLineLineWidthsReason = 3379,
    kLineLineWidthsPassed = 3381,
    kLineLineWidthsSkipped = 3384,
    kLineStructureSync = 3388,
    kLineStructureSyncReason = 3389,
    kLineCurrentWorkPart = 3391,
    kLineBeforeSync = 3393,
    kLineSyncPassed = 3395,
    kLineAfterSync = 3397,
    kLineSyncSkipped = 3400,
};

constexpr std::size_t kPartNameSize = 3469;

// What one part event writes; the formats take the program name first.
struct PartEvent {
    int reason;
    const char* host_reason;
    const char* name;  // of the callback, in exception lines
    RQ_callback_fn_t callback;
    const char* reason_code;
    const char* event_line;    // syslog, then the part name
    const char* printer_line;  // trace printer
    const char* skip_line;     // syslog, without a work part
};

const PartEvent kCreate{RQ_create_part_reason,
                        "RQ_create_part_reason",
                        "my_create_callback",
                        my_create_callback,
                        "CREAP",
                        "\n+++%s: my_create_callback %s",
                        "\n+++%s: CB_create_callback",
                        "\n+++%s: my_create_callback skipped (no work part)\n"};
const PartEvent kOpen{RQ_open_part_reason,
                      "RQ_open_part_reason",
                      "my_open_callback",
                      my_open_callback,
                      "OPENP",
                      "\n+++%s: my_open_callback %s",
                      "\n+++%s: CB_open_callback",
                      "\n+++%s: my_open_callback skipped (no work part)\n"};
const PartEvent kSave{RQ_save_part_reason,
                      "RQ_save_part_reason",
                      "my_save_callback",
                      my_save_callback,
                      "SAVEP",
                      "\n+++%s: my_save_callback %s\n",
                      "\n+++%s: CB_save_callback",
                      "\n+++%s: my_save_callback skipped (no work part)\n"};
const PartEvent kSaveAs{RQ_save_as_part_reason,
                        "RQ_save_as_part_reason",
                        "my_save_as_callback",
                        my_save_as_callback,
                        "SVASP",
                        "\n+++%s: my_save_as_callback %s\n",
                        "\n+++%s: CB_save_as_callback",
                        "\n+++%s: my_save_as_callback skipped (no work part)\n"};
const PartEvent kClose{RQ_close_part_reason,
                       "RQ_close_part_reason",
                       "my_close_callback",
                       my_close_callback,
                       "CLOSP",
                       "\n+++%s: my_close_callback %s\n",
                       "\n+++%s: CB_close_callback",
                       "\n+++%s: my_close_callback skipped (no work part)\n"};
const PartEvent kModify{RQ_modified_part_reason,
                        "RQ_modified_part_reason",
                        "my_modify_callback",
                        my_modify_callback,
                        "MODIP",
                        "\n+++%s: my_modify_callback %s\n",
                        "\n+++%s: CB_modify_callback",
                        "\n+++%s: my_modify_callback skipped (no work part)\n"};
const PartEvent kRename{RQ_rename_part_reason,
                        "RQ_rename_part_reason",
                        "my_rename_callback",
                        my_rename_callback,
                        "RENAP",
                        "\n+++%s: my_rename_callback %s\n",
                        "\n+++%s: CB_rename_callback",
                        "\n+++%s: my_rename_callback skipped (no work part)\n"};
const PartEvent kChangeWork{RQ_change_work_part_reason,
                            "RQ_change_work_part_reason",
                            "my_cwp_callback",
                            my_cwp_callback,
                            "CHWOP",
                            "\n+++%s: my_cwp_callback part_name=%s",
                            "\n+++%s: CB_cwp_callback",
                            "\n+++%s: my_cwp_callback skipped (no work part)\n"};
const PartEvent kPostSaveAs{RQ_post_save_as_part_reason,
                            "RQ_post_save_as_part_reason",
                            "my_post_save_as_callback",
                            my_post_save_as_callback,
                            "POSAP",
                            "\n+++%s: my_post_save_as_callback %s\n",
                            "\n+++%s: CB_post_save_as_callback",
                            "\n+++%s: my_post_save_as_callback skipped (no work part)\n"};

const PartEvent* const kPartEvents[kPartEventCount] = {
    &kCreate, &kOpen, &kSave, &kSaveAs, &kClose, &kModify, &kRename, &kChangeWork, &kPostSaveAs};

bool has_work_part() {
    return RQ_ASSEM_ask_work_part() != NULL_TAG;
}

// A part name as the callbacks hold it: hosts 9 and 8.5 keep fewer
// characters than the host's full-name buffer holds.
void cut_to_callback_name_size(char (&name)[kPartNameSize]) {
    const auto size = static_cast<std::size_t>(host_release().callback_part_name_size);
    if (size > 0 && size < kPartNameSize) name[size - 1] = '\0';
}

void ask_part_name(tag_t part, char (&name)[kPartNameSize]) {
    RQ_PART_ask_part_name(part, name);
    cut_to_callback_name_size(name);
}

// The full name of the part whose tag the application data points to.
void ask_event_part_name(const void* application_data, char (&name)[kPartNameSize]) {
    name[0] = '\0';
    if (application_data == nullptr) return;
    ask_part_name(*static_cast<const tag_t*>(application_data), name);
}

// The events whose callbacks the host release has: none for hosts 4 to 7.5,
// no post-save-as event for hosts 9 and 8.5.
bool event_registered(const PartEvent& event) {
    const HostReleaseTraits& release = host_release();
    if (!release.callback_modes) return false;
    return event.reason != RQ_post_save_as_part_reason || release.post_save_as_event;
}

// Present in the environment and holding the reason code somewhere in its value.
bool action_wanted(const char* variable, const char* reason_code) {
    const char* value = std::getenv(variable);
    return value != nullptr && std::strstr(value, reason_code) != nullptr;
}

// A syslog line of an action: "[source line] release label Info: ...".
struct ActionLine {
    int source_line;
    const char* format;  // takes the source line and the release label
};

void write_action_line(const ActionLine& line) {
    pelk_syslog_printf(line.format, line.source_line, program_release);
}

void sync_work_part_structure() {
    char work_part_name[kPartNameSize] = "";
    ask_part_name(RQ_ASSEM_ask_work_part(), work_part_name);
    pelk_syslog_printf("\n[%d] %s Info: Current WorkPart: %s\n", kLineCurrentWorkPart,
                       program_release, work_part_name);
    pelk_syslog_printf("\n[%d] %s Info: Before Structure_sync NumberOfComponents: %d\n",
                       kLineBeforeSync, program_release, count_components());
    run_structure_sync();
}

void log_components_after_sync() {
    pelk_syslog_printf("\n[%d] %s Info: After Structure_sync NumberOfComponents: %d\n",
                       kLineAfterSync, program_release, count_components());
}

// One callback action: the variable that chooses it, its trace lines and its
// work; `after` (if any) runs behind the passed line.
struct CallbackAction {
    const char* variable;
    ActionLine start;
    int reason_line;
    void (*work)();
    ActionLine passed;
    void (*after)();
    ActionLine skipped;
};

const CallbackAction kCallbackActions[] = {
    {"TALVEX_CALLBACK_DeleteAttributes",
     {kLineDeleteAttributes, "\n[%d] %s Info: TALVEX_CALLBACK_DeleteAttributes\n"},
     kLineDeleteReason,
     [] { delete_attributes(); },
     {kLineDeletePassed, "\n[%d] %s Info: TALVEX_CALLBACK_DeleteAttributes --> passed\n"},
     nullptr,
     {kLineDeleteSkipped, "\n[%d] %s Info: TALVEX_CALLBACK_DeleteAttributes --> skipped\n"}},
    {"TALVEX_CALLBACK_SetLineWidthPreferences",
     {kLineLineWidths, "\n[%d] %s Info: TALVEX_CALLBACK_SetLineWidthPreferences"},
     kLineLineWidthsReason,
     [] { set_line_width_preferences(); },
     {kLineLineWidthsPassed,
      "\n[%d] %s Info: TALVEX_CALLBACK_SetLineWidthPreferences --> passed\n"},
     nullptr,
     {kLineLineWidthsSkipped,
      "\n[%d] %s Info: TALVEX_CALLBACK_SetLineWidthPreferences --> skipped\n"}},
    {"TALVEX_CALLBACK_Structure_sync",
     {kLineStructureSync, "\n[%d] %s Info: TALVEX_CALLBACK_Structure_sync"},
     kLineStructureSyncReason,
     sync_work_part_structure,
     {kLineSyncPassed, "\n[%d] %s Info: TALVEX_CALLBACK_Structure_sync --> passed\n"},
     log_components_after_sync,
     {kLineSyncSkipped, "\n[%d] %s Info: TALVEX_CALLBACK_Structure_sync --> skipped\n"}},
};

// An action that throws is logged and not traced as passed; the next one runs.
void run_callback_action(const CallbackAction& action, const char* reason_code) {
    if (!action_wanted(action.variable, reason_code)) {
        write_action_line(action.skipped);
        return;
    }
    write_action_line(action.start);
    pelk_syslog_printf("\n[%d] %s Info: REASON: %s\n", action.reason_line, program_release,
                       reason_code);
    if (!run_guarded(action.variable, action.work)) return;
    write_action_line(action.passed);
    if (action.after != nullptr) action.after();
}

// The settings of a check action: the part, the output folder, the object
// types and the deepest assembly level (kept when the level text is empty).
void read_check_action_settings(const char* part_name, bool trace) {
    copy_text(single_part, part_name);
    pelk_translate_variable("KVTX_outdir", global_outdir);
    pelk_translate_variable("KVTX_detail_option", detail_option);
    pelk_translate_variable("KVTX_MAXASSEMBLYLEVEL", global_max_assembly_level_String);
    if (trace)
        pelk_printf_nl("\n+++%s: global_max_assembly_level_String %s", program_name,
                       global_max_assembly_level_String);
    if (global_max_assembly_level_String[0] == '\0') return;
    if (trace)
        pelk_printf_nl("\n+++%s: global_max_assembly_level_String %s", program_name,
                       global_max_assembly_level_String);
    global_max_assembly_level = parse_assembly_level(global_max_assembly_level_String);
}

// Checks the work part under the saved part's name (callback mode 2).
void run_save_check(const char* saved_part_name) {
    read_check_action_settings(saved_part_name, true);
    GLOBAL_CALLBACK_MODUS = 2;
    pelk_printf_nl("\n+++%s: global_outdir %s", program_name, global_outdir);
    pelk_printf_nl("\n+++%s: KVTX_detail_option %s", program_name, detail_option);
    pelk_printf_nl("\n+++%s: KVTX_MAXASSEMBLYLEVEL %s  ==> %d", program_name,
                   global_max_assembly_level_String, global_max_assembly_level);
    pelk_printf_nl("\n+++%s: single_part %s", program_name, single_part);
    StartOfProgram();
}

// Checks the new work part under its name (callback mode 1).
void run_change_work_part_check(const char* work_part_name) {
    read_check_action_settings(work_part_name, false);
    GLOBAL_CALLBACK_MODUS = 1;
    StartOfProgram();
}

// The opening traces of every callback; the event part's name goes to
// event_part_name.
void trace_event(const PartEvent& event, const void* application_data,
                 char (&event_part_name)[kPartNameSize]) {
    pelk_syslog_printf("\n+++%s:[CALLBACK]%s", program_name, kCallbackRuler.text);
    ask_event_part_name(application_data, event_part_name);
    pelk_syslog_printf(event.event_line, program_name, event_part_name);
    pelk_printf_nl(event.printer_line, program_name);
}

// Steps 2 to 6 of every callback, inside its bracket; the event part's name
// goes to event_part_name.
void trace_event_and_run_actions(const PartEvent& event, const void* application_data,
                                 char (&event_part_name)[kPartNameSize]) {
    trace_event(event, application_data, event_part_name);
    if (has_work_part()) {
        run_callback_actions(event.reason_code);
    } else {
        pelk_syslog_printf(event.skip_line, program_name);
    }
}

int run_common_callback(const PartEvent& event, const void* application_data) {
    HostBracket bracket;
    if (!bracket.ok()) return bracket.code();
    char part_name[kPartNameSize] = "";
    run_guarded(event.name,
                [&] { trace_event_and_run_actions(event, application_data, part_name); });
    return bracket.terminate();
}

// The change-of-work-part callback inside its bracket: its traces, the
// actions and, when chosen, the check of the new work part.
void trace_change_of_work_part(const void* application_data) {
    char part_name[kPartNameSize] = "";
    trace_event(kChangeWork, application_data, part_name);

    char work_part_name[kPartNameSize] = "";
    ask_part_name(RQ_ASSEM_ask_work_part(), work_part_name);
    pelk_syslog_printf("\n+++%s: my_cwp_callback work_part_name = %s", program_name,
                       work_part_name);

    if (has_work_part()) {
        run_callback_actions(kChangeWork.reason_code);
        if (std::getenv("TALVEX_CHANGE_WORKPART_ACTION") != nullptr)
            run_change_work_part_check(work_part_name);
    } else {
        pelk_syslog_printf(kChangeWork.skip_line, program_name);
    }
}

}  // namespace

int parse_assembly_level(const char* text) {
    const char* start = text;
    while (std::isspace(static_cast<unsigned char>(*start))) ++start;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE || value < INT_MIN || value > INT_MAX) return -1;
    return static_cast<int>(value);
}

void register_part_callbacks() {
    pelk_syslog_printf("\n+++%s: ==========================", program_name);
    pelk_syslog_printf("\n+++%s: REGISTERING Talvex CALLBACKS", program_name);
    pelk_printf_nl("\n+++%s: REGISTERING Talvex CALLBACKS\n", program_name);
    for (int i = 0; i < kPartEventCount; ++i) {
        const PartEvent& event = *kPartEvents[i];
        if (!event_registered(event)) continue;
        const int code = RQ_add_callback_function(event.reason, event.callback, nullptr,
                                                  &callback_registration_ids[i]);
        pelk_syslog_printf("\n+++%s: %-27s error = %d", program_name, event.host_reason, code);
    }
    pelk_syslog_printf("\n+++%s: ==========================\n", program_name);
}

int run_callback_actions(const char* reason_code) {
    if (!has_work_part()) {
        pelk_syslog_printf("\n[%d] %s Info: TALVEX_CALLBACKs --> skipped (no work part)\n",
                           kLineActionsSkipped, program_release);
        return 0;
    }
    set_trace_release_label();
    for (const CallbackAction& action : kCallbackActions) run_callback_action(action, reason_code);
    return 0;
}

extern "C" {

RQ_ENTRY void rqsta(char* /*param*/, int* /*retcode*/, int /*param_len*/) {
    // Hosts 4 to 7.5 have no start-up entry; their builds do not export it.
    if (!host_release().callback_modes) return;
    const HostBracket bracket(HostBracket::OnFailedStart::terminate_anyway);
    run_guarded("rqsta", [] {
        pelk_syslog_printf("######## Start of: %s %s <Build: %s> [CALLBACK Mode]\n", program_name,
                           program_release, build_date_time);
        register_part_callbacks();
    });
}

int my_create_callback(int, const void* application_data, void*) {
    return run_common_callback(kCreate, application_data);
}

int my_open_callback(int, const void* application_data, void*) {
    return run_common_callback(kOpen, application_data);
}

int my_save_as_callback(int, const void* application_data, void*) {
    return run_common_callback(kSaveAs, application_data);
}

int my_close_callback(int, const void* application_data, void*) {
    return run_common_callback(kClose, application_data);
}

int my_modify_callback(int, const void* application_data, void*) {
    return run_common_callback(kModify, application_data);
}

int my_rename_callback(int, const void* application_data, void*) {
    return run_common_callback(kRename, application_data);
}

int my_post_save_as_callback(int, const void* application_data, void*) {
    return run_common_callback(kPostSaveAs, application_data);
}

int my_save_callback(int, const void* application_data, void*) {
    HostBracket bracket;
    if (!bracket.ok()) return bracket.code();
    char saved_part_name[kPartNameSize] = "";
    run_guarded(kSave.name,
                [&] { trace_event_and_run_actions(kSave, application_data, saved_part_name); });
    run_guarded(kSave.name, [&] {
        if (has_work_part() && std::getenv("TALVEX_SAVE_CALLBACK_ACTION") != nullptr)
            run_save_check(saved_part_name);
    });
    return bracket.terminate();
}

int my_cwp_callback(int, const void* application_data, void*) {
    HostBracket bracket;
    if (!bracket.ok()) return bracket.code();
    run_guarded(kChangeWork.name, [&] { trace_change_of_work_part(application_data); });
    return bracket.terminate();
}

}  // extern "C"
