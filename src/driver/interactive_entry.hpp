// Entries of the interactive host: the user function (rqusr) with the
// interactive check, and the unload query and clean-up. rqusr,
// rqusr_ask_unload and rqusr_cleanup are declared in <rq/rq_entry.h>.
#pragma once

#include <rq/rq_entry.h>

#include <cstddef>

extern "C" RQ_ENTRY void Talvex_Interactive_Entry(void);

// The command line that opens the report: the post command, a blank, the
// report name quoted for the shell as one word, a blank. False (and nothing
// written but an empty text) when it does not fit the buffer.
bool build_post_command_line(const char* post_command, const char* report, char* out,
                             std::size_t out_size);

// How the command line is run (std::system by default); tests record instead.
using PostCommandRunner = int (*)(const char* command_line);
void set_post_command_runner(PostCommandRunner runner);
