// Host utility layer: output channels with the output switch and the syslog
// prefix, and the host helper calls with their standard failure report.
#pragma once

#include <rq/rq.h>

#include <cstddef>

#define PELK_PRINTF_FORMAT(i) __attribute__((format(printf, i, i + 1)))

// ---- output channels ----------------------------------------------------------------
#ifndef KAVOTALVEX_PLUGIN
void pelk_set_output_on();
#endif
void pelk_printf(const char* format, ...) PELK_PRINTF_FORMAT(1);
void pelk_printf_if_on(const char* format, ...) PELK_PRINTF_FORMAT(1);
void pelk_printf_nl(const char* format, ...) PELK_PRINTF_FORMAT(1);
void pelk_list_printf(const char* format, ...) PELK_PRINTF_FORMAT(1);
void pelk_syslog_prefix_on();
void pelk_syslog_prefix_off();
void pelk_syslog_printf(const char* format, ...) PELK_PRINTF_FORMAT(1);
void pelk_syslog_printf_if_on(const char* format, ...) PELK_PRINTF_FORMAT(1);

// ---- host helper calls --------------------------------------------------------------
void pelk_translate_variable(const char* name, char* out, std::size_t out_size);
template <std::size_t N>
void pelk_translate_variable(const char* name, char (&out)[N]) {
    pelk_translate_variable(name, out, N);
}
int pelk_ask_type_and_subtype(tag_t object, int* type, int* subtype);
int pelk_ask_release(int* minor);
#ifndef KAVOTALVEX_PLUGIN
int pelk_find_file(const char* name, char* found, std::size_t found_size);
template <std::size_t N>
int pelk_find_file(const char* name, char (&found)[N]) {
    return pelk_find_file(name, found, N);
}
#endif
void pelk_get_fail_message();
int PELK_Is_VrelManager_Active();

// ---- layer state, readable for tests ---------------------------------------------------
int pelk_output_is_on();
int pelk_syslog_prefix_is_active();
int pelk_ask_last_error();
const char* pelk_ask_fail_message();
void pelk_reset_state_for_tests();  // output off, prefix off, release cache cleared
