// objprobe's printers. Both format into probe_message and hand it on as a
// text, so a percent sign in an argument is never formatted again.
#include "objprobe/probe_printers.hpp"

#include <rq/rq.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace objprobe {

char probe_message[probe_message_size];

namespace {

// Formats into probe_message, leaving `reserve` bytes free at its end.
void format_message(std::size_t reserve, const char* format, va_list args) {
    probe_message[0] = '\0';
    std::vsnprintf(probe_message, probe_message_size - reserve, format, args);
}

}  // namespace

void probe_list_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    format_message(1, format, args);
    va_end(args);
    const std::size_t length = std::strlen(probe_message);
    probe_message[length] = '\n';
    probe_message[length + 1] = '\0';
    logical is_open = 0;
    RQ_UI_is_listing_window_open(&is_open);
    if (!is_open) RQ_UI_open_listing_window();
    RQ_UI_write_listing_window(probe_message);
}

void probe_syslog_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    format_message(0, format, args);
    va_end(args);
    RQ_print_syslog(probe_message, 0);
}

}  // namespace objprobe
