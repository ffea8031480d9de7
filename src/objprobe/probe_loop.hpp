// objprobe's input loop and its helpers.
#pragma once

#include <rq/rq_entry.h>

#include <cstddef>

// The input loop for the host: run_probe_loop with no exception let out (one
// is written to the syslog, and -1 returned).
extern "C" RQ_ENTRY int StartOfProgram(void);

namespace objprobe {

// The input loop: runs until the dialog is left or an object was renamed;
// returns 0. It neither opens nor closes the host interface.
int run_probe_loop();

// Empties `out` (of `out_size` bytes) and copies into it everything after the
// n-th occurrence (counted from 1) of `delimiter` in `text`, later delimiters
// included, cut to fit. Returns the length of `out`.
int get_text_after_nth_delimiter(const char* text, int n, char delimiter, char* out,
                                 std::size_t out_size);

// The "Pause" dialog; its answer is not used.
void pause_prompt();

}  // namespace objprobe
