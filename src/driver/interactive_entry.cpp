// The user-function entry of the plug-in: checks the work part with settings
// from host variables and opens the report with the post command. Also the
// entries the host calls when it unloads the plug-in.
#include "driver/interactive_entry.hpp"

#include <rq/rq.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/host_release.hpp"
#include "common/rulers.hpp"
#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/check_run.hpp"
#include "driver/entry_guard.hpp"
#include "driver/host_bracket.hpp"
#include "pelk/pelk_general_util.hpp"
#include "utils/named_timers.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr std::size_t kPostCommandSize = 516;
constexpr std::size_t kPartNameSize = 516;
constexpr std::size_t kCommandLineSize = 1024;
// "notepad" on Windows; here the desktop's opener shows the report in the
// user's viewer.
constexpr char kDefaultPostCommand[] = "xdg-open";

int run_with_system(const char* command_line) {
    return std::system(command_line);
}

PostCommandRunner post_command_runner = run_with_system;

// The text in single quotes; a single quote inside becomes '\''.
std::string shell_quoted(const char* text) {
    std::string quoted = "'";
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += *c;
        }
    }
    quoted += '\'';
    return quoted;
}

// The post command holds one character more than a command may have, so that
// a longer one is seen and refused rather than cut and run.
void read_interactive_settings(char* post_command, std::size_t post_command_size) {
    pelk_translate_variable("KVTX_outdir", global_outdir);
    pelk_translate_variable("KVTX_detail_option", detail_option);
    // The builds for hosts 4 to 7.5 run no journal.
    if (host_release().callback_modes) pelk_translate_variable("KVTX_journal", journal_file);
    pelk_translate_variable("KVTX_POSTCOMMAND", post_command, post_command_size);
    if (post_command[0] == '\0') {
        pelk_syslog_printf("KVTX_POSTCOMMAND = #%s#\n", post_command);
        copy_text(post_command, post_command_size, kDefaultPostCommand);
        pelk_syslog_printf("KVTX_POSTCOMMAND = set to #%s#\n", post_command);
    }
}

void trace_interactive_settings(const char* post_command) {
    pelk_syslog_printf("\n%s", program_name);
    pelk_syslog_printf("\n%s\n", kInteractiveRule.text);
    pelk_syslog_printf("KVTX_outdir          = #%s#\n", global_outdir);
    pelk_syslog_printf("KVTX_detail_option   = #%s#\n", detail_option);
    if (host_release().callback_modes)
        pelk_syslog_printf("KVTX_journal         = #%s#\n", journal_file);
    pelk_syslog_printf("KVTX_POSTCOMMAND     = #%s#\n", post_command);
}

// Opens the report with the post command. The report name is one quoted
// word, so a name with blanks or shell characters runs nothing else. A
// command too long for its buffer, or a check that named no report, runs
// nothing.
void run_post_command(const char* post_command) {
    if (std::strlen(post_command) >= kPostCommandSize) {
        pelk_syslog_printf("KVTX_POSTCOMMAND not run: the command is longer than %d\n",
                           static_cast<int>(kPostCommandSize - 1));
        return;
    }
    if (glob_xml_file[0] == '\0') {
        pelk_syslog_printf("KVTX_POSTCOMMAND not run: no report was written\n");
        return;
    }
    char command_line[kCommandLineSize];
    if (!build_post_command_line(post_command, glob_xml_file, command_line, sizeof command_line)) {
        pelk_syslog_printf("KVTX_POSTCOMMAND not run: the command line is longer than %d\n",
                           static_cast<int>(kCommandLineSize - 1));
        return;
    }
    post_command_runner(command_line);
}

}  // namespace

bool build_post_command_line(const char* post_command, const char* report, char* out,
                             std::size_t out_size) {
    if (out_size == 0) return false;
    out[0] = '\0';
    const std::string line = std::string(post_command) + " " + shell_quoted(report) + " ";
    if (line.size() >= out_size) return false;
    copy_text(out, out_size, line.c_str());
    return true;
}

void set_post_command_runner(PostCommandRunner runner) {
    post_command_runner = runner != nullptr ? runner : run_with_system;
}

extern "C" {

RQ_ENTRY void rqusr(char* /*param*/, int* /*retcode*/, int /*param_len*/) {
    const HostBracket bracket(HostBracket::OnFailedStart::terminate_anyway);
    run_guarded("rqusr", [] {
        pelk_syslog_printf("######## Start of: %s %s <Build: %s>\n", program_name, program_release,
                           build_date_time);
        if (RQ_ASSEM_ask_work_part() == NULL_TAG) return;
        if (host_release().callback_modes) GLOBAL_CALLBACK_MODUS = 0;
        Talvex_Interactive_Entry();
        print_timer_statistic();
    });
}

// A check that throws has written no whole report: nothing is opened then.
RQ_ENTRY void Talvex_Interactive_Entry(void) {
    run_guarded("Talvex_Interactive_Entry", [] {
        get_current_time(start_load_part_date_time);

        char post_command[kPostCommandSize + 1] = "";
        read_interactive_settings(post_command, sizeof post_command);

        char part_name[kPartNameSize] = "";
        RQ_PART_ask_part_name(RQ_PART_ask_display_part(), part_name);

        trace_interactive_settings(post_command);
        const bool checked =
            run_guarded("Talvex_Interactive_Entry", [&] { check_one_part(part_name); });
        if (checked && post_command[0] != '\0') run_post_command(post_command);
        pelk_syslog_printf("\n%s", kInteractiveRule.text);
    });
}

RQ_ENTRY int rqusr_ask_unload(void) {
    run_guarded("rqusr_ask_unload",
                [] { pelk_printf_if_on("rqusr_ask_unload for %s\n", program_name); });
    return 1;
}

RQ_ENTRY void rqusr_cleanup(void) {
    run_guarded("rqusr_cleanup", [] { pelk_printf_if_on("\n Cleanup for %s\n", program_name); });
}

}  // extern "C"
