// Run log, result file, time stamps, the per-part first-error record and the
// error check of host-call results.
#include "utils/run_log.hpp"

#include "common/host_release.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "pelk/pelk_general_util.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

char log_file_in_use[1024] = "";
int first_error_code = 0;
char first_error_message[1024] = "OK";
char trace_release_label[256] = "";
double mass_props_accuracy = 0.99;
int save_work_part_mode = 0;

namespace {

constexpr std::size_t kMessageSize = 1024;  // one log message
// One result line: a part name of the part list's 1023 characters, the code,
// a first-error text of 1023 characters and a report name of 515, joined by ";".
constexpr std::size_t kResultLineSize = 1023 + 1 + 11 + 1 + 1023 + 1 + 515 + 1;
constexpr std::size_t kLongestLineSize = 10000;  // one line of the XML report
constexpr std::size_t kCtimeSize = 64;
constexpr const char kSyslogTag[] = "+++KavoTalvex";

// The C library's ctime text of now, with its own trailing newline.
void current_ctime(char (&out)[kCtimeSize]) {
    std::time_t now = std::time(nullptr);
    if (ctime_r(&now, out) == nullptr) out[0] = '\0';
}

// A message cut to its buffer keeps the line end its format closes with, so
// the next message still starts on a line of its own.
void keep_line_end(char* message, std::size_t length, const char* format) {
    if (length + 1 < kMessageSize) return;
    const std::size_t format_length = format != nullptr ? std::strlen(format) : 0;
    if (format_length == 0 || format[format_length - 1] != '\n') return;
    message[length - 1] = '\n';
}

}  // namespace

void get_current_time(char* out, std::size_t out_size) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        copy_text(out, out_size, "");
        return;
    }
    format_text(out, out_size, "%d-%02d-%02d %02d:%02d.%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

void log_time_stamp(const char* label) {
    char now[kCtimeSize];
    current_ctime(now);
    write_log(program_log_file, "\n%s %s", label, now);
}

// A name longer than log_file_in_use holds is refused: a cut name would make
// the check utilities log to another file. Builds without a run log create
// none and log to the syslog only.
int init_program_log_file(const char* name) {
    char now[kCtimeSize];
    current_ctime(now);
    log_file_in_use[0] = '\0';
    if (!host_release().run_log) return 0;
    if (name == nullptr || std::strlen(name) >= sizeof log_file_in_use) return -1;
    std::FILE* file = std::fopen(name, "w");
    if (file == nullptr) return -1;
    copy_text(log_file_in_use, name);
    std::fprintf(file, "Init Logfile at %s\n", now);
    std::fprintf(file, "KavoTalvex Release: %s %s %s \n", program_name, program_release,
                 build_date_time);
    std::fclose(file);
    return 0;
}

int init_program_result_file() {
    if (program_result_file[0] == '\0') return 0;
    std::FILE* file = std::fopen(program_result_file, "w");
    if (file == nullptr) return -1;
    std::fputs("ObjectCLI;ResultCode;ResultMsg;xml_filename\n", file);
    std::fclose(file);
    return 0;
}

int append_line_to_file(const char* file_name, const char* text) {
    if (file_name == nullptr || file_name[0] == '\0') return -1;
    std::FILE* file = std::fopen(file_name, "a");
    if (file == nullptr) return -1;
    // A buffer of our own: the stream asks no heap block and no file status,
    // and a line of the report goes out with its newline in one write.
    char buffer[kLongestLineSize + 1];
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
    std::fputs(text != nullptr ? text : "", file);
    std::fputc('\n', file);
    std::fclose(file);
    return 0;
}

int append_formatted_line(const char* file_name, std::size_t line_size, const char* format,
                          std::va_list args) {
    char line[kLongestLineSize];
    if (line_size > sizeof line) line_size = sizeof line;
    // A line without conversions (a bare tag) is its own text: no formatting.
    if (format != nullptr) {
        const char* percent = strchrnul(format, '%');
        if (*percent == '\0' && static_cast<std::size_t>(percent - format) < line_size)
            return append_line_to_file(file_name, format);
    }
    format_text_v(line, line_size, format, args);
    return append_line_to_file(file_name, line);
}

int write_log(const char* log_file, const char* format, ...) {
    char message[kMessageSize];
    std::va_list args;
    va_start(args, format);
    const std::size_t length = format_text_v(message, sizeof message, format, args);
    va_end(args);
    keep_line_end(message, length, format);
#ifndef KAVOTALVEX_PLUGIN
    if (host_release().run_log) {
        if (log_file != nullptr && log_file[0] != '\0') append_line_to_file(log_file, message);
        std::fputs(message, stdout);
    }
#endif
    char stamp[STAMP_BUFSIZE];
    get_current_time(stamp);
    pelk_syslog_printf("\n%s [%s]: %s\n", kSyslogTag, stamp, message);
    return 0;
}

int log_text(const char* text) {
    return write_log(program_log_file, "%s", text);
}

int write_result_line(const char* file_name, const char* format, ...) {
    if (file_name == nullptr || file_name[0] == '\0') return 0;
    char line[kResultLineSize];
    std::va_list args;
    va_start(args, format);
    format_text_v(line, sizeof line, format, args);
    va_end(args);
    append_line_to_file(file_name, line);
    if (host_release().echo_result_line) std::printf("\n%s", line);
    return 0;
}

int check_rq_result(int code, int source_line, const char* source_file) {
    if (code == 0) return 0;
    if (source_file == nullptr) source_file = "";
    if (code > 0) {
        char fail_message[kMessageSize] = "";
        RQ_get_fail_message(code, fail_message);
        fail_message[sizeof fail_message - 1] = '\0';
        write_log(log_file_in_use, "Error: %d in Program: %s", code, source_file);
        write_log(log_file_in_use, "       -> in line %d (%s)", source_line, fail_message);
        if (first_error_code == 0) {
            first_error_code = code;
            format_text(first_error_message, sizeof first_error_message, "%s [%d]", fail_message,
                        source_line);
        } else if (code == 900) {
            write_log(log_file_in_use, "Error in MassProperty");
        }
        write_log(log_file_in_use, "*---*");
        return code;
    }
    write_log(log_file_in_use, "Error: %d in Program: %s", code, source_file);
    write_log(log_file_in_use, "       -> in line %d (%s)", source_line, "BS-Programm fault");
    write_log(log_file_in_use, "*---*");
    if (first_error_code == 0) {
        first_error_code = code;
        format_text(first_error_message, sizeof first_error_message, "Programm fault [%d]",
                    source_line);
    }
    return code;
}

int reset_result_status() {
    first_error_code = 0;
    copy_text(first_error_message, "OK");
    return 0;
}

int ask_result_status(int* code, char* message, std::size_t message_size) {
    if (code != nullptr) *code = first_error_code;
    copy_text(message, message_size, first_error_code != 0 ? first_error_message : "OK");
    return 0;
}

int set_trace_release_label() {
    copy_text(trace_release_label, program_release);
    return 0;
}

int set_mass_props_accuracy() {
    mass_props_accuracy = body_calc_accuracy;
    return 0;
}

int set_save_work_part_mode() {
    save_work_part_mode = save_work_part;
    return 0;
}

void reset_run_log_state() {
    log_file_in_use[0] = '\0';
    reset_result_status();
    trace_release_label[0] = '\0';
    mass_props_accuracy = 0.99;
    save_work_part_mode = 0;
}
