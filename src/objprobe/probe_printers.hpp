// objprobe's printers: the host listing window and the host syslog.
#pragma once

#include <cstddef>

namespace objprobe {

// Holds the longest line: a part file name of 256 characters and its label.
constexpr std::size_t probe_message_size = 1024;
extern char probe_message[probe_message_size];

// One line in the listing window (a newline is added), opening the window
// when the user has closed it.
void probe_list_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text as formatted, to the host syslog.
void probe_syslog_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace objprobe
