// Session bracket, fail messages and session flags.
#include <standin/testing.hpp>

#include <cstdio>
#include <map>
#include <string>

#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

const std::map<int, std::string>& base_messages() {
    static const std::map<int, std::string> messages = {
        {RQ_err_not_initialized, "The Kavo session is not initialized"},
        {RQ_err_bad_tag, "Invalid object tag"},
        {RQ_err_no_work_part, "There is no work part"},
        {RQ_err_bad_argument, "Invalid argument"},
        {RQ_err_no_name, "The object has no name"},
        {RQ_err_not_found, "Object not found"},
        {RQ_err_out_of_date, "Drawing sheet is still out of date"},
        {RQ_err_file_not_found, "File not found"},
        {RQ_err_file_unreadable, "File cannot be read"},
        {RQ_err_file_corrupt, "File is corrupt or not a part file"},
        {RQ_err_file_write, "File cannot be written"},
        {RQ_err_file_exists, "File already exists"},
        {RQ_err_part_read_only, "Part is read-only"},
        {RQ_err_mass_props, "Mass property calculation failed"},
        {RQ_err_login, "LORN login failed"},
        {RQ_err_config_rule, "Unknown revision rule"},
        {RQ_err_pdm_unknown, "Unknown LORN item or revision"},
        {RQ_err_pdm_encoding, "Invalid LORN part file name"},
        {RQ_err_attribute_missing, "Attribute does not exist"},
        {RQ_err_feature_update, "Feature update failed"},
        {RQ_err_replay, "Feature replay failed"},
        {RQ_err_structure, "Structure update failed"},
        {RQ_err_view_update, "Drawing view update failed"},
        {RQ_err_drawing_delete, "Drawing cannot be deleted"},
        {RQ_err_cgm_write, "CGM file cannot be written"},
        {RQ_err_cgm_read, "CGM file cannot be read"},
    };
    return messages;
}

std::map<int, std::string>& added_messages() {
    static std::map<int, std::string> messages;
    return messages;
}

constexpr std::size_t max_message = 132;

}  // namespace

void add_fail_message(int code, std::string text) {
    if (text.size() > max_message) text.resize(max_message);
    added_messages()[code] = std::move(text);
}

int open_depth() {
    return session().open_depth;
}

void set_pdm_active(int active) {
    session().pdm_active = active;
}

void reset_session() {
    unload_all_parts();
    run_reset_hooks();
    Session& s = session();
    s = Session{};
    reset_parts();
    reset_faults();
    reset_records();
    reset_timers();
    reset_settings();
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_initialize(void) {
    if (int code = fault_code("RQ_initialize")) return code;
    ++session().open_depth;
    return 0;
}

int RQ_terminate(void) {
    if (int code = fault_code("RQ_terminate")) return code;
    Session& s = session();
    if (s.open_depth == 0) return RQ_err_not_initialized;
    --s.open_depth;
    flush_syslog();
    return 0;
}

int RQ_is_initialized(void) {
    if (fault_code("RQ_is_initialized")) return 0;
    return session().open_depth > 0 ? 1 : 0;
}

int RQ_get_fail_message(int code, char message[133]) {
    if (message == nullptr) return RQ_err_bad_argument;
    if (auto it = added_messages().find(code); it != added_messages().end()) {
        copy_out(message, max_message + 1, it->second);
    } else if (auto base = base_messages().find(code); base != base_messages().end()) {
        copy_out(message, max_message + 1, base->second);
    } else {
        char text[64];
        std::snprintf(text, sizeof text, "Unknown error code %d", code);
        copy_out(message, max_message + 1, text);
    }
    return 0;
}

int RQ_PATT_is_archiving_on(logical* flag) {
    if (int code = fault_code("RQ_PATT_is_archiving_on")) return code;
    if (flag == nullptr) return RQ_err_bad_argument;
    *flag = session().pattern_archiving;
    apply_env_flag("KAVOHOST_PATTERN_ARCHIVING", *flag);
    return 0;
}

int RQ_PATT_is_shading_on(logical* flag) {
    if (int code = fault_code("RQ_PATT_is_shading_on")) return code;
    if (flag == nullptr) return RQ_err_bad_argument;
    *flag = session().pattern_shading;
    apply_env_flag("KAVOHOST_PATTERN_SHADING", *flag);
    return 0;
}

int RQ_ASSEM_ask_assem_options(RQ_ASSEM_options_t* options) {
    if (int code = fault_code("RQ_ASSEM_ask_assem_options")) return code;
    if (options == nullptr) return RQ_err_bad_argument;
    *options = session().assem_options;
    apply_env_assem_options(*options);
    return 0;
}

}  // extern "C"
