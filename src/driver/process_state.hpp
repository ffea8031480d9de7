// The process globals of the check tool as one state: one call puts every one
// of them back to its start value.
#pragma once

// Run settings, build stamp and run data; run log and first-error record;
// printers and host-call records; named timers; the post-command runner and
// the callback registration ids.
void reset_process_state();
