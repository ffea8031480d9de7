// The entries the host calls in objprobe. None lets an exception out: one is
// written to the syslog, and the entry ends as it would have.
#include <rq/rq.h>
#include <rq/rq_entry.h>

#include <string>

#include "common/entry_guard.hpp"
#include "objprobe/probe_loop.hpp"
#include "objprobe/probe_printers.hpp"

namespace {

constexpr const char* program_name = "objprobe";

template <typename Step>
bool run_guarded(const char* entry, Step&& step) noexcept {
    return guard_entry(step, [entry](const std::string& description) {
        objprobe::probe_syslog_printf("\n%s: %s: exception: %s\n", program_name, entry,
                                      description.c_str());
    });
}

}  // namespace

extern "C" {

RQ_ENTRY int StartOfProgram(void) {
    int result = -1;
    run_guarded("StartOfProgram", [&] { result = objprobe::run_probe_loop(); });
    return result;
}

// The user-function arguments are not read.
void rqusr(char* param, int* retcode, int param_len) {
    RQ_initialize();
    StartOfProgram();
    RQ_terminate();
}

int rqusr_ask_unload(void) {
    run_guarded("rqusr_ask_unload",
                [] { objprobe::probe_syslog_printf("rqusr_ask_unload for %s\n", program_name); });
    return 1;
}

void rqusr_cleanup(void) {
    run_guarded("rqusr_cleanup",
                [] { objprobe::probe_syslog_printf("\n Cleanup for %s\n", program_name); });
}

}  // extern "C"
