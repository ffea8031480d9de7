// The guard of the check tool's exported entries and callbacks: a step that
// throws is written to the syslog under the entry's name, and the entry goes
// on with what it still has to do.
#pragma once

#include <string>

#include "common/entry_guard.hpp"
#include "common/run_settings.hpp"
#include "pelk/pelk_general_util.hpp"

// Writes "<entry>: exception: <description>" to the syslog.
inline void log_entry_exception(const char* entry, const std::string& description) {
    pelk_syslog_printf("\n+++%s: %s: exception: %s\n", program_name, entry, description.c_str());
}

// Runs the step of the entry; false when it threw (the syslog tells what).
template <typename Step>
bool run_guarded(const char* entry, Step&& step) noexcept {
    return guard_entry(
        step, [entry](const std::string& description) { log_entry_exception(entry, description); });
}
