// The entries the host calls in objprobe.
#include <rq/rq.h>
#include <rq/rq_entry.h>

#include "objprobe/probe_loop.hpp"
#include "objprobe/probe_printers.hpp"

namespace {
constexpr const char* program_name = "objprobe";
}

extern "C" {

// The user-function arguments are not read.
void rqusr(char* param, int* retcode, int param_len) {
    RQ_initialize();
    StartOfProgram();
    RQ_terminate();
}

int rqusr_ask_unload(void) {
    objprobe::probe_syslog_printf("rqusr_ask_unload for %s\n", program_name);
    return 1;
}

void rqusr_cleanup(void) {
    objprobe::probe_syslog_printf("\n Cleanup for %s\n", program_name);
}

}  // extern "C"
