// A plug-in for the host program's tests. Built twice (plugin-a, plugin-b)
// from this file, so that two libraries export the same entry names. Each
// entry writes a syslog line naming the build; rqsta registers a callback
// for every part event; "usr" asks the dialog once and echoes the answer.
#include <rq/rq.h>
#include <rq/rq_entry.h>
#include <kavoopen/kavoopen.hpp>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

void trace(const char* what, const char* detail = "") {
    char line[512];
    std::snprintf(line, sizeof line, "%s: %s%s\n", TEST_PLUGIN_NAME, what, detail);
    RQ_print_syslog(line, 0);
}

int on_event(int reason, const void* application_data, void* user_data) {
    const tag_t part = *static_cast<const tag_t*>(application_data);
    char name[256] = {};
    RQ_PART_ask_part_name(part, name);
    char detail[300];
    std::snprintf(detail, sizeof detail, "%d %s", reason, name);
    trace("event ", detail);
    // A rename is answered with an exception, for the host's guard; every other
    // event opens the bracket again inside the host's operation (nesting).
    if (reason == RQ_rename_part_reason) throw std::runtime_error("rename refused by plug-in");
    if (RQ_initialize() != 0) return 1;
    return RQ_terminate();
}

}  // namespace

extern "C" {

void rqsta(char* param, int* retcode, int param_len) {
    RQ_initialize();
    trace("rqsta");
    for (int reason = RQ_create_part_reason; reason <= RQ_post_save_as_part_reason; ++reason) {
        RQ_registration_id_t id = 0;
        RQ_add_callback_function(reason, on_event, nullptr, &id);
    }
    RQ_terminate();
}

// "usr throw" lets an object-interface exception out, for the host's report.
void rqusr(char* param, int* retcode, int param_len) {
    if (param != nullptr && std::strcmp(param, "throw") == 0)
        throw KavoOpen::KavoException("usr refused by plug-in", 99, "test_plugin.cpp");
    RQ_initialize();
    char text[133] = "question";
    int length = 8;
    const int response = uc1600("Answer", text, &length);
    char detail[200];
    std::snprintf(detail, sizeof detail, " param=%.*s response=%d text=%s", param_len, param,
                  response, text);
    trace("rqusr", detail);
    RQ_terminate();
}

int rqusr_ask_unload(void) {
    trace("rqusr_ask_unload");
    return 1;
}

void rqusr_cleanup(void) {
    trace("rqusr_cleanup");
}

}  // extern "C"
