// Output channels of the host utility layer: standard output (the console in
// the plug-in), the host syslog with its optional prefix, and the listing
// window, with the output switch that governs the switchable printers.
//
// Every printer formats into one shared buffer and writes that buffer as a
// text, never as a format, so a '%' brought in by an argument reaches the
// channel unchanged. A text longer than the buffer is cut; the printers that
// end their text with a newline keep room for it.
#include "pelk/pelk_general_util.hpp"
#include "pelk/pelk_internal.hpp"

#include "common/text_buffer.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kMessageSize = 2048;
constexpr std::size_t kPrefixMax = 45;
constexpr const char kPrefixSource[] = "+++KavoTalvex: ";

enum OutputMode { kToListingWindow = 0, kToSyslog = 1, kToStdout = 2 };

int pelk_output_on = 0;
int pelk_output_mode = kToListingWindow;  // nothing in the system changes it
int pelk_syslog_prefix_active = 0;
char pelk_syslog_prefix[kPrefixMax + 1] = "";
char pelk_message[kMessageSize] = "";

// Formats into the shared buffer; with_newline keeps one byte for "\n".
void format_message(bool with_newline, const char* format, std::va_list args) {
    std::size_t room = with_newline ? kMessageSize - 1 : kMessageSize;
    std::size_t length = format_text_v(pelk_message, room, format, args);
    if (with_newline) {
        pelk_message[length] = '\n';
        pelk_message[length + 1] = '\0';
    }
}

void write_stdout(const char* text) {
    std::fputs(text, stdout);
}

#ifdef KAVOTALVEX_PLUGIN
// The plug-in writes straight to the process's standard output handle.
void write_console(const char* text) {
    std::fflush(stdout);  // keep the order with anything stdio still holds
    std::size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t written = ::write(STDOUT_FILENO, text, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}
#else
void write_console(const char* text) {
    write_stdout(text);
}
#endif

void write_listing_window(const char* text) {
    logical is_open = 0;
    RQ_UI_is_listing_window_open(&is_open);
    if (!is_open) RQ_UI_open_listing_window();
    RQ_UI_write_listing_window(text);
}

void send_by_output_mode(const char* text) {
    switch (pelk_output_mode) {
        case kToListingWindow:
            write_listing_window(text);
            break;
        case kToSyslog:
            RQ_print_syslog(text, 0);
            break;
        case kToStdout:
            write_stdout(text);
            break;
        default:
            break;
    }
}

void write_syslog_with_prefix(const char* text) {
    if (pelk_syslog_prefix_active) RQ_print_syslog(pelk_syslog_prefix, 0);
    RQ_print_syslog(text, 0);
}

}  // namespace

#ifndef KAVOTALVEX_PLUGIN
void pelk_set_output_on() {
    pelk_output_on = 1;
}
#endif

void pelk_printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    format_message(false, format, args);
    va_end(args);
    write_console(pelk_message);
}

void pelk_printf_if_on(const char* format, ...) {
    if (!pelk_output_on) return;
    std::va_list args;
    va_start(args, format);
    format_message(false, format, args);
    va_end(args);
    write_console(pelk_message);
}

void pelk_printf_nl(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    format_message(true, format, args);
    va_end(args);
#ifdef KAVOTALVEX_PLUGIN
    send_by_output_mode(pelk_message);
#else
    write_stdout(pelk_message);
#endif
}

void pelk_list_printf(const char* format, ...) {
    if (!pelk_output_on) return;
    std::va_list args;
    va_start(args, format);
    format_message(true, format, args);
    va_end(args);
    send_by_output_mode(pelk_message);
}

void pelk_syslog_prefix_on() {
    pelk_syslog_prefix_active = 0;
    pelk_syslog_prefix[0] = '\0';
    if (kPrefixSource[0] != '\0') {
        copy_text(pelk_syslog_prefix, kPrefixSource);
        pelk_syslog_prefix_active = 1;
    }
}

void pelk_syslog_prefix_off() {
    pelk_syslog_prefix_active = 0;
}

void pelk_syslog_printf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    format_message(false, format, args);
    va_end(args);
    write_syslog_with_prefix(pelk_message);
}

void pelk_syslog_printf_if_on(const char* format, ...) {
    if (!pelk_output_on) return;
    std::va_list args;
    va_start(args, format);
    format_message(false, format, args);
    va_end(args);
    write_syslog_with_prefix(pelk_message);
}

int pelk_output_is_on() {
    return pelk_output_on;
}

int pelk_syslog_prefix_is_active() {
    return pelk_syslog_prefix_active;
}

void pelk_reset_output_state() {
    pelk_output_on = 0;
    pelk_output_mode = kToListingWindow;
    pelk_syslog_prefix_active = 0;
    pelk_syslog_prefix[0] = '\0';
    pelk_message[0] = '\0';
}
