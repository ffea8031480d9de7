// Run log, result file, the first-error record and the host-call error check.
#pragma once

#include <cstdarg>
#include <cstddef>

#define KVTX_PRINTF_FORMAT(i) __attribute__((format(printf, i, i + 1)))

extern char log_file_in_use[1024];
extern int first_error_code;
extern char first_error_message[1024];
extern char trace_release_label[256];
extern double mass_props_accuracy;
extern int save_work_part_mode;

// Local time as "YYYY-MM-DD hh:mm.ss"; out holds at least 20 bytes.
void get_current_time(char* out, std::size_t out_size);
template <std::size_t N>
void get_current_time(char (&out)[N]) {
    get_current_time(out, N);
}
void log_time_stamp(const char* label);
int init_program_log_file(const char* name);
int init_program_result_file();
int append_line_to_file(const char* file_name, const char* text);
// Formats one line, cut to line_size - 1 characters (at most 9,999), and
// appends it with append_line_to_file.
int append_formatted_line(const char* file_name, std::size_t line_size, const char* format,
                          std::va_list args) __attribute__((format(printf, 3, 0)));
int write_log(const char* log_file, const char* format, ...) KVTX_PRINTF_FORMAT(2);
// Logs a text as it stands, never as a format, to the run log of the run
// (program_log_file) through write_log.
int log_text(const char* text);
int write_result_line(const char* file_name, const char* format, ...) KVTX_PRINTF_FORMAT(2);
int check_rq_result(int code, int source_line, const char* source_file);
int reset_result_status();
int ask_result_status(int* code, char* message, std::size_t message_size);
int set_trace_release_label();
int set_mass_props_accuracy();
int set_save_work_part_mode();
// The run log in use, the first-error record, the trace label and the two
// modes above back to their start values.
void reset_run_log_state();
