// Host helper calls of the host utility layer and their standard failure
// report: host variables, object type, host release, readable-file test,
// fail-message lookup and the product-data-management session test.
#include "pelk/pelk_general_util.hpp"
#include "pelk/pelk_internal.hpp"

#include "common/text_buffer.hpp"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char kLayerUnit[] = "pelk_general_util";
constexpr std::size_t kFailMessageSize = 133;  // the host's fail-message buffer

int pelk_last_error = 0;
char pelk_fail_message[kFailMessageSize] = "";
int pelk_release_major = -1;
int pelk_release_minor = -1;

// The standard report of a wrapped host call that failed: console, then syslog.
void report_failed_call(const char* call_text, int source_line) {
    pelk_get_fail_message();
    static constexpr const char kReport[] = "** Function %s failed in %s Line %d\n ==> %s \n";
    pelk_printf(kReport, call_text, kLayerUnit, source_line, pelk_fail_message);
    pelk_syslog_printf(kReport, call_text, kLayerUnit, source_line, pelk_fail_message);
}

// Reads a decimal int as "%d" would (blanks, sign, digits); out keeps its
// value when nothing can be read. Out-of-range numbers are clamped.
bool read_decimal(const char*& text, int* out) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    *out = static_cast<int>(value);
    text = end;
    return true;
}

// "...V12.0.2..." -> 12 and 0: behind the last 'V', the first '.' becomes a
// blank and two numbers are read.
void parse_release_text(const char* release_text) {
    const char* last_v = std::strrchr(release_text, 'V');
    if (last_v == nullptr) return;
    std::string numbers(last_v + 1);
    std::size_t dot = numbers.find('.');
    if (dot == std::string::npos) return;
    numbers[dot] = ' ';
    const char* cursor = numbers.c_str();
    if (!read_decimal(cursor, &pelk_release_major)) return;
    read_decimal(cursor, &pelk_release_minor);
}

}  // namespace

void pelk_translate_variable(const char* name, char* out, std::size_t out_size) {
    copy_text(out, out_size, "");
    char* value = nullptr;
    RQ_translate_variable(name, &value);
    // The host keeps the value; it is not released here.
    if (value != nullptr) copy_text(out, out_size, value);
}

int pelk_ask_type_and_subtype(tag_t object, int* type, int* subtype) {
    pelk_last_error = 0;
    *type = 0;
    *subtype = 0;
    pelk_last_error = RQ_OBJ_ask_type_and_subtype(object, type, subtype);
    if (pelk_last_error != 0) {
        report_failed_call("<< RQ_OBJ_ask_type_and_subtype(elt_id, type, subtype) >>", 551);
    }
    return pelk_last_error;
}

int pelk_ask_release(int* minor) {
    if (pelk_release_major < 0) {
        char* release_text = nullptr;
        RQ_get_release(&release_text);
        if (release_text != nullptr) {
            parse_release_text(release_text);
            RQ_free(release_text);
        }
    }
    if (pelk_release_major >= 1 && pelk_release_major <= 9) pelk_release_major += 100;
    if (minor != nullptr) *minor = pelk_release_minor;
    return pelk_release_major;
}

#ifndef KAVOTALVEX_PLUGIN
// A name that does not fit the caller's buffer counts as not found: a cut
// name would name another file.
int pelk_find_file(const char* name, char* found, std::size_t found_size) {
    copy_text(found, found_size, "");
    if (name == nullptr || name[0] == '\0') return 0;
    if (std::strlen(name) >= found_size) return 0;
    if (::access(name, R_OK) != 0) return 0;
    copy_text(found, found_size, name);
    return 1;
}
#endif

void pelk_get_fail_message() {
    pelk_fail_message[0] = '\0';
    RQ_get_fail_message(pelk_last_error, pelk_fail_message);
    pelk_fail_message[kFailMessageSize - 1] = '\0';
}

int PELK_Is_VrelManager_Active() {
    int is_active = 0;
    pelk_last_error = 0;
    pelk_last_error = RQ_is_vrelmanager_active(&is_active);
    if (pelk_last_error != 0) {
        report_failed_call("<< RQ_is_vrelmanager_active(&is_active) >>", 1147);
    }
    return is_active != 0 ? 1 : 0;
}

int pelk_ask_last_error() {
    return pelk_last_error;
}

const char* pelk_ask_fail_message() {
    return pelk_fail_message;
}

void pelk_reset_host_call_state() {
    pelk_last_error = 0;
    pelk_fail_message[0] = '\0';
    pelk_release_major = -1;
    pelk_release_minor = -1;
}

void pelk_reset_state_for_tests() {
    pelk_reset_output_state();
    pelk_reset_host_call_state();
}
